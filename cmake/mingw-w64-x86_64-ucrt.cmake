# 64-bit Windows console programs against the Universal C Runtime, as MSYS2's
# UCRT64 environment builds them (Debian 13's g++-mingw-w64-ucrt64).
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(mingw_triplet x86_64-w64-mingw32ucrt)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
