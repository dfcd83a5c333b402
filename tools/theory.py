"""What the algorithms fix in advance: for each function of the two programs,
the calls that the profile must count and the work that one run does."""

from dataclasses import dataclass

import gprofread

SIZE = 20000  # sortshow's array
VSTUP = 40  # seqshow's argument


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


def spaced(number: int) -> str:
    """331160281 as 331 160 281."""
    return f"{number:,}".replace(",", " ")


def spaced_calls(called: str) -> str:
    """gprof's count in readable form: "1+14491" as "1 + 14 491", "4" as "4"."""
    return " + ".join(spaced(int(part)) for part in called.split("+"))


@dataclass
class Expected:
    name: str
    called: str  # as gprof prints it: "4", or "1+14491" for a recursive function
    from_main: int  # of those calls, how many come from main
    theory: str  # the work in words
    work: int = 0  # the units of work that the theory fixes, where it fixes them
    unit: str = ""  # "comparison" or "call"
    sorting: bool = False  # one of the four sorting methods
    optimiser: str = ""  # what an ordinary optimising build does to its calls, and the counter to it

    @property
    def total_calls(self) -> int:
        return gprofread.total_calls(self.called)


FOLDED = ("an ordinary build inlines it into its caller, so it is no function of its own any more: "
          "this build forbids inlining (-fno-inline)")


def sortshow() -> list[Expected]:
    tree = quicksort_calls()
    select, bubble = SIZE * (SIZE - 1) // 2, (SIZE - 1) ** 2
    return [
        Expected("selectsort", "1", 1, f"n(n-1)/2 = {spaced(select)} comparisons", select, "comparison", True,
                 FOLDED),
        Expected("bubblesort", "1", 1, f"(n-1)^2 = {spaced(bubble)} comparisons", bubble, "comparison", True,
                 FOLDED),
        Expected("shakersort", "1", 1, "comparisons depend on the data", sorting=True, optimiser=FOLDED),
        Expected("quicksort", f"1+{tree - 1}", 1, f"{spaced(tree)} calls for these data, 1 of them from main",
                 tree, "call", True,
                 "its second recursive call is the last thing it does, and an ordinary build makes that call "
                 "a jump (a sibling call), which the counting hook never sees: this build keeps every call "
                 "a call (-fno-optimize-sibling-calls)"),
        Expected("generujpole", "4", 4, f"4 fillings of {spaced(SIZE)} values", 4 * SIZE, "value",
                 optimiser=FOLDED),
    ]


def seqshow() -> list[Expected]:
    calls = 2 * fibonacci(VSTUP + 1) - 1
    return [
        Expected("Fibonacci_rekurzivne", f"1+{calls - 1}", 1, f"2*F({VSTUP + 1})-1 = {spaced(calls)} calls",
                 calls, "call",
                 optimiser="an ordinary build inlines the recursion into itself and makes its last call a jump, "
                           "so most calls become a loop inside one counted call: this build forbids both "
                           "(-fno-inline -fno-optimize-sibling-calls)"),
        Expected("Fibonacci_iteraci", "1", 1, f"1 call, {VSTUP - 1} additions", optimiser=FOLDED),
    ]


PROGRAMS = {"sortshow": sortshow, "seqshow": seqshow}
