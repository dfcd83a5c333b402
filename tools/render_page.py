"""The page a teacher projects: one self-contained HTML file (inline SVG and
CSS, no script, nothing fetched) with, for each program, what it printed, the
chart, the call graph, the time account, what an ordinary build would show,
and gprof's own report."""

from html import escape

import render_chart
import render_graph
import summary as summ
import theory

CSS = """
:root { color-scheme: light; }
body { font-family: "DejaVu Sans", Arial, Helvetica, sans-serif; font-size: 20px; line-height: 1.4;
       color: #111; background: #fff; margin: 0 auto; max-width: 1220px; padding: 16px 24px; }
h1 { font-size: 34px; margin: 8px 0; }
h2 { font-size: 30px; border-bottom: 3px solid #2f6db5; margin-top: 40px; }
h3 { font-size: 24px; margin: 28px 0 8px; }
pre { font-size: 17px; background: #f4f4f4; padding: 10px 14px; overflow-x: auto; }
table { border-collapse: collapse; margin: 8px 0; font-size: 18px; }
th, td { border: 1px solid #999; padding: 4px 10px; text-align: left; vertical-align: top; }
td.n { text-align: right; font-variant-numeric: tabular-nums; }
.wide { overflow-x: auto; }
svg { max-width: 100%; height: auto; }
.verdict { font-weight: bold; padding: 8px 12px; border: 3px solid #2f6db5; display: inline-block; }
.mismatch { border-color: #b00020; color: #b00020; }
.changed { font-weight: bold; }
.note { color: #333; }
nav a { margin-right: 18px; }
@media print {
  body { font-size: 12pt; max-width: none; }
  table { font-size: 10pt; }
  .wide { overflow: visible; }
  section + section { break-before: page; }
  h3 { break-after: avoid; }
  figure { break-inside: avoid; margin: 0; }
  figure svg { max-height: 11cm; }
  * { -webkit-print-color-adjust: exact; print-color-adjust: exact; }
}
"""


def seconds(row: summ.Row, period: float) -> str:
    return f"{row.self_seconds:.2f} s" if row.samples else f"below one sample (&lt; {period:g} s)"


def table(head: list[str], rows: list[list[str]], numeric: set[int] = frozenset()) -> str:
    out = ['<div class="wide"><table>', "<tr>" + "".join(f"<th>{h}</th>" for h in head) + "</tr>"]
    for cells in rows:
        out.append("<tr>" + "".join(f'<td class="n">{c}</td>' if i in numeric else f"<td>{c}</td>"
                                    for i, c in enumerate(cells)) + "</tr>")
    out.append("</table></div>")
    return "\n".join(out)


def calls(called: str) -> str:
    return theory.spaced_calls(called) if called else "no calls counted"


def time_account(s: summ.Summary) -> str:
    rows = []
    for row in s.rows:
        spread = (f"± {row.seconds_uncertainty:.2f} s (± {row.samples ** 0.5:.0f} samples)" if row.samples
                  else "")
        rows.append([escape(row.name), calls(row.called), str(row.samples), seconds(row, s.sample_period),
                     spread, f"{row.percent:.1f} %"])
    return (table(["function", "calls", "samples", "self time", "sampling uncertainty", "share"], rows,
                  {1, 2, 3, 4, 5})
            + "\n" + "\n".join(f"<p>{escape(line)}</p>" for line in summ.account(s)))


