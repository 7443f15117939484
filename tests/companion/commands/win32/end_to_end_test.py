#!/usr/bin/env python3
"""The companion tavr-12864-cli.exe under wine, against the Linux meter simulator on a pseudo-
terminal mapped as COM21 of the tests' wine prefix. Where the Linux companion is given, every
answer of the Windows one is compared with its answer to the same command: the same texts, the
same bytes in files, the same exit codes.

usage: end_to_end_test.py WINDOWS_CLI SIMULATOR [LINUX_CLI]
(WINEPREFIX names a prefix whose wineserver runs; the CTest fixture "wine" starts it.)"""

import json
import os
import pathlib
import select
import shutil
import subprocess
import sys
import tempfile
import unittest

WINDOWS_CLI, SIMULATOR = (os.path.abspath(path) for path in sys.argv[1:3])
LINUX_CLI = os.path.abspath(sys.argv[3]) if len(sys.argv) > 3 and os.path.exists(sys.argv[3]) else None
COM = 21
BAUD = "9600"
LINE = ["--port", str(COM), "--baud", BAUD]


class Run:
    def __init__(self, code, out, err):
        self.code, self.out, self.err = code, out, err

    def __repr__(self):
        return f"exit {self.code}\nout: {self.out!r}\nerr: {self.err!r}"


class Session:
    """The simulator on COM21, and runs of either companion."""

    def __init__(self):
        self.work = pathlib.Path(tempfile.mkdtemp(prefix="tavr-cli-win32-"))
        self.prefix = pathlib.Path(os.environ["WINEPREFIX"])
        # A UTF-8 locale: wine hands the command line's Chinese file names on as UTF-16 only then.
        self.env = dict(os.environ, WINEDEBUG="-all", LANG="C.UTF-8", LC_ALL="C.UTF-8",
                        XDG_CONFIG_HOME=str(self.work / "config"))
        self.simulator = subprocess.Popen(
            [SIMULATOR, "--com", str(COM), "--baud", BAUD, "--frozen"], env=self.env,
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)
        words = self.simulator_line().split()
        assert words[0] == "ready", words
        # The fixture's wineserver has started wine's services already, so this link stays.
        self.link = self.prefix / "dosdevices" / f"com{COM}"
        self.link.unlink(missing_ok=True)
        self.link.symlink_to(words[1])

    def stop(self):
        self.link.unlink(missing_ok=True)
        self.simulator.terminate()
        self.simulator.wait(timeout=10)
        shutil.rmtree(self.work, ignore_errors=True)

    def simulator_line(self, timeout=10.0):
        ready, _, _ = select.select([self.simulator.stdout], [], [], timeout)
        assert ready, "the simulator said nothing"
        return self.simulator.stdout.readline().strip()

    def register(self, address):
        self.simulator.stdin.write(f"get {address}\n")
        return int(self.simulator_line().split()[-1])

    def run(self, command, arguments):
        """Runs a companion in the work folder. Files, not pipes, take its output: wine's
        helper processes inherit them and would hold a pipe open."""
        out, err = self.work / "run.out", self.work / "run.err"
        with open(out, "wb") as sink, open(err, "wb") as errors:
            code = subprocess.run(command + arguments, env=self.env, cwd=self.work, timeout=60,
                                  stdin=subprocess.DEVNULL, stdout=sink,
                                  stderr=errors).returncode
        return Run(code, out.read_bytes().decode(), err.read_bytes().decode())

    def windows(self, *arguments):
        return self.run(["wine", WINDOWS_CLI], list(arguments))

    def linux(self, *arguments):
        return self.run([LINUX_CLI], list(arguments))


session = None


def setUpModule():
    global session
    session = Session()


def tearDownModule():
    session.stop()


