#!/usr/bin/env python3
"""End-to-end tests of the Windows program under wine.

The real tavr-12864.exe runs in a wine virtual desktop on Xvfb, against the meter simulator on
a pseudo-terminal mapped as COM1, and is driven with xdotool clicks and keys. The program
reports what its native windows show to the file named by TAVR_WINDOW_REPORT, so the checks
read positions, texts and table cells instead of pixels.

Usage: end_to_end_test.py EXE SIMULATOR PREFIX

PREFIX is a wine prefix of the test's own (made on first use): the test maps COM1 and writes
the program's settings there, so it shares neither with other suites running at the same time.
"""
import json
import os
import pathlib
import re
import select
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile

EXE = None
SIMULATOR = None
PREFIX = None
SCRIPTS = pathlib.Path(__file__).resolve().parents[3] / "scripts"
WINE_PREFIX_SCRIPT = SCRIPTS / "wine-prefix"
DESKTOP = (1024, 768)
KEY = r"HKCU\Software\TAVR_12864"

# Visible controls: name -> (left, top, width, height, text, tab stop), from the window layout.
LAYOUT = {
    "读取数据": (589, 7, 96, 31, "手动读取数据", True),
    "隔几秒": (477, 14, 24, 20, "3", True),
    "自动读取选择框": (442, 13, 160, 24, "每     秒自动刷新数据", True),
    "波特率": (148, 12, 64, 20, "2400", True),
    "超级列表框1": (1, 43, 687, 597, None, True),
    "设备ID": (261, 13, 50, 20, "1", True),
    "标签2": (100, 10, 164, 24, "波特率：           设备ID：", False),
    "外形框1": (318, 12, 20, 20, "", False),
    "标签7": (3, 8, 40, 24, "COM:", False),
    "串口号": (44, 12, 50, 20, "1", True),
    "联机按钮": (348, 7, 80, 31, "联机", True),
}
CREATION_ORDER = ["修改最大限制", "数值对应单位", "小数位预设值", "数据备注说明", "读取数据",
                  "临时转换框", "隔几秒", "自动读取选择框", "波特率", "超级列表框1", "设备ID",
                  "标签2", "外形框1", "标签7", "串口号", "联机按钮"]
COLUMNS = [("10进制结果", 75, "left"), ("所对应数值", 80, "right"), ("16进制结果", 80, "centre"),
           ("数据地址位", 80, "centre"), ("数据备注项", 360, "left")]
GREEN, RED, GREY = 0x00FF00, 0x0000FF, 0x808080


def crc16(data):
    crc = 0xFFFF
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return bytes(data) + bytes([crc & 0xFF, crc >> 8])


def frame_text(data):
    return " ".join(f"{byte:02X}" for byte in crc16(data))


def read_request(device):
    return frame_text([device, 0x03, 0x00, 0x00, 0x00, 0x23])


def write_request(device, register, value):
    return frame_text([device, 0x06, 0x00, register, value >> 8, value & 0xFF])


def wait_for(condition, what, timeout=15.0):
    deadline = time.monotonic() + timeout
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out waiting for {what}")
        time.sleep(0.05)


# Xvfb names its display on the descriptor once it accepts connections.
XVFB_START_LIMIT = 30.0
WINE_FONT = pathlib.Path("/usr/share/fonts/truetype/wqy/wqy-microhei.ttc")
# The programs the session drives the window with, and the Debian packages that bring them.
PROGRAM_PACKAGES = {"Xvfb": "xvfb", "xdotool": "xdotool"}


def read_display_number(descriptor):
    with os.fdopen(descriptor) as display:
        ready, _, _ = select.select([display], [], [], XVFB_START_LIMIT)
        number = display.readline().strip() if ready else ""
    if not number.isdigit():
        raise RuntimeError(f"Xvfb did not accept connections within {XVFB_START_LIMIT:.0f} s")
    return number


