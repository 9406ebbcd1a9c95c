#!/usr/bin/env python3
"""End-to-end test of Lirosa.exe under Wine, worked as a user would.

Run only through with-pty.py --device none, which maps the prefix's COM1 to
a fresh pty before anything opens a port and hands this script the pty's
master side (LIROSA_PTY_FD): here the script is the device.

The script starts an X server of its own (never the user's display), puts
Lirosa.exe and drive.exe on one Wine desktop there, stores line settings
for COM1, starts Lirosa.exe and, through drive.exe (controls found by id,
real pointer and keyboard input), checks:

  1. the port opens at start-up with the stored settings, as the pty shows;
  2. a request typed into box 1 and sent with its button arrives unchanged;
  3. the checksum dialog, confirmed with its button, appends C5 CD, and the
     completed request arrives;
  4. with capture on, a frame from the device lands in data.txt exactly;
  5. a file of hex lines, chosen in the file dialog and sent once, reaches
     the line in order (and data.txt, as capture is still on);
  6. request 1 sent automatically with a period shortened to 100 ms goes
     out again and again, whole each time, and stops with its box;
  7. the title bar's close button writes set.log and data.log.

Each check says what it saw when it fails. --screenshots DIR also saves
pictures of the window along the way (needs ImageMagick's import).
"""
import argparse
import ctypes
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import wineports  # noqa: E402

DESKTOP = "LirosaE2E"
SCREEN = (1024, 768)
MAIN_CLASS = "LirosaMainWindow"
MAIN_TITLE = "Lirosa4.5"
DIALOG_CLASS = "LirosaTemplateDialog"
CHECKSUM_TITLE = "Настройка"

# Control ids of the main window and the checksum dialog.
ID_OPEN_CLOSE = 1003
ID_REQUEST1 = 1002
ID_SEND1 = 1018
ID_CHECKSUM1 = 1040
ID_CAPTURE = 1015
ID_CHOOSE_SEND_FILE = 1060
ID_FILE_CYCLING = 1061
ID_SEND_ONCE = 1031
ID_FILE_LINE_COUNT = 1071
ID_AUTO1 = 1025
ID_PERIOD1 = 1026
ID_OK = 1
# The common file dialog's file name box.
ID_FILE_NAME = 1148

# COM1 at 57600 baud (index 11), 8 data bits (2), no parity (0), two stop
# bits (2), in the file's order: port, stop bits, parity, data bits, baud.
STORED_SET_LOG = b"COM1\r\n2\r\n0\r\n2\r\n11\r\n"
STORED_LINE = (57600, 8, "N", 2)
REQUEST = "01 03 00 00 00 0A"
REQUEST_WITH_CRC = REQUEST + " C5 CD"
DEVICE_FRAME = bytes([0x01, 0x03, 0x02, 0x00, 0x2A, 0x38, 0x5B])
# A file to send: an empty line is passed over, lower case goes out in
# upper case.
SEND_FILE_LINES = ["01 03 00 00 00 0A", "", "0a ff", "7E"]

# Auto sending: the period typed (the stored 1000 less its last digit), and
# how many sends must arrive within AUTO_SECONDS: about a second's worth at
# that period, where the stored one gives three or four.
AUTO_PERIOD = "100"
AUTO_SENDS = 10
AUTO_SECONDS = 3

# Generous for a loaded machine; each wait ends as soon as its condition holds.
START_SECONDS = 45
STEP_SECONDS = 15


class CheckFailed(Exception):
    """One check did not hold; the message says what was seen."""


class DriveError(Exception):
    """drive.exe could not do what it was asked."""


def hex_bytes(data):
    return " ".join("%02X" % b for b in data) or "(nothing)"


def wait_for(condition, seconds, step=0.02):
    """Polls condition() until it is true or the time is up; its last value."""
    deadline = time.monotonic() + seconds
    while True:
        value = condition()
        if value or time.monotonic() >= deadline:
            return value
        time.sleep(step)


def end_with_us():
    """For a child: a SIGTERM when this script ends, however it ends (a
    test runner's time-out kills it without a word)."""
    PR_SET_PDEATHSIG = 1
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGTERM)