class CompanionUnderWine(unittest.TestCase):
    def same_as_linux(self, *arguments):
        """Runs both companions; the Windows run, after checking it against the Linux one."""
        windows = session.windows(*arguments)
        if LINUX_CLI:
            linux = session.linux(*arguments)
            self.assertEqual((windows.code, windows.out, windows.err),
                             (linux.code, linux.out, linux.err), arguments)
        return windows

    def test_version_help_and_bad_usage(self):
        self.assertEqual(self.same_as_linux("--version").code, 0)
        for command in ("read", "watch", "write", "plot"):
            self.assertEqual(self.same_as_linux(command, "--help").code, 0, command)
        for arguments in (["read", "--id", "99"], ["watch", "--every", "0.0001"],
                          ["write", "0x09"], ["frobnicate"]):
            run = self.same_as_linux(*arguments)
            self.assertEqual(run.code, 2, run)
            self.assertEqual(run.out, "", run)

    def test_read_table_and_csv_match_linux(self):
        table = self.same_as_linux("read", *LINE)
        self.assertEqual(table.code, 0, table)
        self.assertIn("0003H", table.out)
        csv = self.same_as_linux("read", "--format", "csv", *LINE)
        self.assertEqual(csv.code, 0, csv)
        self.assertNotIn("\r", csv.out)

    def test_read_json_names_the_com_port(self):
        run = session.windows("read", "--format", "json", *LINE)
        self.assertEqual(run.code, 0, run)
        reading = json.loads(run.out)
        self.assertEqual(reading["port"], f"COM{COM}")
        self.assertEqual(len(reading["registers"]), 35)
        if LINUX_CLI:
            linux = json.loads(session.linux("read", "--format", "json", *LINE).out)
            del reading["time"], linux["time"]
            self.assertEqual(reading, linux)

    def test_write_stores_the_value_and_prints_the_row_read_back(self):
        run = session.windows("write", *LINE, "0x09", "7000")
        self.assertEqual(run.code, 0, run)
        self.assertEqual(session.register(9), 7000)
        self.assertIn("700.0Ah", run.out)
        self.assertIn("地址:0009H 电池预设标称容量", run.out)
        refused = self.same_as_linux("write", *LINE, "0x09", "70000")
        self.assertEqual(refused.code, 2, refused)

    def test_a_port_that_does_not_open_ends_with_3(self):
        run = session.windows("read", "--port", "199", "--baud", BAUD)
        self.assertEqual(run.code, 3, run)
        self.assertIn("cannot open COM199 (\\\\.\\COM199): no device", run.err)

    def test_ports_lists_the_systems_com_ports(self):
        run = session.windows("ports")
        self.assertEqual(run.code, 0, run)
        for line in run.out.splitlines():
            self.assertRegex(line, r"^(COM\d+ |no COM port resolves)")

    def test_watch_logs_linux_bytes_and_plot_draws_the_linux_picture(self):
        # Chinese file names: paths are UTF-8 inside the companion and UTF-16 at Windows' calls.
        log = session.work / "运行记录.csv"
        log.unlink(missing_ok=True)
        run = session.windows("watch", "--every", "0.3", "--for", "1.5", "--output", log.name,
                              *LINE)
        self.assertEqual(run.code, 0, run)
        self.assertIn("readings", run.err)
        data = log.read_bytes()
        self.assertNotIn(b"\r", data)
        rows = data.decode().splitlines()
        self.assertTrue(rows[0].startswith("time,0003H V,0004H A"), rows[0])
        self.assertGreaterEqual(len(rows), 4, rows)
        self.assertRegex(rows[1], r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d,")
        # A second run appends under the same header.
        again = session.windows("watch", "--every", "0.3", "--for", "0.5", "--output", log.name,
                                *LINE)
        self.assertEqual(again.code, 0, again)
        self.assertEqual(log.read_text().count("time,"), 1)

        svg = self.same_as_linux("plot", log.name, "-o", "运行.svg")
        self.assertEqual(svg.code, 0, svg)
        drawn = (session.work / "运行.svg").read_bytes()
        if LINUX_CLI:
            session.linux("plot", log.name, "-o", "运行.svg")
            self.assertEqual(drawn, (session.work / "运行.svg").read_bytes())
        png = session.windows("plot", log.name, "-o", "运行.png")
        self.assertEqual(png.code, 0, png)
        self.assertTrue((session.work / "运行.png").read_bytes().startswith(b"\x89PNG\r\n\x1a\n"))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
