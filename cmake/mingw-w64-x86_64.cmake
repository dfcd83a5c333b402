# 64-bit Windows console programs against msvcrt.dll (Debian's
# g++-mingw-w64-x86-64).
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(mingw_triplet x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
