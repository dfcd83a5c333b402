"""The call graph as a picture: the project's reading of gprof's call graph
written in Graphviz's language and laid out by dot as SVG. A node per
function with its calls, self time and share, coloured by self time; an edge
per caller with its call count; the theory in a note beside a node."""

import re
import shutil
import subprocess
from html import escape

import summary as summ
import theory

# Self time as a share of the sampled time, light to dark: a sequential
# palette (viridis) that colour-blind readers tell apart and that stays in
# order of lightness in black-and-white print.
LEVELS = [  # (lower bound in %, label, fill, text)
    (None, "no sample", "#ffffff", "#000000"),
    (0.0, "under 5 %", "#fde725", "#000000"),
    (5.0, "5 to 25 %", "#5ec962", "#000000"),
    (25.0, "25 to 50 %", "#21918c", "#ffffff"),
    (50.0, "50 % and more", "#3b0f70", "#ffffff"),
]


def level(row: summ.Row):
    if not row.samples:
        return LEVELS[0]
    return [entry for entry in LEVELS[1:] if row.percent >= entry[0]][-1]


def calls_text(row: summ.Row) -> str:
    if "+" in row.called:
        return f"{theory.spaced_calls(row.called)} from itself"
    return f"{theory.spaced_calls(row.called or '0')} call{'' if row.called == '1' else 's'}"


def dot_source(s: summ.Summary) -> str:
    lines = [f'digraph "{s.program}" {{',
             '  graph [rankdir=LR, nodesep=0.3, ranksep=0.5, fontname="DejaVu Sans", bgcolor="white"];',
             '  node [shape=box, style="rounded,filled", fontname="DejaVu Sans", fontsize=16, penwidth=1.4];',
             '  edge [fontname="DejaVu Sans", fontsize=15];',
             '  main [label=<<b>main</b><br/>started by the C runtime>, fillcolor="#f2f2f2"];']
    for row in s.rows:
        _, _, fill, ink = level(row)
        seconds = (f"{row.self_seconds:.2f} s self, {row.percent:.1f} %" if row.samples
                   else f"below one sample (&lt; {s.sample_period:g} s)")
        style = ', style="rounded,filled,dashed"' if not row.samples else ""
        lines.append(f'  "{row.name}" [label=<<b>{escape(row.name)}</b><br/>{escape(calls_text(row))}'
                     f'<br/>{seconds}>, fillcolor="{fill}", fontcolor="{ink}"{style}];')
        lines.append(f'  "{row.name} theory" [shape=note, style=filled, fillcolor="#fffbe6", fontsize=14, '
                     f'label=<theory: {escape(row.expected.theory)}>];')
        lines.append(f'  "{row.name}" -> "{row.name} theory" [style=dashed, arrowhead=none, color="#999999"];')
        for caller, count in row.callers.items():
            if caller == row.name:
                lines.append(f'  "{row.name}" -> "{row.name}" [label=" {theory.spaced(count)}", dir=forward];')
            else:
                lines.append(f'  "{caller}" -> "{row.name}" [label=" {theory.spaced(count)}"];')
    lines.append("}")
    return "\n".join(lines) + "\n"


def legend_svg() -> str:
    """The colours' key, in the same SVG as the graphs so that it prints alike."""
    out = ['<svg xmlns="http://www.w3.org/2000/svg" width="760" height="40" viewBox="0 0 760 40" '
           'font-family="DejaVu Sans, Arial, sans-serif" role="img" aria-label="Colour key: self time">',
           '<text x="0" y="25" font-size="15">self time:</text>']
    x = 90
    for _, label, fill, _ in LEVELS:
        dash = ' stroke-dasharray="4 3"' if fill == "#ffffff" else ""
        out.append(f'<rect x="{x}" y="8" width="26" height="22" rx="4" fill="{fill}" stroke="#333"{dash}/>')
        out.append(f'<text x="{x + 32}" y="25" font-size="15">{escape(label)}</text>')
        x += 44 + 8 * len(label)
    out.append("</svg>")
    return "\n".join(out)


def dot_available() -> bool:
    return shutil.which("dot") is not None


def graph_svg(s: summ.Summary) -> str:
    """dot's layout as an SVG element to place inline in the page."""
    result = subprocess.run(["dot", "-Tsvg"], input=dot_source(s), capture_output=True, text=True, check=True)
    svg = result.stdout[result.stdout.index("<svg"):]
    svg = re.sub(r"<!--.*?-->\n?", "", svg, flags=re.DOTALL)
    return svg.replace("<svg ", f'<svg role="img" aria-label="Call graph of {s.program}" ', 1)