class XServer:
    """An Xvfb of the test's own, on the first free display number."""

    def __init__(self):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "%dx%dx24" % SCREEN,
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=end_with_us)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + 30
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            ready, _, _ = select.select([read_end], [], [], 0.5)
            if ready:
                chunk = os.read(read_end, 16)
                if not chunk:
                    break
                number += chunk
        os.close(read_end)
        if not number.strip():
            self.stop()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number.decode().strip()

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


def unescape(value):
    """A reply's value with its line breaks and backslashes back."""
    out, i = [], 0
    while i < len(value):
        if value[i] == "\\" and i + 1 < len(value):
            out.append({"r": "\r", "n": "\n"}.get(value[i + 1], value[i + 1]))
            i += 2
            continue
        out.append(value[i])
        i += 1
    return "".join(out)


class Drive:
    """drive.exe under Wine, one command a line."""

    def __init__(self, exe, env):
        self.process = subprocess.Popen(["wine", exe], env=env, stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                        preexec_fn=end_with_us)
        self.pending = b""

    def reply(self, seconds):
        """The next line drive.exe writes; empty when it ends or says nothing
        for `seconds`."""
        fd = self.process.stdout.fileno()
        deadline = time.monotonic() + seconds
        while b"\n" not in self.pending:
            left = deadline - time.monotonic()
            ready, _, _ = select.select([fd], [], [], max(left, 0))
            if not ready:
                return ""
            chunk = os.read(fd, 4096)
            if not chunk:
                return ""
            self.pending += chunk
        line, self.pending = self.pending.split(b"\n", 1)
        return line.decode("utf-8", "replace").rstrip("\r")

    def __call__(self, *words):
        line = " ".join(str(w) for w in words)
        self.process.stdin.write((line + "\n").encode("utf-8"))
        self.process.stdin.flush()
        # Waits inside drive.exe are bounded by the command's own time
        # limit (milliseconds, first after the command); the others are quick.
        limit = int(words[1]) / 1000 if words[0].startswith("wait-") else 0
        reply = self.reply(limit + 30)
        if reply == "ok":
            return ""
        if reply.startswith("ok "):
            return unescape(reply[3:])
        if not reply:
            raise DriveError("no answer from drive.exe to: %s" % line)
        raise DriveError("%s: %s" % (line, unescape(reply[len("error "):])))

    def quit(self):
        if self.process.poll() is None:
            try:
                self("quit")
            except (DriveError, OSError):
                pass
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()


class Line:
    """The device's side of the pty: what the program wrote, and frames to it."""

    def __init__(self, fd):
        self.fd = fd
        self.received = bytearray()

    def pump(self, seconds):
        ready, _, _ = select.select([self.fd], [], [], seconds)
        if ready:
            try:
                self.received += os.read(self.fd, 4096)
            except OSError:
                pass

    def take(self, count, seconds):
        """Waits for `count` bytes, then briefly for any more; returns and
        forgets all that came."""
        deadline = time.monotonic() + seconds
        while len(self.received) < count and time.monotonic() < deadline:
            self.pump(0.05)
        # Anything beyond what was expected shows up within a few ticks.
        quiet = time.monotonic() + 0.3
        while time.monotonic() < quiet:
            self.pump(0.05)
        data = bytes(self.received)
        self.received.clear()
        return data

    def settings(self):
        return wineports.line_settings(self.fd)


def windows_path_to_unix(prefix, path):
    """C:\\users\\... as a path inside the prefix's drive_c."""
    if len(path) < 3 or path[1:3] != ":\\" or path[0].lower() != "c":
        raise RuntimeError("not a path on C: %r" % path)
    return os.path.join(prefix, "drive_c", *[p for p in path[3:].split("\\") if p])


def unix_to_windows_path(prefix, path):
    """A path inside the prefix's drive_c as C:\\..."""
    relative = os.path.relpath(path, os.path.join(prefix, "drive_c"))
    if relative.startswith(".."):
        raise RuntimeError("%s is not on the prefix's C: drive" % path)
    return "C:\\" + relative.replace("/", "\\")


