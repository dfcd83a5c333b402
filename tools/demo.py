#!/usr/bin/env python3
"""Runs each demonstration in a folder of its own and shows gprof's report of it."""

import argparse
import subprocess
import sys
from pathlib import Path


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--out", required=True, help="folder for the runs and reports")
    parser.add_argument("--gprof", default="gprof")
    parser.add_argument("programs", nargs="+")
    args = parser.parse_args()
    out = Path(args.out)
    for program in map(Path, args.programs):
        folder = out / program.stem
        folder.mkdir(parents=True, exist_ok=True)
        (folder / "gmon.out").unlink(missing_ok=True)
        print(f"== {program.stem}", flush=True)
        subprocess.run([str(program.resolve())], cwd=folder, check=True)
        report = subprocess.run([args.gprof, "-b", str(program.resolve()), "gmon.out"], cwd=folder,
                                check=True, capture_output=True, text=True).stdout
        (out / f"{program.stem}.gprof.txt").write_text(report)
        print(report, flush=True)


if __name__ == "__main__":
    sys.exit(main())