def ordinary_section(own: summ.Summary, ordinary: summ.Summary | None) -> str:
    if ordinary is None:
        return '<p class="note">The ordinary build was not run.</p>'
    changes = {change.row.name: change for change in summ.ordinary_changes(ordinary)}
    rows = []
    for row in own.rows:
        other = ordinary.row(row.name)
        changed = row.name in changes
        cell = calls(other.called) if other else "no calls counted"
        rows.append([escape(row.name), calls(row.expected.called), calls(row.called),
                     f'<span class="changed">{cell}</span>' if changed else cell,
                     seconds(row, own.sample_period), seconds(other, ordinary.sample_period) if other else ""])
    intro = ("<p>The same sources built the way gprof tutorials build them, <code>-O2 -pg</code> and nothing "
             "else, run and read the same way. Counts in <b>bold</b> differ from the theory: the optimiser "
             "changed them, not the algorithm. That is the lesson, not a fault of the demonstration.</p>")
    parts = [intro, table(["function", "theory", "this project's build", "ordinary build",
                           "self time here", "self time ordinary"], rows, {1, 2, 3, 4, 5})]
    if changes:
        parts.append("<ul>")
        for name, change in changes.items():
            parts.append(f"<li><b>{escape(name)}</b>: {escape(change.what)}. Why: "
                         f"{escape(change.row.expected.optimiser)}.</li>")
        parts.append("</ul>")
    else:
        parts.append("<p>Here the ordinary build counted every call as the theory says.</p>")
    slower = [f"{escape(row.name)} {other.self_seconds / row.self_seconds:.1f} times"
              for row in own.rows if row.samples and (other := ordinary.row(row.name)) and other.samples
              and other.self_seconds >= 1.5 * row.self_seconds]
    if slower:
        parts.append(f"<p>The ordinary build is also slower here: {', '.join(slower)} the time of this project's "
                     "build. Its optimiser compiles these loops otherwise (the README's section on speed says "
                     "how); the work, and so the comparison of the methods, is the same.</p>")
    return "\n".join(parts)


GUIDE = """<p>How to read gprof's report:</p>
<ul>
<li>The flat profile's <code>calls</code> column counts only the calls from outside a recursion: it shows 1
for <code>Fibonacci_rekurzivne</code>. The call graph shows all of them as <code>1+331160280</code>: 1 call from
outside (from <code>main</code>) and 331 160 280 from itself.</li>
<li>In the call graph, a line above a function names a caller and how many of the calls came from it
(<code>4/4 main</code>); a line below names a function it called.</li>
<li>"Each sample counts as 0.01 seconds": 100 times a second the runtime notes where the program is, and each
note adds 0.01 s to the function it finds there. A function that was never found shows 0.00: it took less than
one sample, which is not the same as no time.</li>
</ul>"""


def program_section(s: summ.Summary, ordinary: summ.Summary | None, graph: str | None) -> str:
    chart = render_chart.sortshow_chart(s) if s.program == "sortshow" else render_chart.seqshow_chart(s)
    if graph is None:
        graph_html = ('<p class="note">The call graph picture needs Graphviz\'s <code>dot</code>: '
                      "<code>sudo apt-get install graphviz</code>, then run the demo again.</p>")
    else:
        graph_html = f"<figure>{render_graph.legend_svg()}\n{graph}</figure>"
    mismatch = "".join(f"<li>{escape(m)}</li>" for m in s.mismatches)
    return f"""<section id="{s.program}">
<h2>{s.program}</h2>
{f'<div class="verdict mismatch">MISMATCH: the profile disagrees with the theory<ul>{mismatch}</ul></div>'
 if s.mismatches else ''}
<h3>1. What it printed</h3>
<pre>
{escape(s.run.transcript)}</pre>
<h3>2. The result at a glance</h3>
<figure>{chart}</figure>
<h3>3. The call graph</h3>
{graph_html}
<h3>4. The time account</h3>
{time_account(s)}
<h3>5. What an ordinary build would show</h3>
{ordinary_section(s, ordinary)}
<h3>6. gprof's own report</h3>
{GUIDE}
{f'<p>{escape(s.run.note)}</p>' if s.run.note else ''}
<details><summary>gprof -b, as it printed it</summary>
<pre>{escape(s.run.report)}</pre>
</details>
</section>"""


def page(summaries: list[summ.Summary], ordinary: dict[str, summ.Summary], graphs: dict[str, str | None],
         build: str) -> str:
    agree = not any(s.mismatches for s in summaries)
    verdict = ('<p class="verdict">Every call count agrees with the theory.</p>' if agree else
               '<p class="verdict mismatch">MISMATCH: a profile disagrees with the theory; '
               "the demonstration would be lying.</p>")
    nav = " ".join(f'<a href="#{s.program}">{s.program}</a>' for s in summaries)
    sections = "\n".join(program_section(s, ordinary.get(s.program), graphs.get(s.program)) for s in summaries)
    return f"""<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>What the algorithm costs: the profiles</title>
<style>{CSS}</style>
</head>
<body>
<h1>What the algorithm costs: the profiles</h1>
<p>Two programs, each run once with execution profiling, their profiles read with gprof and set beside what the
algorithms fix in advance. Build: {escape(build)}.</p>
{verdict}
<nav>{nav}</nav>
{sections}
</body>
</html>
"""
