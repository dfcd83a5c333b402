#!/usr/bin/env python3
"""Speed of the demonstrations under different builds of the same sources,
per compiler.

For each compiler installed (g++ and clang++), builds its default build (the
preset `default` for GCC, `clang` for Clang) and candidate variants, runs
sortshow and seqshow of every build alternately, round after round in a new
order each round, each run in a folder of its own, and prints per compiler the
median wall time of each build with its ratio to that compiler's default
build, and which profiled build was fastest. A benchmark, not a test: it prints figures and checks
nothing. Fewer than three rounds give noise, not a verdict.

    python3 bench/bench.py [--rounds N]
"""

import argparse
import random
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
PROGRAMS = ("sortshow", "seqshow")
DEFAULT = "default build"

# compiler, its preset, then (name, optimisation flags, profiled). Every
# variant keeps the build's rules for a truthful profile (no inlining, no
# sibling calls, no clones); only the optimisation differs, and the floor
# leaves out the counting hook.
COMPILERS = {
    "g++": ("default", [
        ("-O0 (classic IDE profiling build)", "-O0", True),
        ("-O1", "-O1", True),
        ("-O2", "-O2", True),
        ("-O3", "-O3", True),
        ("-O2 -fno-tree-slp-vectorize", "-O2 -fno-tree-slp-vectorize", True),
        ("-O3 -fno-tree-slp-vectorize", "-O3 -fno-tree-slp-vectorize", True),
        ("-O2 -fno-tree-slp-vectorize -ftree-partial-pre", "-O2 -fno-tree-slp-vectorize -ftree-partial-pre",
         True),
        ("-O3 -fno-tree-slp-vectorize -ftree-partial-pre", "-O3 -fno-tree-slp-vectorize -ftree-partial-pre",
         True),
        ("floor: the default's flags, no hook", "-O2 -fno-tree-slp-vectorize -ftree-partial-pre", False),
    ]),
    "clang++": ("clang", [
        ("-O1", "-O1", True),
        ("-O2", "-O2", True),
        ("-O3", "-O3", True),
        ("floor: the default's flags, no hook", "-O2", False),
    ]),
}


def sh(*command, **options):
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, **options)


def version(compiler: str) -> str:
    first = subprocess.run([compiler, "--version"], capture_output=True, text=True).stdout.splitlines()[0]
    number = re.search(r"\d+\.\d+(\.\d+)?", first)
    return f"{'GCC' if compiler == 'g++' else 'Clang'} {number[0] if number else first}"


def build_preset(preset: str) -> Path:
    sh("cmake", "--preset", preset, cwd=ROOT)
    sh("cmake", "--build", "--preset", preset, "--target", *PROGRAMS, cwd=ROOT)
    return ROOT / ("build" if preset == "default" else f"build-{preset}")


def build_variant(folder: Path, compiler: str, flags: str, profiled: bool) -> Path:
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
    if args.rounds < 3:
        print(f"bench: {args.rounds} round(s) give noise, not a verdict; use three or more", file=sys.stderr)
    if not shutil.which("cmake"):
        sys.exit("bench: cmake is not installed")
    compilers = [c for c in COMPILERS if shutil.which(c)]
    if not compilers:
        sys.exit("bench: neither g++ nor clang++ is installed")

    print("building ...", file=sys.stderr, flush=True)
    builds = []  # (compiler, name, folder)
    for compiler in compilers:
        preset, variants = COMPILERS[compiler]
        builds.append((compiler, DEFAULT, build_preset(preset)))
        for index, (name, flags, profiled) in enumerate(variants):
            folder = ROOT / "build-bench" / f"{compiler}-{index}"
            builds.append((compiler, name, build_variant(folder, compiler, flags, profiled)))

    times = {(compiler, name, program): [] for compiler, name, _ in builds for program in PROGRAMS}
    with tempfile.TemporaryDirectory() as scratch:
        # Every program runs from a path of the same length: the path is copied
        # onto the stack at start, and where the stack begins moves the sorts'
        # array, which alone changes sortshow's time by up to 15 %.
        copies = {}
        for index, (compiler, name, folder) in enumerate(builds):
            for program in PROGRAMS:
                copy = Path(scratch) / f"{index:03}" / program
                copy.parent.mkdir(exist_ok=True)
                copies[compiler, name, program] = Path(shutil.copy2(folder / program, copy))
        for round_ in range(args.rounds):
            print(f"round {round_ + 1} of {args.rounds}", file=sys.stderr, flush=True)
            # a new order every round, so that no build always runs after the same one
            for compiler, name, _ in random.Random(round_).sample(builds, len(builds)):
                for program in PROGRAMS:
                    times[compiler, name, program].append(timed(copies[compiler, name, program], Path(scratch)))

    median = {key: statistics.median(values) for key, values in times.items()}
    print(f"Medians of {args.rounds} alternating runs, {time.strftime('%Y-%m-%d')}, wall seconds; "
          "ratio = time / the compiler's default build's time")
    for compiler in compilers:
        print(f"\n{version(compiler)}\n")
        print("| build | sortshow | ratio | seqshow | ratio |")
        print("|---|---:|---:|---:|---:|")
        names = [name for c, name, _ in builds if c == compiler]
        for name in names:
            cells = []
            for program in PROGRAMS:
                value = median[compiler, name, program]
                cells += [f"{value:.3f}", f"{value / median[compiler, DEFAULT, program]:.2f}"]
            print(f"| {name} | " + " | ".join(cells) + " |")
        for program in PROGRAMS:
            best, fastest = min((median[compiler, name, program], name) for name in names
                                if not name.startswith("floor"))
            print(f"{program}: fastest profiled build {fastest} ({best:.3f} s); "
                  f"default / fastest = {median[compiler, DEFAULT, program] / best:.2f}")


if __name__ == "__main__":
    main()
