"""Reading gprof's brief report (gprof -b): the flat profile and the call graph."""

import re
from dataclasses import dataclass, field

# "  53.92      0.98     0.98        1   981.32   981.32  bubblesort"
# " 12.21      0.37     0.05                             _init"  (no calls counted)
_FLAT = re.compile(
    r"^\s*(?P<percent>\d+\.\d+)\s+(?P<cumulative>\d+\.\d+)\s+(?P<self>\d+\.\d+)"
    r"(?:\s+(?P<calls>\d+)\s+\d+\.\d+\s+\d+\.\d+)?\s+(?P<name>\S.*?)\s*$")

# "[6]      0.0    0.00    0.00       1+14491   quicksort [6]"
# "[1]    100.0    0.00    1.82                 main [1]"
_PRIMARY = re.compile(
    r"^\[(?P<index>\d+)\]\s+\d+\.\d+\s+\d+\.\d+\s+\d+\.\d+"
    r"(?:\s+(?P<called>\d+(?:\+\d+)?))?\s+(?P<name>\S.*?) \[\d+\]\s*$")

# "                0.00    0.00       4/4           main [1]"
# "                               14491             quicksort [6]"
_RELATIVE = re.compile(
    r"^\s+(?:\d+\.\d+\s+\d+\.\d+\s+)?(?P<count>\d+)(?:/\d+)?\s+(?P<name>\S.*?) \[\d+\]\s*$")


@dataclass
class FlatEntry:
    name: str
    percent: float
    self_seconds: float
    calls: int | None  # None where gprof counted no calls (no counting hook)


@dataclass
class GraphEntry:
    name: str
    called: str  # as gprof prints it: "4", or "1+14491" for a recursive function
    callers: dict[str, int] = field(default_factory=dict)  # caller -> calls from it

    @property
    def total_calls(self) -> int:
        return total_calls(self.called)


def total_calls(called: str) -> int:
    """All the calls in gprof's form of a count: "4" is 4, "1+14491" is 14492, "" is none."""
    return sum(int(part) for part in called.split("+")) if called else 0


_PERIOD = re.compile(r"^Each sample counts as (?P<seconds>\d+(?:\.\d+)?) seconds\.", re.MULTILINE)


def sample_period(report: str) -> float:
    """The seconds that one sample stands for ("Each sample counts as 0.01 seconds.")."""
    match = _PERIOD.search(report)
    return float(match["seconds"]) if match else 0.01


def flat_profile(report: str) -> list[FlatEntry]:
    """The flat profile's rows, in gprof's order (most self time first)."""
    entries = []
    inside = False
    for line in report.splitlines():
        if line.lstrip().startswith("time   seconds"):
            inside = True
            continue
        if inside:
            match = _FLAT.match(line)
            if not match:
                if line.strip():
                    break
                continue
            calls = match["calls"]
            entries.append(FlatEntry(match["name"], float(match["percent"]),
                                     float(match["self"]), int(calls) if calls else None))
    return entries


def call_graph(report: str) -> dict[str, GraphEntry]:
    """The call graph's primary lines with their callers, by function name."""
    entries = {}
    callers: dict[str, int] = {}
    inside = False
    for line in report.splitlines():
        if line.startswith("index % time"):
            inside = True
            continue
        if not inside:
            continue
        if line.startswith("-----"):
            callers = {}
            continue
        if line.startswith("Index by function name"):
            break
        primary = _PRIMARY.match(line)
        if primary:
            entry = GraphEntry(primary["name"], primary["called"] or "", callers)
            entries[entry.name] = entry
            callers = None  # the lines below a primary line are its callees
            continue
        relative = _RELATIVE.match(line)
        if relative and callers is not None:
            callers[relative["name"]] = int(relative["count"])
    return entries