def put_programs_on_desktop(prefix, env, names):
    """Each program runs on the named Wine desktop (a window of the X server
    with Wine's own title bars and focus), whatever other programs of the
    prefix do."""
    lines = ["REGEDIT4", "",
             "[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]",
             '"%s"="%dx%d"' % ((DESKTOP,) + SCREEN), ""]
    for name in names:
        lines += ["[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\%s\\Explorer]" % name,
                  '"Desktop"="%s"' % DESKTOP, ""]
    with tempfile.NamedTemporaryFile("w", suffix=".reg", dir=os.path.join(prefix, "drive_c"),
                                     delete=False, encoding="ascii") as f:
        f.write("\r\n".join(lines) + "\r\n")
        reg = f.name
    try:
        subprocess.run(["wine", "regedit", "/S", "C:\\" + os.path.basename(reg)], env=env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True, timeout=60)
    finally:
        os.unlink(reg)


class Run:
    def __init__(self, options, prefix, line):
        self.options = options
        self.prefix = prefix
        self.line = line
        self.env = None
        self.drive = None
        self.exe = None
        self.window = None
        self.settings = None
        self.capture = os.path.join(os.getcwd(), "data.txt")

    def shot(self, name):
        if not self.options.screenshots:
            return
        os.makedirs(self.options.screenshots, exist_ok=True)
        subprocess.run(["import", "-display", self.env["DISPLAY"], "-window", "root",
                        os.path.join(self.options.screenshots, name + ".png")], check=False)

    def start(self, display):
        self.env = dict(os.environ, DISPLAY=display)
        self.env.pop("WAYLAND_DISPLAY", None)
        put_programs_on_desktop(self.prefix, self.env,
                                [os.path.basename(self.options.exe), os.path.basename(self.options.drive)])
        self.drive = Drive(self.options.drive, self.env)
        self.settings = windows_path_to_unix(self.prefix, self.drive("appdata") + "\\Lirosa")
        shutil.rmtree(self.settings, ignore_errors=True)
        os.makedirs(self.settings)
        with open(os.path.join(self.settings, "set.log"), "wb") as f:
            f.write(STORED_SET_LOG)
        if os.path.exists(self.capture):
            os.unlink(self.capture)
        self.exe = subprocess.Popen(["wine", self.options.exe], env=self.env,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                    preexec_fn=end_with_us)
        self.window = self.drive("wait-window", START_SECONDS * 1000, MAIN_CLASS, MAIN_TITLE)

    def text(self, control):
        return self.drive("text", self.window, control)

    def wait_text(self, control, wanted, seconds=STEP_SECONDS):
        """The control's text once it reads `wanted`, else its last text."""
        seen = [None]

        def matches():
            seen[0] = self.text(control)
            return seen[0] == wanted
        wait_for(matches, seconds, 0.05)
        return seen[0]

    def type_request(self, text):
        self.drive("click", self.window, ID_REQUEST1)
        self.drive("key", "end")
        self.drive("type", text)
        shown = self.wait_text(ID_REQUEST1, text)
        if shown != text:
            raise CheckFailed("request box 1 shows %r after typing %r" % (shown, text))

    def send_request(self, expected):
        self.drive("click", self.window, ID_SEND1)
        data = self.line.take(len(expected), STEP_SECONDS)
        if data != expected:
            raise CheckFailed("the line got %s, expected %s" % (hex_bytes(data), hex_bytes(expected)))

    # 1
    def port_opens_with_stored_settings(self):
        def applied():
            baud, _, _, stop, _ = self.line.settings()
            return baud == STORED_LINE[0] and stop == STORED_LINE[3]
        wait_for(applied, STEP_SECONDS)
        problem = wineports.line_mismatch(self.line.fd, STORED_LINE)
        caption = self.wait_text(ID_OPEN_CLOSE, "关闭串口")
        self.shot("window")
        if problem:
            raise CheckFailed("pty line settings: %s (button 1003 reads %r)" % (problem, caption))
        if caption != "关闭串口":
            raise CheckFailed("button 1003 reads %r, not the open port's caption" % caption)
        # Read once at start-up: from now on only the close can bring it back.
        os.unlink(os.path.join(self.settings, "set.log"))

    # 2
    def typed_request_arrives(self):
        self.type_request(REQUEST)
        self.send_request(bytes.fromhex(REQUEST))

    # 3
    def checksum_dialog_appends_crc(self):
        self.drive("click", self.window, ID_CHECKSUM1)
        dialog = self.drive("wait-window", STEP_SECONDS * 1000, DIALOG_CLASS, CHECKSUM_TITLE)
        self.shot("checksum")
        self.drive("click", dialog, ID_OK)
        self.drive("wait-gone", STEP_SECONDS * 1000, dialog)
        shown = self.wait_text(ID_REQUEST1, REQUEST_WITH_CRC)
        if shown != REQUEST_WITH_CRC:
            raise CheckFailed("request box 1 shows %r, expected %r" % (shown, REQUEST_WITH_CRC))
        self.send_request(bytes.fromhex(REQUEST_WITH_CRC))

    # 4
    def device_frame_is_captured(self):
        self.drive("click", self.window, ID_CAPTURE)
        caption = self.wait_text(ID_CAPTURE, "停止保存")
        if caption != "停止保存":
            raise CheckFailed("button 1015 reads %r: capture did not start" % caption)
        os.write(self.line.fd, DEVICE_FRAME)
        # A received frame in hex, as the display shows it: no tag or time
        # stamp and no line break with those options off.
        expected = "".join("%02X " % b for b in DEVICE_FRAME).encode()
        self.wait_capture(expected, "capture")

    def read_capture(self):
        try:
            with open(self.capture, "rb") as f:
                return f.read()
        except OSError:
            return None

    def wait_capture(self, expected, picture):
        wait_for(lambda: (self.read_capture() or b"").startswith(expected), STEP_SECONDS)
        time.sleep(0.3)  # room for a stray record to show
        got = self.read_capture()
        self.shot(picture)
        if got != expected:
            raise CheckFailed("data.txt holds %r, expected %r" % (got, expected))

    # 5
    def file_lines_reach_the_line(self):
        path = os.path.join(os.getcwd(), "lines.txt")
        with open(path, "wb") as f:
            f.write("".join(line + "\r\n" for line in SEND_FILE_LINES).encode())
        windows_path = unix_to_windows_path(self.prefix, path)
        before = self.read_capture() or b""
        self.drive("click", self.window, ID_CHOOSE_SEND_FILE)
        dialog = self.drive("wait-window", STEP_SECONDS * 1000, "#32770", "*")
        self.drive("click", dialog, ID_FILE_NAME)
        self.drive("type", windows_path)
        self.drive("click", dialog, ID_OK)
        self.drive("wait-gone", STEP_SECONDS * 1000, dialog)
        count = self.wait_text(ID_FILE_LINE_COUNT, str(len(SEND_FILE_LINES)))
        title = self.text(0)
        if count != str(len(SEND_FILE_LINES)) or title != MAIN_TITLE + " 发送文件" + windows_path:
            raise CheckFailed("after choosing %s: %s lines counted, title %r"
                              % (windows_path, count, title))
        self.drive("click", self.window, ID_SEND_ONCE)
        self.drive("click", self.window, ID_FILE_CYCLING)
        expected = bytes.fromhex(" ".join(SEND_FILE_LINES))
        # One line per cycle period (a second by default), the empty one too.
        data = self.line.take(len(expected), STEP_SECONDS + len(SEND_FILE_LINES))
        if data != expected:
            raise CheckFailed("the line got %s, expected %s" % (hex_bytes(data), hex_bytes(expected)))
        caption = self.wait_text(ID_FILE_CYCLING, "开始文件轮发")
        if caption != "开始文件轮发":
            raise CheckFailed("button 1061 reads %r after the last line of a send-once run" % caption)
        self.wait_capture(before + "".join(line.upper() for line in SEND_FILE_LINES).encode(), "file")

    # 6
    def auto_sending_repeats_request(self):
        frame = bytes.fromhex(REQUEST_WITH_CRC)
        self.drive("click", self.window, ID_AUTO1)
        # The period box is enabled with the box ticked: a click on it as
        # it was would fail.
        self.drive("click", self.window, ID_PERIOD1)
        self.drive("key", "end")
        self.drive("key", "back")
        period = self.wait_text(ID_PERIOD1, AUTO_PERIOD)
        if period != AUTO_PERIOD:
            raise CheckFailed("the period box of request 1 reads %r" % period)
        began = time.monotonic()
        self.line.take(0, 0)  # what the first period sent, if anything
        data = self.line.take(len(frame) * AUTO_SENDS, AUTO_SECONDS)
        elapsed = time.monotonic() - began
        self.drive("click", self.window, ID_AUTO1)
        time.sleep(0.2)  # a send under way as the box was cleared
        data += self.line.take(0, 0)
        after = self.line.take(1, 1.5)
        sends, rest = divmod(len(data), len(frame))
        if rest or data != frame * sends:
            raise CheckFailed("the line got %s, not whole copies of %s"
                              % (hex_bytes(data), hex_bytes(frame)))
        if sends < AUTO_SENDS:
            raise CheckFailed("%d sends of request 1 in %.1f s at a period of %s ms"
                              % (sends, elapsed, AUTO_PERIOD))
        if after:
            raise CheckFailed("with its box cleared, request 1 still went out: %s" % hex_bytes(after))

    # 7
    def close_writes_settings(self):
        if self.options.screenshots:
            self.drive("key", "f1")
            about = self.drive("wait-window", STEP_SECONDS * 1000, DIALOG_CLASS, "О программе Lirosa")
            self.shot("about")
            self.drive("click", about, ID_OK)
            self.drive("wait-gone", STEP_SECONDS * 1000, about)
        self.drive("close", self.window)
        try:
            status = self.exe.wait(STEP_SECONDS)
        except subprocess.TimeoutExpired:
            raise CheckFailed("Lirosa.exe still runs %d s after its close button" % STEP_SECONDS)
        files = {}
        for name in ("set.log", "data.log"):
            try:
                with open(os.path.join(self.settings, name), "rb") as f:
                    files[name] = f.read()
            except OSError as error:
                files[name] = "missing (%s)" % error.strerror
        expected = {"set.log": STORED_SET_LOG,
                    "data.log": (REQUEST_WITH_CRC + "\r\n\r\n\r\n").encode()}
        wrong = ["%s holds %r, expected %r" % (name, files[name], expected[name])
                 for name in expected if files[name] != expected[name]]
        if status != 0:
            wrong.append("Lirosa.exe ended with status %d" % status)
        if wrong:
            raise CheckFailed("; ".join(wrong))

    def stop(self):
        if self.drive:
            self.drive.quit()
        if self.exe and self.exe.poll() is None:
            self.exe.kill()
            self.exe.wait()


