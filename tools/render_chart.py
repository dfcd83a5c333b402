"""The result at a glance, as SVG bars: sortshow's self time per sorting method
with the theory's work under each bar, and seqshow's calls on a log scale.
Each program's panel stands alone on the page; summary.svg sets both side by
side for a projector."""

from html import escape
from math import log10

import summary as summ
import theory

FONT = 'font-family="DejaVu Sans, Arial, Helvetica, sans-serif"'
BAR = "#2f6db5"
SUPERSCRIPT = str.maketrans("0123456789", "⁰¹²³⁴⁵⁶⁷⁸⁹")


def _text(x, y, text, size=18, anchor="middle", extra=""):
    return (f'<text x="{x:.1f}" y="{y:.1f}" font-size="{size}" text-anchor="{anchor}"{extra}>'
            f"{escape(text)}</text>")


def _bars(out, x0, slot, top, bottom, bars, inside=False):
    """bars: (name, fraction of the plot's height, label lines above, lines below)."""
    width = slot - 40
    for i, (name, fraction, above, below) in enumerate(bars):
        x = x0 + 20 + i * slot
        h = max(fraction * (bottom - top), 2)
        out.append(f'<rect x="{x}" y="{bottom - h:.1f}" width="{width}" height="{h:.1f}" fill="{BAR}"/>')
        if inside and h > 60:  # a label in the bar's top keeps clear of the grid lines
            out.append(_text(x + width / 2, bottom - h + 28, above[0], 19, extra=' fill="white"'))
            above = []
        for k, line in enumerate(reversed(above)):
            out.append(_text(x + width / 2, bottom - h - 10 - 22 * k, line, 19 if len(above) == 1 else 16))
        out.append(_text(x + width / 2, bottom + 28, name, 17, extra=' font-weight="bold"'))
        for k, line in enumerate(below):
            out.append(_text(x + width / 2, bottom + 52 + 19 * k, line, 15, extra=' fill="#333"'))
    out.append(f'<line x1="{x0}" y1="{bottom}" x2="{x0 + len(bars) * slot}" y2="{bottom}" '
               'stroke="black" stroke-width="2"/>')


def seconds_label(row: summ.Row, period: float) -> list[str]:
    if not row.samples:
        return ["below one sample", f"(< {period:g} s)"]
    return [f"{row.self_seconds:.2f} s"]


def sortshow_panel(s: summ.Summary) -> tuple[int, int, list[str]]:
    width, height, top, bottom = 680, 560, 130, 420
    out = [_text(0, 28, "sortshow: self time per sorting method", 24, "start", ' font-weight="bold"'),
           _text(0, 56, f"seconds sampled by the profile, {theory.spaced(theory.SIZE)} elements;", 17,
                 "start", ' fill="#333"'),
           _text(0, 78, "under each method, the work that the theory fixes", 17, "start", ' fill="#333"')]
    order = [e.name for e in theory.sortshow()]
    sorts = sorted((row for row in s.rows if row.expected.sorting), key=lambda row: order.index(row.name))
    longest = max((row.self_seconds for row in sorts), default=0) or 1
    work = {"comparison": "comparisons", "call": "calls"}
    bars = []
    for row in sorts:
        e = row.expected
        below = [theory.spaced(e.work), work[e.unit]] if e.work else ["comparisons depend", "on the data"]
        bars.append((row.name, row.self_seconds / longest, seconds_label(row, s.sample_period), below))
    _bars(out, 0, 170, top, bottom, bars)
    for row in s.rows:
        if not row.expected.sorting:
            time = (f"{row.self_seconds:.2f} s" if row.samples
                    else f"below one sample (< {s.sample_period:g} s)")
            out.append(_text(0, height - 34, f"Not a sorting method: {row.name}, {row.expected.theory}:",
                             16, "start", ' fill="#333"'))
            out.append(_text(0, height - 12, f"{time}.", 16, "start", ' fill="#333"'))
    return width, height, out


def seqshow_panel(s: summ.Summary) -> tuple[int, int, list[str]]:
    width, height, top, bottom, axis = 540, 560, 130, 420, 80
    decades = 10  # the axis runs from 1 to 10^10 calls, so the tallest label stays clear of the grid
    out = [_text(0, 28, f"seqshow: calls for F({theory.VSTUP})", 24, "start", ' font-weight="bold"'),
           _text(0, 56, "calls counted by the profile, log scale", 17, "start", ' fill="#333"')]
    for k in range(0, decades, 3):
        y = bottom - k / decades * (bottom - top)
        label = "1" if k == 0 else "10" + str(k).translate(SUPERSCRIPT)
        out.append(f'<line x1="{axis}" y1="{y:.1f}" x2="{axis + 2 * 230}" y2="{y:.1f}" stroke="#ccc"/>')
        out.append(_text(axis - 8, y + 6, label, 17, "end", ' fill="#444"'))
    bars = []
    for row in s.rows:
        calls = row.total_calls
        e = row.expected
        formula = e.theory.split(" = ")[0].replace("*", "·")
        below = [f"{formula} {e.unit}s"] if " = " in e.theory else [e.theory]
        bars.append((row.name, log10(calls) / decades if calls > 0 else 0, [theory.spaced(calls)], below))
    _bars(out, axis, 230, top, bottom, bars, inside=True)
    return width, height, out


def standalone(panel: tuple[int, int, list[str]], label: str) -> str:
    width, height, out = panel
    pad = 16
    return (f'<svg xmlns="http://www.w3.org/2000/svg" role="img" aria-label="{escape(label)}" '
            f'width="{width + 2 * pad}" height="{height + 2 * pad}" '
            f'viewBox="{-pad} {-pad} {width + 2 * pad} {height + 2 * pad}" {FONT}>\n'
            + "\n".join(out) + "\n</svg>\n")


def sortshow_chart(s: summ.Summary) -> str:
    return standalone(sortshow_panel(s), "Self time per sorting method")


def seqshow_chart(s: summ.Summary) -> str:
    return standalone(seqshow_panel(s), "Calls per Fibonacci method, log scale")


def summary_svg(sort: summ.Summary, seq: summ.Summary) -> str:
    """Both panels on one 1280x720 picture."""
    width, height = 1280, 720
    out = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" '
           f'viewBox="0 0 {width} {height}" {FONT}>',
           f'<rect width="{width}" height="{height}" fill="white"/>',
           _text(width / 2, 52, "What the algorithm costs, as the profile measured it", 32,
                 extra=' font-weight="bold"')]
    for x, (_, _, elements) in ((20, sortshow_panel(sort)), (720, seqshow_panel(seq))):
        out.append(f'<g transform="translate({x},110)">')
        out += elements
        out.append("</g>")
    out.append("</svg>")
    return "\n".join(out) + "\n"
