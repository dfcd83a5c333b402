"""The demo's report on real gprof output kept in fixtures/: good runs of both
programs, runs of the same sources built the ordinary way (-O2 -pg), runs of a
build that let GCC turn calls into jumps, and a 32-bit Windows run whose
counting hook is sampled as symbols without calls."""

import contextlib
import io
import re
import sys
import tempfile
import unittest
from pathlib import Path
from unittest import mock

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tools"))
import gmonfile  # noqa: E402
import gprofread  # noqa: E402
import render_chart  # noqa: E402
import render_graph  # noqa: E402
import render_markdown  # noqa: E402
import render_page  # noqa: E402
import report  # noqa: E402
import summary as summ  # noqa: E402
import theory  # noqa: E402

FIXTURES = Path(__file__).resolve().parent / "fixtures"


def fixture(name):
    return (FIXTURES / f"{name}.gprof.txt").read_text()


def summarise(name, program=None, wall=1.0, cpu=1.0, judge=True):
    program = program or name.split("-")[0]
    return summ.summarise(summ.Run(program, "\nUkazka ...\n", wall, cpu, fixture(name)), judge)


class FlatProfile(unittest.TestCase):
    def test_rows_in_gprof_order_with_calls_and_self_time(self):
        rows = gprofread.flat_profile(fixture("sortshow"))
        self.assertEqual([r.name for r in rows],
                         ["bubblesort", "selectsort", "shakersort", "generujpole", "quicksort"])
        self.assertEqual((rows[0].calls, rows[0].self_seconds), (1, 0.37))
        self.assertAlmostEqual(sum(r.percent for r in rows), 100.0, delta=0.5)
        self.assertEqual(gprofread.sample_period(fixture("sortshow")), 0.01)

    def test_symbols_without_calls(self):
        rows = {r.name: r for r in gprofread.flat_profile(fixture("seqshow-windows"))}
        self.assertEqual((rows["_mcount_private"].calls, rows["_mcount_private"].self_seconds), (None, 1.01))
        self.assertEqual((rows["Fibonacci_iteraci"].calls, rows["Fibonacci_iteraci"].self_seconds), (1, 0.0))


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
        self.assertEqual(theory.quicksort_calls(), 14492)

    def test_expected_counts(self):
        expected = {e.name: e for e in theory.seqshow() + theory.sortshow()}
        self.assertEqual(expected["Fibonacci_rekurzivne"].called, "1+331160280")
        self.assertEqual(expected["quicksort"].total_calls, 14492)
        self.assertEqual(expected["bubblesort"].work, 399960001)


class Judgement(unittest.TestCase):
    def test_good_runs_agree(self):
        sort, seq = summarise("sortshow"), summarise("seqshow")
        self.assertEqual(sort.mismatches + seq.mismatches, [])
        self.assertEqual([r.name for r in sort.rows][:3], ["bubblesort", "selectsort", "shakersort"])
        self.assertEqual(sort.rows[0].per_unit, f"{0.37 / 399960001 * 1e9:.2f} ns per comparison")
        self.assertEqual((seq.others, seq.program_seconds), ([], seq.sampled_seconds))

    def test_lost_calls_are_mismatches(self):
        sort, seq = summarise("sortshow-sibling-calls"), summarise("seqshow-sibling-calls")
        self.assertEqual(sort.mismatches, ["quicksort: the profile counts 1+7245 calls (7246 in all), "
                                           "the theory 1+14491 (14492 in all)"])
        self.assertEqual(len(seq.mismatches), 1)
        self.assertIn("165580141 in all", seq.mismatches[0])
        self.assertIn("## MISMATCH", render_markdown.markdown([sort, seq]))

    def test_extra_or_missing_call_counted_function_is_a_mismatch(self):
        run = summ.Run("sortshow", "", 1.0, 1.0, fixture("sortshow").replace("generujpole", "platform_rand"))
        mismatches = summ.summarise(run).mismatches
        self.assertIn("platform_rand is call-counted in the profile, but it is no function of the program",
                      mismatches)
        self.assertIn("generujpole has no call count in the profile", mismatches)

    def test_ordinary_build_is_not_judged_but_its_changes_are_named(self):
        sort = summarise("sortshow-ordinary", judge=False)
        seq = summarise("seqshow-ordinary", judge=False)
        self.assertEqual(sort.mismatches + seq.mismatches, [])
        changes = {c.row.name: c.what for c in summ.ordinary_changes(sort) + summ.ordinary_changes(seq)}
        self.assertEqual(set(changes), {"quicksort", "Fibonacci_rekurzivne", "Fibonacci_iteraci"})
        self.assertIn("1+7245 calls", changes["quicksort"])
        self.assertIn("1+15538219 calls", changes["Fibonacci_rekurzivne"])
        self.assertEqual(changes["Fibonacci_iteraci"], "gone from the profile: no calls counted")


