"""The report's reading of gprof and its comparison with the theory, on real
gprof output kept in fixtures/: a good run of each program, and runs of a
build that let GCC turn calls into jumps (too few calls counted)."""

import contextlib
import io
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tools"))
import gprofread  # noqa: E402
import report  # noqa: E402

FIXTURES = Path(__file__).resolve().parent / "fixtures"


def fixture(name):
    return (FIXTURES / f"{name}.gprof.txt").read_text()


class FlatProfile(unittest.TestCase):
    def test_rows_in_gprof_order_with_calls_and_self_time(self):
        rows = gprofread.flat_profile(fixture("sortshow"))
        self.assertEqual([r.name for r in rows],
                         ["bubblesort", "shakersort", "selectsort", "generujpole", "quicksort"])
        self.assertEqual(rows[0].calls, 1)
        self.assertGreater(rows[0].self_seconds, 0.5)
        self.assertAlmostEqual(sum(r.percent for r in rows), 100.0, delta=0.5)

    def test_function_without_samples_and_symbol_without_calls(self):
        rows = {r.name: r for r in gprofread.flat_profile(fixture("seqshow"))}
        self.assertEqual((rows["Fibonacci_iteraci"].calls, rows["Fibonacci_iteraci"].self_seconds), (1, 0.0))
        self.assertIsNone(rows["frame_dummy"].calls)
        self.assertGreater(rows["frame_dummy"].self_seconds, 0)


class CallGraph(unittest.TestCase):
    def test_counts_and_callers(self):
        graph = gprofread.call_graph(fixture("sortshow"))
        self.assertEqual(graph["generujpole"].called, "4")
        self.assertEqual(graph["generujpole"].callers, {"main": 4})
        self.assertEqual(graph["main"].called, "")  # spontaneous: called from outside the profile

    def test_recursive_function(self):
        entry = gprofread.call_graph(fixture("seqshow"))["Fibonacci_rekurzivne"]
        self.assertEqual(entry.called, "1+331160280")
        self.assertEqual(entry.total_calls, 331160281)
        self.assertEqual(entry.callers, {"main": 1, "Fibonacci_rekurzivne": 331160280})


class Theory(unittest.TestCase):
    def test_quicksort_tree_of_the_fourth_array(self):
        self.assertEqual(report.quicksort_calls(), 14492)

    def test_good_runs_agree(self):
        sort = report.sortshow_summary(fixture("sortshow"), wall=1.9)
        seq = report.seqshow_summary(fixture("seqshow"), wall=2.5)
        self.assertEqual(sort.mismatches + seq.mismatches, [])
        self.assertEqual([r.name for r in sort.rows][:3], ["bubblesort", "shakersort", "selectsort"])
        bubble = sort.rows[0]
        self.assertEqual(bubble.per_unit, f"{bubble.self_seconds / 399960001 * 1e9:.2f} ns per comparison")
        self.assertEqual(seq.others, ["frame_dummy 0.06 s"])
        self.assertAlmostEqual(seq.sampled_seconds, 0.30)
        self.assertAlmostEqual(seq.program_seconds, 0.24)

    def test_lost_calls_are_mismatches(self):
        sort = report.sortshow_summary(fixture("sortshow-sibling-calls"), wall=1.9)
        seq = report.seqshow_summary(fixture("seqshow-sibling-calls"), wall=2.5)
        self.assertEqual(sort.mismatches, ["quicksort: the profile counts 1+7245 calls, the theory 1+14491"])
        self.assertEqual(len(seq.mismatches), 1)
        self.assertIn("165580141", seq.mismatches[0])
        self.assertIn("## MISMATCH", report.markdown([sort, seq]))

    def test_extra_call_counted_function_is_a_mismatch(self):
        text = fixture("sortshow").replace("generujpole", "platform_rand")
        mismatches = report.sortshow_summary(text, wall=1.9).mismatches
        self.assertIn("platform_rand is call-counted in the profile, but it is no function of the program",
                      mismatches)
        self.assertIn("generujpole has no call count in the profile", mismatches)


class Outputs(unittest.TestCase):
    def test_summary_and_chart_name_every_method(self):
        sort = report.sortshow_summary(fixture("sortshow"), wall=1.9)
        seq = report.seqshow_summary(fixture("seqshow"), wall=2.5)
        text = report.markdown([sort, seq])
        chart = report.svg(sort, seq)
        for name in ["selectsort", "bubblesort", "shakersort", "quicksort", "generujpole",
                     "Fibonacci_rekurzivne", "Fibonacci_iteraci"]:
            self.assertIn(f"| {name} |", text)
            self.assertIn(f">{name}<", chart)
        self.assertIn("1+331160280 (331160281 in all)", text)
        self.assertIn(">331 160 281<", chart)
        self.assertIn("Every call count agrees with the theory.", text)

    def test_a_mismatch_fails_the_run_after_writing_the_report(self):
        # Stand-ins for the programs and for gprof, which replays the fixtures.
        with tempfile.TemporaryDirectory() as out:
            bin = Path(out) / "bin"
            bin.mkdir()
            program = bin / "sortshow"
            program.write_text("#!/bin/sh\n")
            program.chmod(0o755)
            other = bin / "seqshow"
            other.write_text("#!/bin/sh\n")
            other.chmod(0o755)
            gprof = bin / "gprof"
            gprof.write_text(f"#!/bin/sh\ncase \"$2\" in */sortshow) cat '{FIXTURES}/sortshow.gprof.txt';; "
                             f"*) cat '{FIXTURES}/seqshow-sibling-calls.gprof.txt';; esac\n")
            gprof.chmod(0o755)
            with contextlib.redirect_stdout(io.StringIO()), contextlib.redirect_stderr(io.StringIO()):
                status = report.main(["--out", out, "--gprof", str(gprof), str(program), str(other)])
            self.assertEqual(status, 1)
            for name in ["summary.md", "summary.svg", "sortshow.gprof.txt", "seqshow.gprof.txt"]:
                self.assertTrue((Path(out) / name).is_file(), name)


if __name__ == "__main__":
    unittest.main()
