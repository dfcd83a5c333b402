#!/usr/bin/env python3
"""Speed of the demonstrations under different builds of the same sources.

Builds the default preset and the candidate variants below, runs sortshow and
seqshow of every variant alternately, round after round, each run in a folder
of its own, and prints the median wall time of each with its ratio to the
default build. A benchmark, not a test: it prints figures and checks nothing.

    python3 bench/bench.py [--rounds N]
"""

import argparse
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
PROGRAMS = ("sortshow", "seqshow")

# name, compiler, optimisation flags, profiled. Every variant keeps the build's
# rules for a truthful profile (no inlining, no sibling calls, no clones); only
# the optimisation differs, and the floor leaves out the counting hook.
VARIANTS = [
    ("gcc -O0 (classic IDE profiling build)", "g++", "-O0", True),
    ("gcc -O1", "g++", "-O1", True),
    ("gcc -O2", "g++", "-O2", True),
    ("gcc -O3", "g++", "-O3", True),
    ("gcc -O3 -fno-tree-slp-vectorize", "g++", "-O3 -fno-tree-slp-vectorize", True),
    ("clang -O1", "clang++", "-O1", True),
    ("clang -O2", "clang++", "-O2", True),
    ("clang -O3", "clang++", "-O3", True),
    ("floor: gcc -O2 -fno-tree-slp-vectorize, no hook", "g++", "-O2 -fno-tree-slp-vectorize", False),
    ("floor: clang -O2, no hook", "clang++", "-O2", False),
]


def sh(*command, **options):
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, **options)


def build_default() -> Path:
    sh("cmake", "--preset", "default", cwd=ROOT)
    sh("cmake", "--build", "--preset", "default", "--target", *PROGRAMS, cwd=ROOT)
    return ROOT / "build"


def build_variant(index: int, compiler: str, flags: str, profiled: bool) -> Path:
    folder = ROOT / "build-bench" / str(index)
    sh("cmake", "-S", str(ROOT), "-B", str(folder), f"-DCMAKE_CXX_COMPILER={compiler}",
       "-DCMAKE_BUILD_TYPE=Bench", f"-DCMAKE_CXX_FLAGS_BENCH={flags}",
       f"-DPROFILING={'ON' if profiled else 'OFF'}", "-DBUILD_TESTING=OFF")
    sh("cmake", "--build", str(folder), "--target", *PROGRAMS)
    return folder


def timed(program: Path, folder: Path) -> float:
    start = time.perf_counter()
    subprocess.run([str(program)], cwd=folder, check=True, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--rounds", type=int, default=9)
    args = parser.parse_args()

    for tool in ("cmake", "g++", "clang++"):
        if not shutil.which(tool):
            sys.exit(f"bench: {tool} is not installed")
    print("building ...", file=sys.stderr, flush=True)
    builds = [("default preset", build_default())]
    for index, (name, compiler, flags, profiled) in enumerate(VARIANTS):
        builds.append((name, build_variant(index, compiler, flags, profiled)))

    times = {(name, program): [] for name, _ in builds for program in PROGRAMS}
    with tempfile.TemporaryDirectory() as scratch:
        for round_ in range(args.rounds):
            print(f"round {round_ + 1} of {args.rounds}", file=sys.stderr, flush=True)
            for name, folder in builds:
                for program in PROGRAMS:
                    times[name, program].append(timed(folder / program, Path(scratch)))

    median = {key: statistics.median(values) for key, values in times.items()}
    print(f"Medians of {args.rounds} alternating runs, {time.strftime('%Y-%m-%d')}, "
          f"wall seconds; ratio = time / default build's time\n")
    print("| build | sortshow | ratio | seqshow | ratio |")
    print("|---|---:|---:|---:|---:|")
    for name, _ in builds:
        cells = []
        for program in PROGRAMS:
            value = median[name, program]
            cells += [f"{value:.3f}", f"{value / median['default preset', program]:.2f}"]
        print(f"| {name} | " + " | ".join(cells) + " |")
    for program in PROGRAMS:
        profiled = [(median[name, program], name) for name, _ in builds if not name.startswith("floor")]
        best = min(profiled)
        print(f"\n{program}: fastest profiled build {best[1]} ({best[0]:.3f} s); "
              f"default / fastest = {median['default preset', program] / best[0]:.2f}", end="")
    print()


if __name__ == "__main__":
    main()
