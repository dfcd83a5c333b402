#!/usr/bin/env python3
"""The demonstration's report.

Runs sortshow and seqshow, each in a folder of its own under OUT, keeps gprof's
report of each run (OUT/PROGRAM.gprof.txt), sets the profile beside the work
that the algorithms fix in advance, and writes the summary (OUT/summary.md,
also printed) and a chart (OUT/summary.svg). A call count that disagrees with
the theory is reported and makes the exit status 1.
"""

import argparse
import subprocess
import sys
import time
from math import log10
from dataclasses import dataclass
from pathlib import Path

import gprofread

SIZE = 20000  # sortshow's array
VSTUP = 40  # seqshow's argument

BESIDE = ("Samples on other symbols are hits that the profile's histogram could not place exactly: "
          "its bins straddle function boundaries, so hits at a function's entry, where the counting hook "
          "is called, can land on the small symbol before it (frame_dummy, for one, is start-up code "
          "that runs once).")
UNSEEN = ("The counting hook (mcount) runs in the C library, outside the sampled program text, "
          "so its cost, paid on every function entry, is attributed to no function; "
          "start-up and the writing of gmon.out are not sampled either.")


def quicksort_calls() -> int:
    """The calls in quicksort's tree on sortshow's fourth array: the same generator and
    partition rules, counted here rather than profiled."""
    state = 1

    def rand():
        nonlocal state
        state = (state * 214013 + 2531011) % 2**32
        return (state >> 16) & 0x7FFF

    for _ in range(3 * SIZE):
        rand()
    a = [rand() // 1000 for _ in range(SIZE)]
    calls = 0

    def quicksort(levy, pravy):
        nonlocal calls
        calls += 1
        dolnimez, hornimez, mez = levy, pravy, a[(levy + pravy) // 2]
        while dolnimez <= hornimez:
            while a[dolnimez] < mez:
                dolnimez += 1
            while a[hornimez] > mez:
                hornimez -= 1
            if dolnimez <= hornimez:
                a[dolnimez], a[hornimez] = a[hornimez], a[dolnimez]
                dolnimez, hornimez = dolnimez + 1, hornimez - 1
        if hornimez > levy:
            quicksort(levy, hornimez)
        if dolnimez < pravy:
            quicksort(dolnimez, pravy)

    quicksort(0, SIZE - 1)
    return calls


def fibonacci(k: int) -> int:
    last_last, last = 0, 1
    for _ in range(k):
        last_last, last = last, last_last + last
    return last_last


@dataclass
class Row:
    name: str
    calls: str  # as gprof prints them
    total_calls: int
    self_seconds: float
    percent: float
    theory: str
    per_unit: str = ""


@dataclass
class Summary:
    program: str
    rows: list[Row]
    wall_seconds: float
    sampled_seconds: float  # all that the profile attributes to some symbol
    program_seconds: float  # of that, to the program's own functions
    others: list[str]  # symbols outside the program's functions that got samples
    mismatches: list[str]


def _profile(report: str):
    flat = {entry.name: entry for entry in gprofread.flat_profile(report)}
    return flat, gprofread.call_graph(report)


def _check_counted(graph, expected, mismatches):
    counted = {name for name, entry in graph.items() if entry.called}
    for name in sorted(counted - set(expected)):
        mismatches.append(f"{name} is call-counted in the profile, but it is no function of the program")
    for name in sorted(set(expected) - counted):
        mismatches.append(f"{name} has no call count in the profile")


def _check(graph, name, called, from_main, mismatches):
    entry = graph.get(name)
    if entry is None:
        return
    if called is not None and entry.called != called:
        mismatches.append(f"{name}: the profile counts {entry.called} calls, the theory {called}")
    if entry.callers.get("main") != from_main:
        mismatches.append(f"{name}: {entry.callers.get('main')} calls from main in the profile, "
                          f"the theory {from_main}")


def _summary(program, flat, wall, rows, mismatches):
    names = {row.name for row in rows} | {"main"}
    sampled = sum(entry.self_seconds for entry in flat.values())
    own = sum(entry.self_seconds for name, entry in flat.items() if name in names)
    others = [f"{name} {entry.self_seconds:.2f} s" for name, entry in flat.items()
              if name not in names and entry.self_seconds > 0]
    return Summary(program, rows, wall, sampled, own, others, mismatches)


def _row(flat, graph, name, theory):
    entry = flat.get(name)
    counted = graph.get(name)
    return Row(name, (counted.called if counted else "") or "0", counted.total_calls if counted else 0,
               entry.self_seconds if entry else 0.0, entry.percent if entry else 0.0, theory)


def sortshow_summary(report: str, wall: float) -> Summary:
    flat, graph = _profile(report)
    tree = quicksort_calls()
    comparisons = {"selectsort": SIZE * (SIZE - 1) // 2, "bubblesort": (SIZE - 1) ** 2}
    theory = {
        "selectsort": (f"n(n-1)/2 = {comparisons['selectsort']} comparisons", "1", 1),
        "bubblesort": (f"(n-1)^2 = {comparisons['bubblesort']} comparisons", "1", 1),
        "shakersort": ("depends on the data", "1", 1),
        "quicksort": (f"{tree} calls for these data, 1 of them from main", f"1+{tree - 1}", 1),
        "generujpole": (f"4 fillings of {SIZE} values", "4", 4),
    }
    mismatches = []
    _check_counted(graph, theory, mismatches)
    rows = []
    for name, (text, called, from_main) in theory.items():
        _check(graph, name, called, from_main, mismatches)
        row = _row(flat, graph, name, text)
        if name in comparisons and row.self_seconds > 0:
            row.per_unit = f"{row.self_seconds / comparisons[name] * 1e9:.2f} ns per comparison"
        rows.append(row)
    rows.sort(key=lambda row: row.self_seconds, reverse=True)
    return _summary("sortshow", flat, wall, rows, mismatches)


def seqshow_summary(report: str, wall: float) -> Summary:
    flat, graph = _profile(report)
    recursive_calls = 2 * fibonacci(VSTUP + 1) - 1
    mismatches = []
    _check_counted(graph, ["Fibonacci_rekurzivne", "Fibonacci_iteraci"], mismatches)
    _check(graph, "Fibonacci_rekurzivne", None, 1, mismatches)
    _check(graph, "Fibonacci_iteraci", "1", 1, mismatches)
    entry = graph.get("Fibonacci_rekurzivne")
    if entry is not None and entry.total_calls != recursive_calls:
        mismatches.append(f"Fibonacci_rekurzivne: the profile counts {entry.total_calls} calls "
                          f"({entry.called}), the theory 2*F({VSTUP + 1})-1 = {recursive_calls}")
    rows = [_row(flat, graph, "Fibonacci_rekurzivne", f"2*F({VSTUP + 1})-1 = {recursive_calls} calls"),
            _row(flat, graph, "Fibonacci_iteraci", f"1 call, {VSTUP - 1} additions")]
    if rows[0].self_seconds > 0 and rows[0].total_calls > 0:
        rows[0].per_unit = f"{rows[0].self_seconds / rows[0].total_calls * 1e9:.2f} ns per call"
    return _summary("seqshow", flat, wall, rows, mismatches)


def markdown(summaries: list[Summary]) -> str:
    lines = ["# What the algorithm costs: the profiles", ""]
    for s in summaries:
        lines += [f"## {s.program}", "",
                  "| function | calls | self seconds | share of sampled time | theory | measured per unit |",
                  "|---|---:|---:|---:|---|---|"]
        for row in s.rows:
            calls = f"{row.calls} ({row.total_calls} in all)" if "+" in row.calls else row.calls
            lines.append(f"| {row.name} | {calls} | {row.self_seconds:.2f} | {row.percent:.1f} % "
                         f"| {row.theory} | {row.per_unit} |")
        share = s.sampled_seconds / s.wall_seconds * 100 if s.wall_seconds else 0.0
        lines += ["", f"Wall time {s.wall_seconds:.2f} s; the profile attributes {s.sampled_seconds:.2f} s "
                  f"({share:.0f} %) to symbols, {s.program_seconds:.2f} s of it to the program's functions"
                  + (f" and the rest to other symbols ({', '.join(s.others)})" if s.others else "")
                  + f". The other {max(s.wall_seconds - s.sampled_seconds, 0.0):.2f} s the profile cannot see. "
                  + UNSEEN + (" " + BESIDE if s.others else ""), ""]
    mismatches = [f"- {s.program}: {m}" for s in summaries for m in s.mismatches]
    if mismatches:
        lines += ["## MISMATCH: the profile disagrees with the theory", ""] + mismatches + [""]
    else:
        lines += ["Every call count agrees with the theory.", ""]
    return "\n".join(lines)


def _escape(text: str) -> str:
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def svg(sort: Summary, seq: Summary) -> str:
    """Self time per sorting method and calls per Fibonacci method (log scale), as bars."""
    width, height = 1280, 720
    out = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" '
           f'viewBox="0 0 {width} {height}" font-family="DejaVu Sans, Arial, sans-serif">',
           f'<rect width="{width}" height="{height}" fill="white"/>',
           '<text x="640" y="52" font-size="34" font-weight="bold" text-anchor="middle">'
           'What the algorithm costs, as the profile measured it</text>']

    def panel(x0, slot, title, subtitle, bars, scale, label, ticks=()):
        top, bottom, gap = 150, 610, 40
        bar_width = slot - gap
        for fraction, text in ticks:
            y = bottom - fraction * (bottom - top - 40)
            out.append(f'<line x1="{x0}" y1="{y:.1f}" x2="{x0 + len(bars) * slot}" y2="{y:.1f}" '
                       'stroke="#ccc" stroke-width="1"/>')
            out.append(f'<text x="{x0 - 6}" y="{y + 6:.1f}" font-size="16" fill="#444" '
                       f'text-anchor="end">{_escape(text)}</text>')
        out.append(f'<text x="{x0}" y="112" font-size="24" font-weight="bold">{_escape(title)}</text>')
        out.append(f'<text x="{x0}" y="140" font-size="18" fill="#444">{_escape(subtitle)}</text>')
        out.append(f'<line x1="{x0}" y1="{bottom}" x2="{x0 + len(bars) * slot}" y2="{bottom}" '
                   'stroke="black" stroke-width="2"/>')
        for i, (name, value) in enumerate(bars):
            x = x0 + gap / 2 + i * slot
            h = scale(value) * (bottom - top - 40)
            out.append(f'<rect x="{x}" y="{bottom - h:.1f}" width="{bar_width}" height="{max(h, 2):.1f}" '
                       'fill="#2f6db5"/>')
            out.append(f'<text x="{x + bar_width / 2}" y="{bottom - h - 10:.1f}" font-size="20" '
                       f'text-anchor="middle">{_escape(label(value))}</text>')
            out.append(f'<text x="{x + bar_width / 2}" y="{bottom + 30}" font-size="17" '
                       f'text-anchor="middle">{_escape(name)}</text>')

    sort_bars = [(row.name, row.self_seconds) for row in sort.rows]
    longest = max((value for _, value in sort_bars), default=0) or 1
    panel(40, 150, f"sortshow: self time per method, {SIZE} elements", "seconds sampled by the profile",
          sort_bars, lambda v: v / longest, lambda v: f"{v:.2f} s")

    seq_bars = [(row.name, row.total_calls) for row in seq.rows]
    decades = 9  # the axis runs from 1 to 10^9 calls
    panel(880, 200, f"seqshow: calls for F({VSTUP})", "calls counted by the profile, log scale",
          seq_bars, lambda v: log10(v) / decades if v > 0 else 0, lambda v: f"{v:,}".replace(",", " "),
          ticks=[(k / decades, f"10^{k}" if k else "1") for k in range(0, decades + 1, 3)])
    out.append("</svg>")
    return "\n".join(out) + "\n"


def run(program: Path, out: Path, gprof: str) -> tuple[str, float]:
    folder = out / program.stem
    folder.mkdir(parents=True, exist_ok=True)
    (folder / "gmon.out").unlink(missing_ok=True)
    print(f"== Starting {program.stem} in {folder}", flush=True)
    start = time.monotonic()
    subprocess.run([str(program.resolve())], cwd=folder, check=True)
    wall = time.monotonic() - start
    report = subprocess.run([gprof, "-b", str(program.resolve()), "gmon.out"], cwd=folder,
                            check=True, capture_output=True, text=True).stdout
    (out / f"{program.stem}.gprof.txt").write_text(report)
    return report, wall


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--out", required=True, type=Path, help="folder for the runs and the report")
    parser.add_argument("--gprof", default="gprof")
    parser.add_argument("sortshow", type=Path)
    parser.add_argument("seqshow", type=Path)
    args = parser.parse_args(argv)
    sort = sortshow_summary(*run(args.sortshow, args.out, args.gprof))
    seq = seqshow_summary(*run(args.seqshow, args.out, args.gprof))
    text = markdown([sort, seq])
    (args.out / "summary.md").write_text(text)
    (args.out / "summary.svg").write_text(svg(sort, seq))
    print(f"\n{text}\nWritten: {args.out / 'summary.md'}, {args.out / 'summary.svg'}, "
          f"{args.out / 'sortshow.gprof.txt'}, {args.out / 'seqshow.gprof.txt'}")
    if sort.mismatches or seq.mismatches:
        print("\nMISMATCH: the profile disagrees with the theory; the demonstration would be lying.",
              file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