class TimeAccount(unittest.TestCase):
    # (fixture, CPU seconds, what the account must say)
    CASES = [
        ("seqshow", 2.20, "ns for each of the 331 160 282 counted calls. That is the counting hook"),
        ("sortshow", 0.57, "within the sampling's uncertainty"),
        ("sortshow", 0.90, "do not explain it at any plausible cost of the counting hook"),
    ]

    def test_the_hook_is_named_only_where_the_counted_calls_explain_the_gap(self):
        for name, cpu, says in self.CASES:
            with self.subTest(name=name, cpu=cpu):
                s = summarise(name, wall=cpu, cpu=cpu)
                text = " ".join(summ.account(s))
                self.assertIn(says, text)
                self.assertEqual("counting hook (mcount)" in text, name == "seqshow")
                self.assertIn(f"{s.samples} samples of 0.01 s", text)

    def test_hook_cost_per_call(self):
        s = summarise("seqshow", cpu=2.20)
        self.assertAlmostEqual(s.hook_ns_per_call, (2.20 - s.sampled_seconds) / 331160282 * 1e9)

    def test_uncertainty_is_the_square_root_of_the_samples(self):
        bubble = summarise("sortshow").row("bubblesort")
        self.assertEqual(bubble.samples, 37)
        self.assertAlmostEqual(bubble.seconds_uncertainty, 37 ** 0.5 * 0.01)


class Renderings(unittest.TestCase):
    def setUp(self):
        self.sort, self.seq = summarise("sortshow", cpu=0.57), summarise("seqshow", cpu=2.2)
        self.ordinary = {"sortshow": summarise("sortshow-ordinary", judge=False),
                         "seqshow": summarise("seqshow-ordinary", judge=False)}

    def test_markdown_names_every_function(self):
        text = render_markdown.markdown([self.sort, self.seq])
        for e in theory.sortshow() + theory.seqshow():
            self.assertIn(f"| {e.name} |", text)
        self.assertIn("1+331160280 (331160281 in all)", text)
        self.assertIn("Every call count agrees with the theory.", text)

    def test_chart_shows_no_zero_times_and_keeps_inside_the_picture(self):
        chart = render_chart.summary_svg(self.sort, self.seq)
        for name in ["selectsort", "bubblesort", "shakersort", "quicksort", "Fibonacci_rekurzivne",
                     "Fibonacci_iteraci"]:
            self.assertIn(f">{name}<", chart)
        self.assertNotIn(">generujpole<", chart)  # not a sorting method: a note, not a bar
        self.assertIn("Not a sorting method: generujpole", chart)
        self.assertIn(">below one sample<", chart)
        self.assertNotIn("0.00 s", chart)
        self.assertIn(">10⁹<", chart)
        self.assertIn(">331 160 281<", chart)
        self.assertIn(">399 960 001<", chart)
        # panels at x 20 and 720; the right one's grid ends 20 px short of the edge
        self.assertIn('transform="translate(720,110)"', chart)
        ends = [float(x) for x in re.findall(r'x2="([\d.]+)"', chart.split("translate(720,110)")[1])]
        self.assertLessEqual(720 + max(ends), 1260)

    def test_graph_source(self):
        source = render_graph.dot_source(self.seq)
        self.assertIn("1 + 331 160 280 from itself", source)
        self.assertIn('"Fibonacci_rekurzivne" -> "Fibonacci_rekurzivne" [label=" 331 160 280"', source)
        self.assertIn('"main" -> "Fibonacci_iteraci" [label=" 1"]', source)
        self.assertIn("theory: 2*F(41)-1 = 331 160 281 calls", source)
        self.assertIn("below one sample", render_graph.dot_source(self.sort))

    def test_page_sections_in_order_with_the_theory_and_the_ordinary_build(self):
        page = render_page.page([self.sort, self.seq], self.ordinary, {}, "GNU 12.2.0")
        for program in ("sortshow", "seqshow"):
            section = page.split(f'<section id="{program}">')[1].split("</section>")[0]
            headings = re.findall(r"<h3>(\d)\. ", section)
            self.assertEqual(headings, ["1", "2", "3", "4", "5", "6"])
            self.assertIn("<details>", section)
            self.assertIn("below one sample", section)
            self.assertIn("sudo apt-get install graphviz", section)  # no graphs given
        self.assertIn("399 960 001", page)
        self.assertIn("331 160 281", page)
        self.assertIn('<span class="changed">1 + 7 245</span>', page)
        self.assertIn('<span class="changed">1 + 15 538 219</span>', page)
        self.assertIn("<b>Fibonacci_iteraci</b>: gone from the profile", page)
        self.assertIn("sibling call", page)
        self.assertIn("Every call count agrees with the theory.", page)
        self.assertNotIn("<script", page)
        self.assertIsNone(re.search(r'(src|href)="(?!#)', page))  # nothing to fetch

    @unittest.skipUnless(render_graph.dot_available(), "Graphviz's dot is not installed")
    def test_graph_picture(self):
        svg = render_graph.graph_svg(self.seq)
        self.assertTrue(svg.startswith("<svg"))
        self.assertIn("331 160 280", svg)


