"""One run of a program read once: its transcript, its times, gprof's report
of its profile, and that profile set beside the theory. Every rendering of the
demo (markdown, chart, call graph, page) draws on a Summary."""

from dataclasses import dataclass, field
from math import sqrt

import gprofread
import theory

# The counting hook explains the time that the profile cannot see only where
# the counted calls, at a plausible cost each, add up to it.
HOOK_NS_PER_CALL_MAX = 50.0


@dataclass
class Run:
    program: str
    transcript: str
    wall_seconds: float
    cpu_seconds: float | None  # the child's user and system time, where the system tells it
    report: str  # gprof -b
    note: str = ""  # what the report had to mend in the profile before gprof read it


@dataclass
class Row:
    expected: theory.Expected
    called: str  # as gprof prints it; "" where the profile counted no calls
    total_calls: int
    callers: dict[str, int]
    self_seconds: float
    samples: int
    percent: float  # of the sampled time

    @property
    def name(self) -> str:
        return self.expected.name

    @property
    def seconds_uncertainty(self) -> float:
        """n samples are uncertain by about the square root of n."""
        return sqrt(self.samples) * (self.self_seconds / self.samples) if self.samples else 0.0

    @property
    def per_unit(self) -> str:
        e = self.expected
        if not (e.work and e.unit in ("comparison", "call") and self.samples):
            return ""
        return f"{self.self_seconds / e.work * 1e9:.2f} ns per {e.unit}"


@dataclass
class Summary:
    run: Run
    rows: list[Row]
    sample_period: float
    sampled_seconds: float  # all that the profile attributes to some symbol
    program_seconds: float  # of that, to the program's own functions
    others: list[str]  # symbols outside the program's functions that got samples
    mismatches: list[str] = field(default_factory=list)

    @property
    def program(self) -> str:
        return self.run.program

    @property
    def samples(self) -> int:
        return round(self.sampled_seconds / self.sample_period)

    @property
    def counted_calls(self) -> int:
        return sum(row.total_calls for row in self.rows)

    @property
    def run_seconds(self) -> float:
        """The run's CPU time, or its wall time where the system does not tell the CPU time."""
        return self.run.wall_seconds if self.run.cpu_seconds is None else self.run.cpu_seconds

    @property
    def unseen_seconds(self) -> float:
        """Time of the run that the profile attributes to no symbol."""
        return max(self.run_seconds - self.sampled_seconds, 0.0)

    @property
    def hook_ns_per_call(self) -> float | None:
        """The unseen time per counted call, where the counting hook explains it."""
        noise = 2 * sqrt(max(self.samples, 1)) * self.sample_period
        if self.counted_calls == 0 or self.unseen_seconds <= noise:
            return None
        per_call = self.unseen_seconds / self.counted_calls * 1e9
        return per_call if per_call <= HOOK_NS_PER_CALL_MAX else None

    def row(self, name: str) -> Row | None:
        return next((row for row in self.rows if row.name == name), None)


def summarise(run: Run, judge: bool = True) -> Summary:
    """The run's profile beside the theory. With judge, every call count that
    disagrees with the theory is a mismatch."""
    flat = {entry.name: entry for entry in gprofread.flat_profile(run.report)}
    graph = gprofread.call_graph(run.report)
    period = gprofread.sample_period(run.report)
    expected = theory.PROGRAMS[run.program]()
    rows = []
    for e in expected:
        entry, counted = flat.get(e.name), graph.get(e.name)
        seconds = entry.self_seconds if entry else 0.0
        rows.append(Row(e, counted.called if counted else "", counted.total_calls if counted else 0,
                        dict(counted.callers) if counted else {}, seconds, round(seconds / period),
                        entry.percent if entry else 0.0))
    rows.sort(key=lambda row: row.self_seconds, reverse=True)
    names = {e.name for e in expected} | {"main"}
    sampled = sum(entry.self_seconds for entry in flat.values())
    own = sum(entry.self_seconds for name, entry in flat.items() if name in names)
    others = [f"{name} {entry.self_seconds:.2f} s" for name, entry in flat.items()
              if name not in names and entry.self_seconds > 0]
    summary = Summary(run, rows, period, sampled, own, others)
    if judge:
        summary.mismatches = mismatches(summary, graph)
    return summary


def mismatches(summary: Summary, graph: dict) -> list[str]:
    found = []
    expected = {row.name for row in summary.rows}
    counted = {name for name, entry in graph.items() if entry.called}
    for name in sorted(counted - expected):
        found.append(f"{name} is call-counted in the profile, but it is no function of the program")
    for row in summary.rows:
        e = row.expected
        if not row.called:
            found.append(f"{row.name} has no call count in the profile")
            continue
        if row.called != e.called:
            found.append(f"{row.name}: the profile counts {row.called} calls ({row.total_calls} in all), "
                         f"the theory {e.called} ({e.total_calls} in all)")
        if row.callers.get("main") != e.from_main:
            found.append(f"{row.name}: {row.callers.get('main')} calls from main in the profile, "
                         f"the theory {e.from_main}")
    return found


@dataclass
class Change:
    """A function whose calls an ordinary build counts otherwise than the theory."""
    row: Row  # in the ordinary build's profile
    what: str  # what the profile shows


def ordinary_changes(ordinary: Summary) -> list[Change]:
    changes = []
    for row in ordinary.rows:
        e = row.expected
        if not row.called:
            changes.append(Change(row, "gone from the profile: no calls counted"))
        elif row.total_calls != e.total_calls:
            changes.append(Change(row, f"{row.called} calls ({theory.spaced(row.total_calls)} in all) "
                                       f"instead of {e.called} ({theory.spaced(e.total_calls)})"))
    return changes


def account(summary: Summary) -> list[str]:
    """The time account of the run in sentences: what was measured, what the
    profile sampled, and what it cannot see, with the cause where it is known."""
    s, run = summary, summary.run
    noise = sqrt(max(s.samples, 1))
    cpu = ("CPU time not measured here: the wall time stands in for it" if run.cpu_seconds is None
           else f"CPU time {run.cpu_seconds:.2f} s (the program's own user and system time)")
    lines = [f"Wall time {run.wall_seconds:.2f} s; {cpu}.",
             f"The profile sampled {s.sampled_seconds:.2f} s: {s.samples} samples of {s.sample_period:g} s, "
             f"uncertain by about ±{noise:.0f} samples (the square root of their number); "
             f"{s.program_seconds:.2f} s of it in the program's functions"
             + (f", the rest on other symbols ({', '.join(s.others)})." if s.others else ".")]
    measured = "wall" if run.cpu_seconds is None else "CPU"
    unseen = f"{s.unseen_seconds:.2f} s of {measured} time the profile cannot see"
    per_call = s.hook_ns_per_call
    if per_call is not None:
        lines.append(f"{unseen}: about {per_call:.1f} ns for each of the {theory.spaced(s.counted_calls)} "
                     "counted calls. That is the counting hook (mcount), which runs on every function entry "
                     "in the C library, outside the sampled program text.")
    elif s.unseen_seconds <= 2 * noise * s.sample_period:
        lines.append(f"{unseen}, within the sampling's uncertainty: start-up, the writing of gmon.out "
                     "and noise.")
    else:
        lines.append(f"{unseen}. The {theory.spaced(s.counted_calls)} counted calls do not explain it at any "
                     "plausible cost of the counting hook: it is start-up, the writing of gmon.out "
                     "and noise.")
    if run.note:
        lines.append(run.note)
    return lines