CHECKS = [
    (1, "the port opens with the stored settings", "port_opens_with_stored_settings"),
    (2, "a typed request arrives byte for byte", "typed_request_arrives"),
    (3, "the checksum dialog appends C5 CD", "checksum_dialog_appends_crc"),
    (4, "a frame from the device is captured to data.txt", "device_frame_is_captured"),
    (5, "a file of hex lines is sent line by line", "file_lines_reach_the_line"),
    (6, "request 1 goes out again and again on a short auto period", "auto_sending_repeats_request"),
    (7, "closing the window writes set.log and data.log", "close_writes_settings"),
]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True)
    parser.add_argument("--drive", required=True)
    parser.add_argument("--screenshots")
    options = parser.parse_args()
    prefix = os.environ.get("WINEPREFIX")
    fd = os.environ.get("LIROSA_PTY_FD")
    if not prefix or not fd or not os.environ.get("LIROSA_PTY"):
        print("lirosa_e2e.py: run it through with-pty.py --device none", file=sys.stderr)
        return 2
    # with-pty.py has led COM1 to the pty; no port is opened otherwise.
    wineports.check(prefix, os.environ["LIROSA_PTY"])

    line = Line(int(fd))
    run = Run(options, prefix, line)
    server = XServer()
    results = []
    began = time.monotonic()
    try:
        try:
            run.start(server.display)
        except (DriveError, RuntimeError, subprocess.SubprocessError) as error:
            results = [(n, what, "not run: Lirosa.exe did not come up: %s" % error)
                       for n, what, _ in CHECKS]
        else:
            for number, what, method in CHECKS:
                try:
                    getattr(run, method)()
                    results.append((number, what, None))
                except (CheckFailed, DriveError) as error:
                    results.append((number, what, str(error)))
    finally:
        run.stop()
        server.stop()
    failed = 0
    for number, what, problem in results:
        if problem is None:
            print("check %d ok: %s" % (number, what))
        else:
            failed += 1
            print("check %d FAILED: %s: %s" % (number, what, problem))
    print("lirosa_e2e: %.1f s" % (time.monotonic() - began))
    print("%d passed, %d failed" % (len(results) - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    sys.exit(main())