class Main(unittest.TestCase):
    def run_report(self, seqshow_fixture, dot=True):
        """The report with stand-ins for the programs and for gprof, which replays fixtures."""
        scratch = tempfile.TemporaryDirectory()
        self.addCleanup(scratch.cleanup)
        out = Path(scratch.name)
        bin = out / "bin"
        bin.mkdir()
        for name in ("sortshow", "seqshow", "sortshow_ordinary", "seqshow_ordinary"):
            (bin / name).write_text(f"#!/bin/sh\nprintf 'transcript\\n'\ncp '{FIXTURES}/seqshow.gmon.out' gmon.out\n")
            (bin / name).chmod(0o755)
        gprof = bin / "gprof"
        gprof.write_text(f"#!/bin/sh\ncase \"$2\" in */sortshow) cat '{FIXTURES}/sortshow.gprof.txt';; "
                         f"*/seqshow) cat '{FIXTURES}/{seqshow_fixture}.gprof.txt';; "
                         f"*/sortshow_ordinary) cat '{FIXTURES}/sortshow-ordinary.gprof.txt';; "
                         f"*) cat '{FIXTURES}/seqshow-ordinary.gprof.txt';; esac\n")
        gprof.chmod(0o755)
        stderr = io.StringIO()
        with contextlib.redirect_stdout(io.StringIO()), contextlib.redirect_stderr(stderr), \
                mock.patch.object(render_graph, "dot_available", return_value=dot):
            status = report.main(["--out", str(out), "--gprof", str(gprof), "--ordinary",
                                  str(bin / "sortshow_ordinary"), str(bin / "seqshow_ordinary"),
                                  str(bin / "sortshow"), str(bin / "seqshow")])
        return status, out, stderr.getvalue()

    def test_a_mismatch_fails_the_run_after_writing_everything(self):
        status, out, _ = self.run_report("seqshow-sibling-calls", dot=False)
        self.assertEqual(status, 1)
        for name in ["summary.md", "summary.svg", "index.html", "sortshow.gprof.txt", "seqshow.gprof.txt"]:
            self.assertTrue((out / name).is_file(), name)
        self.assertIn("MISMATCH", (out / "index.html").read_text())

    def test_without_dot_one_line_names_the_package_and_the_page_is_written(self):
        status, out, stderr = self.run_report("seqshow", dot=False)
        self.assertEqual(status, 0)
        self.assertEqual(stderr.strip().splitlines(),
                         ["The page's call graph pictures need Graphviz: sudo apt-get install graphviz"])
        page = (out / "index.html").read_text()
        self.assertIn("<pre>\ntranscript\n</pre>", page)
        self.assertEqual(page.count("<h3>"), 12)

    def test_a_64_bit_windows_profile_is_mended_before_gprof_reads_it(self):
        scratch = tempfile.TemporaryDirectory()
        self.addCleanup(scratch.cleanup)
        folder = Path(scratch.name)
        program = folder / "sortshow"
        program.write_text(f"#!/bin/sh\ncp '{FIXTURES}/sortshow-windows64.gmon.out' gmon.out\n")
        program.chmod(0o755)
        gprof = folder / "gprof"
        gprof.write_text(f"#!/bin/sh\ncat '{FIXTURES}/sortshow.gprof.txt'\n")
        gprof.chmod(0o755)
        with contextlib.redirect_stdout(io.StringIO()):
            run = report.run(program, folder / "run", str(gprof), "sortshow")
        profile = (folder / "run" / "gmon.out").read_bytes()
        self.assertEqual(gmonfile.mend(profile), (profile, 0))  # nothing left to mend
        self.assertIn("gprof would have read 10 call counts of this profile wrong", run.note)
        self.assertIn(run.note, summ.account(summ.summarise(run)))


if __name__ == "__main__":
    unittest.main()
