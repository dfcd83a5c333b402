#!/usr/bin/env python3
"""The demonstration's report.

Runs sortshow and seqshow, each in a folder of its own under OUT, keeps gprof's
report of each run (OUT/PROGRAM.gprof.txt), and sets each profile beside the
work that the algorithms fix in advance: the summary (OUT/summary.md, also
printed), a chart (OUT/summary.svg) and the page (OUT/index.html). Where the
same sources built the ordinary way are given, they run too and the page shows
what their profiles count. A call count of this project's build that disagrees
with the theory is reported and makes the exit status 1.
"""

import argparse
import os
import subprocess
import sys
import time
from pathlib import Path

import gmonfile
import render_chart
import render_graph
import render_markdown
import render_page
import summary as summ


try:
    import resource
except ImportError:  # Windows: no resource usage of child processes
    resource = None


def _cpu_seconds() -> float | None:
    if resource is None:
        return None
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def run(program: Path, folder: Path, gprof: str, name: str, echo: bool = True) -> summ.Run:
    """One run in a fresh folder: the transcript (shown as it arrives), the
    wall and CPU time, and gprof's report of the profile."""
    folder.mkdir(parents=True, exist_ok=True)
    (folder / "gmon.out").unlink(missing_ok=True)
    print(f"== Starting {program.name} in {folder}", flush=True)
    cpu, start = _cpu_seconds(), time.monotonic()
    transcript = b""
    with subprocess.Popen([str(program.resolve())], cwd=folder, stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE) as child:
        while chunk := os.read(child.stdout.fileno(), 4096):
            transcript += chunk
            if echo:
                sys.stdout.write(chunk.decode(errors="replace"))
                sys.stdout.flush()
    wall = time.monotonic() - start
    cpu = None if cpu is None else _cpu_seconds() - cpu
    if child.returncode != 0:
        raise subprocess.CalledProcessError(child.returncode, str(program))
    profile = folder / "gmon.out"
    if not profile.is_file():
        raise SystemExit(f"{program.name} left no gmon.out in {folder}")
    mended, arcs = gmonfile.mend(profile.read_bytes())
    note = ""
    if arcs:
        profile.write_bytes(mended)
        note = (f"gprof would have read {arcs} call counts of this profile wrong: the 64-bit Windows runtime "
                "stores each count in 4 bytes followed by 4 bytes it never sets, and gprof reads all 8, so "
                "the garbage becomes the count's high half (137438953473 for 1, say). The report zeroed "
                "those 4 bytes first (tools/gmonfile.py), so these are the counts as they were counted.")
    report = subprocess.run([gprof, "-b", str(program.resolve()), "gmon.out"], cwd=folder,
                            check=True, capture_output=True, text=True).stdout
    return summ.Run(name, transcript.decode(errors="replace"), wall, cpu, report, note)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--out", required=True, type=Path, help="folder for the runs and the report")
    parser.add_argument("--gprof", default="gprof")
    parser.add_argument("--build", default="this project's profiling build", help="described on the page")
    parser.add_argument("--ordinary", nargs=2, type=Path, metavar=("SORTSHOW", "SEQSHOW"),
                        help="the same programs built the ordinary way (-O2 -pg)")
    parser.add_argument("sortshow", type=Path)
    parser.add_argument("seqshow", type=Path)
    args = parser.parse_args(argv)
    out = args.out
    summaries = [summ.summarise(run(path, out / name, args.gprof, name))
                 for name, path in (("sortshow", args.sortshow), ("seqshow", args.seqshow))]
    for s in summaries:
        (out / f"{s.program}.gprof.txt").write_text(s.run.report)
    ordinary = {}
    if args.ordinary:
        print("\n== The same sources built the ordinary way (-O2 -pg), for comparison", flush=True)
        for name, path in zip(("sortshow", "seqshow"), args.ordinary):
            ordinary[name] = summ.summarise(run(path, out / "ordinary" / name, args.gprof, name, echo=False),
                                            judge=False)
            (out / f"{name}-ordinary.gprof.txt").write_text(ordinary[name].run.report)
    if render_graph.dot_available():
        graphs = {s.program: render_graph.graph_svg(s) for s in summaries}
    else:
        graphs = {}
        print("\nThe page's call graph pictures need Graphviz: sudo apt-get install graphviz", file=sys.stderr)
    text = render_markdown.markdown(summaries)
    (out / "summary.md").write_text(text)
    (out / "summary.svg").write_text(render_chart.summary_svg(*summaries))
    (out / "index.html").write_text(render_page.page(summaries, ordinary, graphs, args.build))
    print(f"\n{text}\nWritten: {out / 'summary.md'}, {out / 'summary.svg'}, "
          f"{out / 'sortshow.gprof.txt'}, {out / 'seqshow.gprof.txt'}")
    print(f"\nThe page to open or project: {(out / 'index.html').resolve()}")
    if any(s.mismatches for s in summaries):
        print("\nMISMATCH: the profile disagrees with the theory; the demonstration would be lying.",
              file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