class Session:
    """Xvfb, the simulator on COM1 of the wine prefix, and the program's runs."""

    def __init__(self):
        self.work = pathlib.Path(tempfile.mkdtemp(prefix="tavr-win32-e2e-"))
        self.prefix = pathlib.Path(PREFIX).resolve()
        self.report_file = self.work / "window.json"
        self.log = self.work / "frames.log"
        self.errors = self.work / "program.err"  # the program's standard error, through wine
        self.env = dict(os.environ, WINEPREFIX=str(self.prefix), WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=",
                        XDG_CONFIG_HOME=str(self.work / "config"))
        self.xvfb = None
        self.simulator = None
        self.program = None

    def start(self):
        missing = [f"{program} (Debian package {package})"
                   for program, package in PROGRAM_PACKAGES.items() if not shutil.which(program)]
        if not WINE_FONT.exists():
            missing.append(f"the captions' font {WINE_FONT} (Debian package fonts-wqy-microhei)")
        if missing:
            raise RuntimeError("missing: " + ", ".join(missing) + "; scripts/install-deps "
                               "installs them")
        subprocess.run([WINE_PREFIX_SCRIPT, "start", self.prefix], check=True, timeout=180)
        read, write = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", f"{DESKTOP[0]}x{DESKTOP[1]}x24",
             "-nolisten", "tcp"], pass_fds=[write], stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        os.close(write)
        self.env["DISPLAY"] = ":" + read_display_number(read)
        self.simulator = subprocess.Popen(
            [SIMULATOR, "--com", "1", "--frozen", "--log", str(self.log)], env=self.env,
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)
        words = self.simulator_line().split()
        assert words[0] == "ready", words
        self.wine(["reg", "delete", KEY, "/f"], check=False)
        fonts = self.work / "fonts.reg"
        fonts.write_text("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\n"
                         + "".join(f'"{face}"="WenQuanYi Micro Hei"\n' for face in
                                   ("SimSun", "Microsoft YaHei", "Microsoft YaHei UI")))
        self.wine(["regedit", "/S", f"Z:{fonts}"])
        # Wine's mount manager links the COM ports it finds when its service starts (the wine
        # calls above have started it): the simulator's link goes in afterwards.
        link = self.prefix / "dosdevices" / "com1"
        if link.is_symlink() or link.exists():
            link.unlink()
        link.symlink_to(words[1])

    def stop(self):
        self.close_program()
        (self.prefix / "dosdevices" / "com1").unlink(missing_ok=True)
        for process in (self.simulator, self.xvfb):
            if process is not None and process.poll() is None:
                process.terminate()
                process.wait(timeout=10)
        subprocess.run([WINE_PREFIX_SCRIPT, "stop", self.prefix], check=False, timeout=60)
        shutil.rmtree(self.work, ignore_errors=True)

    def wine(self, arguments, check=True):
        """Runs a wine console program; returns its output. A file, not a pipe, takes the
        output: wine's helper processes inherit it and would hold a pipe open."""
        output = self.work / "wine.out"
        with open(output, "w") as sink:
            subprocess.run(["wine"] + arguments, env=self.env, check=check, timeout=60,
                           stdin=subprocess.DEVNULL, stdout=sink, stderr=subprocess.DEVNULL)
        return output.read_text(errors="replace")

    def simulator_line(self, timeout=10.0):
        ready, _, _ = select.select([self.simulator.stdout], [], [], timeout)
        assert ready, "the simulator said nothing"
        return self.simulator.stdout.readline().strip()

    def register(self, address):
        self.simulator.stdin.write(f"get {address}\n")
        words = self.simulator_line().split()
        assert words[0] == "value", words
        return int(words[2])

    def frames(self, direction="rx"):
        if not self.log.exists():
            return []
        frames = []
        for line in self.log.read_text().splitlines():
            words = line.split(" ", 2)
            if len(words) == 3 and words[1] == direction:
                frames.append(words[2].split(" (")[0])
        return frames

    def setting(self, name):
        for line in self.wine(["reg", "query", KEY, "/v", name], check=False).splitlines():
            words = line.split()
            if words and words[0] == name:
                return words[-1] if len(words) >= 3 else ""
        return None

    def start_program(self, program=None):
        self.report_file.unlink(missing_ok=True)
        env = dict(self.env, TAVR_WINDOW_REPORT=f"Z:{self.report_file}")
        with open(self.errors, "w") as errors:
            self.program = subprocess.Popen(
                ["wine", "explorer", f"/desktop=tavr-e2e,{DESKTOP[0]}x{DESKTOP[1]}",
                 program or EXE], env=env, stdout=subprocess.DEVNULL, stderr=errors)
        wait_for(lambda: self.report().get("open"), "the window", timeout=60)

    def close_program(self):
        if self.program is None:
            return
        if self.program.poll() is None and self.report().get("open"):
            self.key("Escape")
            try:
                wait_for(lambda: not self.report().get("open"), "the window to close")
            finally:
                try:
                    self.program.wait(timeout=20)
                except subprocess.TimeoutExpired:
                    self.program.kill()
        self.program = None

    def report(self):
        try:
            return json.loads(self.report_file.read_text(encoding="utf-8"))
        except (OSError, ValueError):
            return {}

    def control(self, name):
        return next(c for c in self.report()["controls"] if c["name"] == name)

    def table(self):
        return self.control("超级列表框1")["table"]

    def xdotool(self, *arguments):
        subprocess.run(["xdotool", *arguments], env=self.env, check=True, timeout=30)

    def click_at(self, x, y, clicks=1):
        origin = self.report()["clientOrigin"]
        self.xdotool("mousemove", str(origin[0] + x), str(origin[1] + y), "click",
                     "--repeat", str(clicks), "--delay", "80", "1")

    def click(self, name, x=None, y=None):
        left, top, width, height = self.control(name)["rect"]
        self.click_at(left + (width // 2 if x is None else x),
                      top + (height // 2 if y is None else y))

    def click_row(self, row, clicks=1):
        left, top, width, height = self.table()["rowRects"][row]
        self.click_at(left + width // 2, top + height // 2, clicks)

    def key(self, *keys):
        self.xdotool("key", "--delay", "60", *keys)

    def type(self, text):
        self.xdotool("type", "--delay", "60", text)


session = None


def setUpModule():
    global session
    session = Session()
    try:
        session.start()
        session.start_program()
    except BaseException:
        session.stop()
        raise


def tearDownModule():
    session.stop()


class WindowsProgram(unittest.TestCase):
    """One operator session after another; each test starts where the one before ended."""

    def test_01_window_matches_the_layout(self):
        report = session.report()
        self.assertEqual(report["title"],
                         "[蓝岭电子]TAVR_12864高精度仪表Modbus协议上位机控制程序v1.1.0 2018-11-25")
        left, top, width, height = report["outer"]
        self.assertEqual((width, height), (695, 670))
        self.assertEqual((left, top), ((DESKTOP[0] - 695) // 2, (DESKTOP[1] - 670) // 2))
        self.assertEqual((report["minimizeBox"], report["maximizeBox"], report["sizable"]),
                         (True, False, False))
        self.assertTrue(report["icon"])
        names = [control["name"] for control in report["controls"]]
        self.assertEqual(names, CREATION_ORDER)  # stacking order, the first on top
        for control in report["controls"]:
            with self.subTest(control=control["name"]):
                if control["name"] not in LAYOUT:
                    self.assertFalse(control["visible"])
                    continue
                x, y, w, h, text, tab_stop = LAYOUT[control["name"]]
                self.assertTrue(control["visible"])
                self.assertEqual(control["tabStop"], tab_stop)
                self.assertEqual(control["rect"][:3], [x, y, w])
                if control["class"] != "ComboBox":  # a combo box's field is as tall as its font
                    self.assertEqual(control["rect"][3], h)
                if text is not None:
                    self.assertEqual(control["text"], text)
        self.assertEqual(session.control("标签7")["font"]["height"], -16)
        self.assertTrue(session.control("标签7")["font"]["bold"])
        self.assertEqual(session.control("标签7")["font"]["charset"], 134)  # GB2312
        self.assertTrue(session.control("联机按钮")["font"]["default"])
        self.assertEqual(session.control("外形框1")["fill"], 0)
        self.assertTrue(session.control("隔几秒")["centred"])
        self.assertFalse(session.control("自动读取选择框")["checked"])
        for name, entries in (("串口号", 20), ("波特率", 7), ("设备ID", 50)):
            combo = session.control(name)
            self.assertEqual((combo["count"], combo["dropDownList"]), (entries, True))
            self.assertGreaterEqual(combo["droppedHeight"], 160)
        table = session.table()
        self.assertEqual([(c["header"], c["width"], c["alignment"]) for c in table["columns"]],
                         COLUMNS)
        self.assertEqual(table["rows"], [])
        for setting in ("report", "editLabels", "showSelectionAlways", "fullRowSelect",
                        "gridLines"):
            self.assertTrue(table[setting], setting)

    def test_02_tab_moves_through_the_tab_stops_in_creation_order(self):
        session.click("超级列表框1")
        wait_for(lambda: session.report()["focus"] == "超级列表框1", "the table's focus")
        for name in ("设备ID", "串口号", "联机按钮", "读取数据"):  # hidden boxes are skipped
            session.key("Tab")
            wait_for(lambda: session.report()["focus"] == name, f"Tab to {name}")
        session.key("shift+Tab")
        wait_for(lambda: session.report()["focus"] == "联机按钮", "Shift+Tab")

    def test_03_connect_turns_the_lamp_green(self):
        session.click("联机按钮")
        wait_for(lambda: session.control("外形框1")["fill"] == GREEN, "the green lamp")

    def test_04_read_shows_all_registers(self):
        session.click("读取数据")
        wait_for(lambda: len(session.table()["rows"]) == 35, "35 rows")
        self.assertEqual(session.frames()[-1], read_request(1))
        wait_for(lambda: session.control("外形框1")["fill"] == GREEN, "the green lamp")
        rows = session.table()["rows"]
        for address in range(35):
            with self.subTest(register=address):
                self.assertEqual(rows[address][0], f"{session.register(address):05d}")
                self.assertIn(f"{address:04X}", rows[address][3])

    def test_05_auto_read_repeats_every_period(self):
        before = len(session.frames())
        session.click("自动读取选择框", x=8)
        wait_for(lambda: session.control("自动读取选择框")["checked"], "the tick")
        wait_for(lambda: len(session.frames()) >= before + 2, "two automatic reads", timeout=12)
        self.assertEqual(session.frames()[-1], read_request(1))
        session.click("自动读取选择框", x=8)
        wait_for(lambda: not session.control("自动读取选择框")["checked"], "the tick cleared")
        # The last automatic read's reply may still be on its way (under wine the port can
        # take a second to pass it on): the edits below start on a quiet line.
        wait_for(lambda: session.control("外形框1")["fill"] == GREEN, "the last reply")
        time.sleep(1.5)

    def edit_row(self, row, text, confirm):
        session.click_row(row)
        wait_for(lambda: row in session.table()["selected"], f"row {row} selected")
        session.key("F2")
        wait_for(lambda: session.table()["editor"] is not None, "the editor")
        session.key("ctrl+a")
        session.type(text)
        wait_for(lambda: session.table()["editor"] == text, "the typed text")
        session.key(confirm)

    def read_again_after_write(self, device):
        """The re-read goes out 100 ms after a write if the meter's answer has turned the lamp
        green by then. Under wine the port unit can take up to a second to see the first byte
        after a quiet spell, so the re-read may find the lamp still red and be skipped, as with
        a slow meter; the operator's read button then reads the result."""
        try:
            wait_for(lambda: session.frames()[-1] == read_request(device), "the re-read",
                     timeout=3)
        except AssertionError:
            wait_for(lambda: session.control("外形框1")["fill"] == GREEN, "the meter's answer")
            session.click("读取数据")
            wait_for(lambda: session.frames()[-1] == read_request(device), "the manual read")
        # The decoded reply replaces every row, and a replaced row is neither selected nor
        # focused any more.
        wait_for(lambda: session.table()["selected"] == [], "the reply replacing the rows")
        self.assertEqual(session.table()["focused"], -1)

    def test_06_enter_edit_writes_the_register_and_reads_again(self):
        self.edit_row(9, "01234", "Return")
        wait_for(lambda: write_request(1, 9, 1234) in session.frames(), "the write request")
        # The report follows the write a moment later: the typed text stays until the re-read.
        wait_for(lambda: session.table()["rows"][9][0] == "01234", "the typed text in the cell")
        wait_for(lambda: session.report()["focus"] == "超级列表框1", "the table's focus")
        self.read_again_after_write(1)
        wait_for(lambda: session.table()["rows"][9][0] == "01234", "the new value read")
        self.assertEqual(session.register(9), 1234)

    def test_07_escape_edit_writes_nothing(self):
        before = len(session.frames())
        self.edit_row(9, "777", "Escape")
        wait_for(lambda: session.table()["editor"] is None, "the editor closed")
        self.assertTrue(session.report()["open"], "Esc in the editor closed the window")
        self.assertEqual(session.table()["rows"][9][0], "01234")
        time.sleep(1.5)  # longer than any write would take to reach the simulator
        self.assertFalse([f for f in session.frames()[before:] if f.split()[1] == "06"])
        self.assertEqual(session.register(9), 1234)

    def test_08_double_click_activates_a_row_without_editing(self):
        session.click_row(3, clicks=2)
        time.sleep(1.0)  # longer than the double-click time that starts a click-edit
        self.assertIsNone(session.table()["editor"])

    def test_09_register_0_moves_the_device_id_and_its_setting(self):
        self.edit_row(0, "5", "Return")
        wait_for(lambda: write_request(1, 0, 5) in session.frames(), "the write to device 1")
        wait_for(lambda: session.control("设备ID")["text"] == "5", "the selector on 5")
        self.read_again_after_write(5)
        wait_for(lambda: len(session.table()["rows"]) == 35 and
                 session.table()["rows"][0][0] == "00005", "address 5 shown")
        self.assertEqual(session.setting("Modbus_id"), "4")

    def test_10_restart_restores_the_selectors(self):
        left, top, width, height = session.control("超级列表框1")["rect"]
        session.click_at(left + width // 2, top + height - 10)  # below the rows
        for name in ("设备ID", "串口号", "联机按钮"):
            session.key("Tab")
            wait_for(lambda: session.report()["focus"] == name, f"Tab to {name}")
        session.close_program()  # Esc on the connect button, connected
        session.start_program()
        self.assertEqual(session.control("设备ID")["text"], "5")
        self.assertEqual(session.control("波特率")["text"], "2400")
        self.assertEqual(session.control("串口号")["text"], "1")
        self.assertEqual(session.control("外形框1")["fill"], 0)

    def test_11_a_failed_connect_shows_its_reason_on_the_lamp(self):
        # COM7's link names no device, so opening it fails on any machine. The window has no
        # room for a message: the lamp turns red and its tool tip says why.
        session.close_program()
        link = session.prefix / "dosdevices" / "com7"
        link.unlink(missing_ok=True)
        link.symlink_to(session.work / "no-such-device")
        session.wine(["reg", "add", KEY, "/v", "Modbus_com", "/d", "6", "/f"])
        try:
            session.start_program()
            self.assertEqual(session.control("串口号")["text"], "7")
            session.click("联机按钮")
            wait_for(lambda: session.control("外形框1")["fill"] == RED, "the red lamp")
            self.assertEqual(session.control("联机按钮")["text"], "断开")
            reason = r"COM7 (\\.\COM7): no device"
            wait_for(lambda: reason in session.errors.read_text(errors="replace"),
                     "the reason on standard error")
            lamp = session.control("外形框1")
            session.click("联机按钮")
            wait_for(lambda: session.control("外形框1")["fill"] == GREY, "the grey lamp")
            self.assertEqual(lamp["toolTip"], reason)
        finally:
            session.close_program()
            link.unlink(missing_ok=True)
            session.wine(["reg", "add", KEY, "/v", "Modbus_com", "/d", "0", "/f"])


UNINSTALL_KEY = r"Software\Microsoft\Windows\CurrentVersion\Uninstall\TAVR_12864"
PROJECT_VERSION = re.search(r"project\(tavr12864 VERSION ([0-9.]+)",
                            (SCRIPTS.parent / "CMakeLists.txt").read_text()).group(1)


def version_resource(exe):
    """The version resource of a Windows program, as Windows' file properties show it: the
    file and product version of the fixed part, and the texts of the string table."""
    data = pathlib.Path(exe).read_bytes()
    fixed = data.find(struct.pack("<I", 0xFEEF04BD))
    if fixed < 0:
        return None
    words = struct.unpack_from("<6I", data, fixed)

    def dotted(most, least):
        return f"{most >> 16}.{most & 0xFFFF}.{least >> 16}.{least & 0xFFFF}"

    texts = {}
    for name in ("CompanyName", "FileDescription", "FileVersion", "InternalName",
                 "OriginalFilename", "ProductName", "ProductVersion"):
        at = data.find((name + "\0").encode("utf-16-le"), fixed)
        if at < 0:
            continue
        at += 2 * (len(name) + 1)
        while data[at:at + 2] == b"\0\0":  # the padding to the value's 32-bit boundary
            at += 2
        end = at
        while data[end:end + 2] != b"\0\0":
            end += 2
        texts[name] = data[at:end].decode("utf-16-le")
    return {"file": dotted(words[2], words[3]), "product": dotted(words[4], words[5]),
            "texts": texts}


def registry_values(key):
    """The values of a registry key as {name: text}, or None when the key is missing."""
    output = session.wine(["reg", "query", key], check=False)
    if "HKEY_" not in output:
        return None
    values = {}
    for line in output.splitlines():
        words = line.strip().split(None, 2)
        if len(words) >= 2 and words[1].startswith("REG_"):
            values[words[0]] = words[2] if len(words) == 3 else ""
    return values


def run_uninstaller(command):
    """Runs an uninstall command as the registry gives it: "C:\\...\\uninstall.exe" flags."""
    program, flags = re.fullmatch(r'"([^"]+)"\s*(.*)', command).groups()
    session.wine([program, *flags.split()])


class WindowsSetup(unittest.TestCase):
    """The packages made by the packaging script. The setup, run silently, installs for the
    current user unless told otherwise, the installed program starts, and the uninstaller that
    the uninstall entry names removes everything again."""

    @classmethod
    def setUpClass(cls):
        session.close_program()
        cls.dist = session.work / "dist"
        subprocess.run([SCRIPTS / "package-windows", EXE, cls.dist], check=True, timeout=120,
                       stdout=subprocess.DEVNULL)
        cls.setup = cls.dist / f"tavr-12864-{PROJECT_VERSION}-setup.exe"
        cls.zip = cls.dist / f"tavr-12864-{PROJECT_VERSION}-win64.zip"
        # The command-line companion goes into the packages when it was built beside the window.
        cls.programs = sorted(program.name for program in pathlib.Path(EXE).parent.glob("*.exe")
                              if program.name in ("tavr-12864.exe", "tavr-12864-cli.exe"))

    def installed(self, pattern):
        return sorted(session.prefix.glob(pattern))

    def assert_removed(self, folder, shortcut, key):
        wait_for(lambda: not folder.exists(), "the uninstaller to remove the folder")
        self.assertEqual(self.installed(shortcut), [])
        self.assertIsNone(registry_values(key))

    def test_shipped_programs_carry_their_version(self):
        descriptions = {"tavr-12864.exe": "TAVR_12864高精度仪表Modbus协议上位机控制程序",
                        "tavr-12864-cli.exe": "TAVR_12864 command-line companion"}
        with zipfile.ZipFile(self.zip) as archive:
            self.assertEqual(sorted(archive.namelist()), self.programs)
            for program in self.programs:
                shipped = session.work / "shipped.exe"
                shipped.write_bytes(archive.read(program))
                version = version_resource(shipped)
                self.assertIsNotNone(version, f"{program}: no version resource")
                self.assertEqual((version["file"], version["product"]),
                                 (PROJECT_VERSION + ".0", PROJECT_VERSION + ".0"), program)
                texts = version["texts"]
                self.assertEqual((texts.get("FileVersion"), texts.get("ProductVersion")),
                                 (PROJECT_VERSION, PROJECT_VERSION), program)
                self.assertEqual(texts.get("ProductName"), "TAVR_12864", program)
                self.assertEqual(texts.get("OriginalFilename"), program)
                self.assertEqual(texts.get("FileDescription"), descriptions[program])

    def test_silent_setup_installs_for_the_current_user(self):
        session.wine([f"Z:{self.setup}", "/S"])
        folders = self.installed("drive_c/users/*/AppData/Local/Programs/TAVR_12864")
        self.assertEqual(len(folders), 1, "not in %LOCALAPPDATA%\\Programs")
        folder = folders[0]
        self.assertEqual(sorted(p.name for p in folder.iterdir()),
                         sorted(self.programs + ["uninstall.exe"]))
        shortcut = ("drive_c/users/*/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/"
                    "TAVR_12864/TAVR_12864.lnk")
        self.assertEqual(len(self.installed(shortcut)), 1, "not in the user's Start menu")
        self.assertEqual(self.installed("drive_c/Program*/TAVR_12864"), [])
        self.assertEqual(self.installed("drive_c/ProgramData/**/TAVR_12864.lnk"), [])
        self.assertIsNone(registry_values("HKLM\\" + UNINSTALL_KEY))
        entry = registry_values("HKCU\\" + UNINSTALL_KEY)
        self.assertIsNotNone(entry, "no uninstall entry under HKCU")
        user = folder.parts[folder.parts.index("users") + 1]
        location = f"C:\\users\\{user}\\AppData\\Local\\Programs\\TAVR_12864"
        self.assertEqual(entry["InstallLocation"], location)
        self.assertEqual(entry["DisplayVersion"], PROJECT_VERSION)
        self.assertEqual(entry["QuietUninstallString"],
                         f'"{location}\\uninstall.exe" /CurrentUser /S')

        session.start_program(location + "\\tavr-12864.exe")
        self.assertEqual(session.report()["outer"][2:], [695, 670])
        session.close_program()

        run_uninstaller(entry["QuietUninstallString"])
        self.assert_removed(folder, shortcut, "HKCU\\" + UNINSTALL_KEY)

    def test_silent_setup_for_all_users_installs_per_machine(self):
        session.wine([f"Z:{self.setup}", "/S", "/AllUsers"])
        folder = session.prefix / "drive_c" / "Program Files" / "TAVR_12864"
        wait_for((folder / "tavr-12864.exe").exists, "the installed program")
        shortcut = "drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/TAVR_12864/*.lnk"
        self.assertEqual(len(self.installed(shortcut)), 1, "not in the common Start menu")
        self.assertIsNone(registry_values("HKCU\\" + UNINSTALL_KEY))
        entry = registry_values("HKLM\\" + UNINSTALL_KEY)
        self.assertIsNotNone(entry, "no uninstall entry under HKLM")
        self.assertEqual(entry["InstallLocation"], r"C:\Program Files\TAVR_12864")

        run_uninstaller(entry["QuietUninstallString"])
        self.assert_removed(folder, shortcut, "HKLM\\" + UNINSTALL_KEY)


if __name__ == "__main__":
    EXE, SIMULATOR, PREFIX = sys.argv[1:4]
    unittest.main(argv=sys.argv[:1], verbosity=2)
