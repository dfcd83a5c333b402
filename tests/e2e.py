#!/usr/bin/env python3
"""End-to-end checks of one demonstration program, each run in a fresh folder.

  e2e.py run        the exact transcript, status 0, gmon.out left, its histogram
                    in bins of exactly 4 bytes, the call counts that gprof reads
                    from it, and sampled time on the programs' functions only
  e2e.py full       standard output is /dev/full: every step still runs and the
                    profile is written, but the program says so and exits 1
  e2e.py no-profile gmon.out cannot be written: the profiling runtime says so,
                    the transcript and the status stay as they are
  e2e.py pipe       the first announcement arrives through a pipe while the
                    program is still running
  e2e.py closed-pipe
                    the reader of the pipe goes away after the first
                    announcement: every step still runs and the profile is
                    written with its call counts, the program says so and exits 1
  e2e.py pe         a Windows program: a PE32 (PE32+) console program that loads
                    only KERNEL32.dll and the C runtime and is not marked for
                    address-space randomisation (with which Windows leaves the
                    profile empty; Wine does not show that)
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tools"))
import gmonfile  # noqa: E402
import gprofread  # noqa: E402

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def fresh(folder: Path) -> Path:
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    return folder


def command(args):
    return args.emulator + [str(Path(args.program).resolve())]


def text_mode(args, text: bytes) -> bytes:
    """What a text written in text mode arrives as."""
    return text.replace(b"\n", b"\r\n") if args.crlf else text


def expected_transcript(args) -> bytes:
    return text_mode(args, Path(args.expect).read_bytes())


def program_name(args) -> str:
    return Path(args.program).stem


def run(args, folder: Path, **popen):
    return subprocess.run(command(args), cwd=folder, stdin=subprocess.DEVNULL,
                          capture_output="stdout" not in popen, timeout=args.timeout, **popen)


def expected_calls(path):
    """Lines of 'function  called-as-gprof-prints-it  calls-from-main'."""
    table = {}
    for line in Path(path).read_text().splitlines():
        if line.strip() and not line.startswith("#"):
            name, called, from_main = line.split()
            table[name] = (called, int(from_main))
    return table


def check_profile(args, folder: Path):
    """The call counts in gprof's call graph, and where its flat profile puts time.
    gprof reads a copy of gmon.out with 64-bit Windows call counts mended."""
    mended, _ = gmonfile.mend((folder / "gmon.out").read_bytes())
    (folder / "gmon.mended.out").write_bytes(mended)
    report = subprocess.run([args.gprof, "-b", command(args)[-1], "gmon.mended.out"], cwd=folder,
                            capture_output=True, text=True, check=True).stdout
    (folder / "gprof.txt").write_text(report)
    graph = gprofread.call_graph(report)
    expected = expected_calls(args.calls)
    counted = {name for name, entry in graph.items() if entry.called}
    check(counted == set(expected),
          f"call-counted functions are {sorted(counted)}, expected {sorted(expected)}")
    for name, (called, from_main) in expected.items():
        entry = graph.get(name)
        if entry is None:
            continue
        check(entry.called == called, f"{name}: called {entry.called}, expected {called}")
        check(entry.callers.get("main") == from_main,
              f"{name}: {entry.callers.get('main')} calls from main, expected {from_main}")
    own = set(expected) | {"main"} | set(args.hook)
    elsewhere = [f"{entry.name} {entry.self_seconds:.2f} s" for entry in gprofread.flat_profile(report)
                 if entry.self_seconds > 0 and entry.name not in own]
    check(not elsewhere, f"sampled time charged outside the program's functions: {', '.join(elsewhere)}")


def check_run(args):
    folder = fresh(Path(args.workdir))
    result = run(args, folder)
    check(result.returncode == 0, f"status {result.returncode}, expected 0")
    check(result.stdout == expected_transcript(args),
          f"transcript differs:\n got      {result.stdout!r}\n expected {expected_transcript(args)!r}")
    check(result.stderr == b"", f"unexpected standard error: {result.stderr!r}")
    profile = folder / "gmon.out"
    check(profile.is_file(), "no gmon.out in the working folder")
    if not profile.is_file():
        return
    width = gmonfile.histogram(profile.read_bytes()).bin_width
    check(width == 4, f"each histogram bin covers {width:.4f} bytes of program text, expected exactly 4")
    check_profile(args, folder)


def write_failure(args) -> bytes:
    return text_mode(args, f"{program_name(args)}: chyba pri zapisu na standardni vystup\n".encode())


def check_full(args):
    folder = fresh(Path(args.workdir))
    with open("/dev/full", "wb") as full:
        result = run(args, folder, stdout=full, stderr=subprocess.PIPE)
    check(result.returncode == 1, f"status {result.returncode}, expected 1")
    check(result.stderr == write_failure(args), f"standard error {result.stderr!r}, expected {write_failure(args)!r}")
    check((folder / "gmon.out").is_file(), "no gmon.out: the steps did not all run to the end")


def check_no_profile(args):
    folder = fresh(Path(args.workdir))
    (folder / "gmon.out").mkdir()
    cases = [("gmon.out is a folder", folder, command(args), {})]
    readonly = None
    if hasattr(os, "geteuid") and not args.emulator:
        # A folder without write permission, holding a copy of the program.
        # Root is not bound by permissions, so as root the copy runs as nobody.
        readonly = Path(tempfile.mkdtemp(prefix="readonly-"))
        copy = shutil.copy2(args.program, readonly)
        readonly.chmod(0o555)
        user = {"user": 65534, "group": 65534, "extra_groups": []} if os.geteuid() == 0 else {}
        cases.append(("read-only folder", readonly, [str(copy)], user))
    try:
        for case, cwd, argv, user in cases:
            result = subprocess.run(argv, cwd=cwd, stdin=subprocess.DEVNULL, capture_output=True,
                                    timeout=args.timeout, **user)
            check(result.returncode == 0, f"{case}: status {result.returncode}, expected 0")
            check(result.stdout == expected_transcript(args),
                  f"{case}: transcript differs: {result.stdout!r}")
            check(b"gmon.out" in result.stderr,
                  f"{case}: the profiling runtime did not report the failure: {result.stderr!r}")
    finally:
        if readonly:
            readonly.chmod(0o755)
            shutil.rmtree(readonly)


def first_announcement(args) -> bytes:
    expected = expected_transcript(args)
    until = text_mode(args, args.until.encode())
    return expected[:expected.index(until) + len(until)]


def read_exactly(stream, size: int) -> bytes:
    received = b""
    while len(received) < size:
        chunk = os.read(stream.fileno(), size - len(received))
        if not chunk:
            break
        received += chunk
    return received


def check_pipe(args):
    folder = fresh(Path(args.workdir))
    expected = expected_transcript(args)
    first = first_announcement(args)
    with subprocess.Popen(command(args), cwd=folder, stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE) as program:
        received = read_exactly(program.stdout, len(first))
        # Had the program held its output back, nothing would have arrived
        # before exit, and the profile written at exit would be there by now.
        still_running = program.poll() is None and not (folder / "gmon.out").exists()
        rest = program.stdout.read()
        status = program.wait(timeout=args.timeout)
    check(received == first, f"received {received!r}, expected {first!r}")
    check(still_running, f"{args.until!r} arrived only when the program ended")
    check(received + rest == expected, f"transcript through the pipe differs: {received + rest!r}")
    check(status == 0, f"status {status}, expected 0")


def check_closed_pipe(args):
    """Like `sortshow | head -2`: the reader leaves after the first announcement."""
    folder = fresh(Path(args.workdir))
    first = first_announcement(args)
    # The child starts with SIGPIPE's default action, as from a shell.
    with subprocess.Popen(command(args), cwd=folder, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, restore_signals=True) as program:
        received = read_exactly(program.stdout, len(first))
        program.stdout.close()
        error = program.stderr.read()
        status = program.wait(timeout=args.timeout)
    check(received == first, f"received {received!r}, expected {first!r}")
    check(status == 1, f"status {status}, expected 1" + (" (ended by a signal)" if status < 0 else ""))
    check(error == write_failure(args), f"standard error {error!r}, expected {write_failure(args)!r}")
    if (folder / "gmon.out").is_file():
        check_profile(args, folder)
    else:
        check(False, "no gmon.out: the steps did not all run to the end")


def check_pe(args):
    headers = subprocess.run([args.objdump, "-p", args.program], capture_output=True, text=True,
                             check=True).stdout
    fields = {}
    dlls = []
    for line in headers.splitlines():
        words = line.split()
        if line.strip().startswith("DLL Name:"):
            dlls.append(words[-1])
        elif len(words) >= 2 and words[0] in ("Magic", "Subsystem", "DllCharacteristics"):
            fields[words[0]] = int(words[1], 16)
    magic, kind = (0x20B, "PE32+") if args.pointer_size == 8 else (0x10B, "PE32")
    check(fields.get("Magic") == magic, f"not a {kind} program: Magic {fields.get('Magic')}")
    check(fields.get("Subsystem") == 3, f"not a console program: Subsystem {fields.get('Subsystem')}")
    dynamic_base = 0x0040
    check("DllCharacteristics" in fields and not fields["DllCharacteristics"] & dynamic_base,
          f"marked for address-space randomisation: DllCharacteristics {fields.get('DllCharacteristics')}")
    runtime = [dll for dll in dlls if dll != "KERNEL32.dll"]
    if args.crt == "ucrt":
        expected = runtime and all(dll.lower().startswith("api-ms-win-crt-") for dll in runtime)
    else:
        expected = runtime == ["msvcrt.dll"]
    check("KERNEL32.dll" in dlls and expected, f"loads {dlls}, expected KERNEL32.dll and {args.crt}")


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    checks = {"run": check_run, "full": check_full, "no-profile": check_no_profile,
              "pipe": check_pipe, "closed-pipe": check_closed_pipe, "pe": check_pe}
    parser.add_argument("check", choices=checks)
    parser.add_argument("program")
    parser.add_argument("--workdir", required=True, help="the fresh folder to run in")
    parser.add_argument("--expect", required=True, help="the expected transcript, with line feeds")
    parser.add_argument("--crlf", action="store_true", help="standard output writes CR LF")
    parser.add_argument("--calls", help="expected call counts (run, closed-pipe)")
    parser.add_argument("--pointer-size", type=int, default=8, help="of the program's platform (pe)")
    parser.add_argument("--hook", action="append", default=[],
                        help="the counting hook's symbol, where it is linked into the program and "
                             "its time is sampled (run, closed-pipe)")
    parser.add_argument("--gprof", default="gprof")
    parser.add_argument("--until", help="the announcement to wait for (pipe, closed-pipe)")
    parser.add_argument("--objdump", default="objdump", help="(pe)")
    parser.add_argument("--crt", choices=["msvcrt", "ucrt"], default="msvcrt",
                        help="the C runtime a Windows program loads (pe)")
    parser.add_argument("--emulator", action="append", default=[])
    parser.add_argument("--timeout", type=float, default=600)
    args = parser.parse_args()
    checks[args.check](args)
    for failure in failures:
        print(f"FAIL: {failure}")
    if not failures:
        print(f"{program_name(args)} {args.check}: ok")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
