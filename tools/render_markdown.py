"""The summary as markdown (summary.md, also printed at the end of the demo)."""

import summary as summ


def markdown(summaries: list[summ.Summary]) -> str:
    lines = ["# What the algorithm costs: the profiles", ""]
    for s in summaries:
        lines += [f"## {s.program}", "",
                  "| function | calls | self seconds | share of sampled time | theory | measured per unit |",
                  "|---|---:|---:|---:|---|---|"]
        for row in s.rows:
            calls = f"{row.called} ({row.total_calls} in all)" if "+" in row.called else (row.called or "0")
            seconds = f"{row.self_seconds:.2f}" if row.samples else f"< {s.sample_period:g} (no sample)"
            lines.append(f"| {row.name} | {calls} | {seconds} | {row.percent:.1f} % "
                         f"| {row.expected.theory} | {row.per_unit} |")
        lines += [""] + [" ".join(summ.account(s))] + [""]
    mismatches = [f"- {s.program}: {m}" for s in summaries for m in s.mismatches]
    if mismatches:
        lines += ["## MISMATCH: the profile disagrees with the theory", ""] + mismatches + [""]
    else:
        lines += ["Every call count agrees with the theory.", ""]
    return "\n".join(lines)
