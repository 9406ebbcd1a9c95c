#!/usr/bin/env python3
"""The end-to-end script's own pieces, without Wine or a display: how it
reads drive.exe's replies, maps paths between Unix and the prefix's C:
drive, and takes what a program wrote to the pty."""
import os
import pty
import subprocess
import sys
import tempfile
import tty
import unittest

import lirosa_e2e as e2e


class FakeProcess:
    def __init__(self, stdout):
        self.stdout = stdout


def drive_reading(data):
    """A Drive whose drive.exe has written `data` and then gone quiet."""
    read_end, write_end = os.pipe()
    os.write(write_end, data)
    drive = e2e.Drive.__new__(e2e.Drive)
    drive.process = FakeProcess(os.fdopen(read_end, "rb"))
    drive.pending = b""
    return drive, write_end


class DriveReplyTest(unittest.TestCase):
    def test_lines_come_whole_without_their_line_ends_whatever_the_chunks(self):
        # A Windows program's text-mode stdout ends lines in CR LF.
        drive, write_end = drive_reading(b"ok 10060\r\nok\nerror no ")
        self.addCleanup(drive.process.stdout.close)
        self.assertEqual(drive.reply(1), "ok 10060")
        self.assertEqual(drive.reply(1), "ok")
        os.write(write_end, b"window\n")
        self.assertEqual(drive.reply(1), "error no window")
        self.assertEqual(drive.reply(0.05), "", "silence is no reply")
        os.close(write_end)
        self.assertEqual(drive.reply(1), "", "nor is the end of the pipe")

    def test_escaped_values_come_back_as_written(self):
        for written, value in [(r"C:\\users\\root", "C:\\users\\root"),
                               (r"a\r\nb", "a\r\nb"),
                               (r"\\r is not a line break", "\\r is not a line break"),
                               ("关闭串口", "关闭串口")]:
            with self.subTest(value=value):
                self.assertEqual(e2e.unescape(written), value)


class PathTest(unittest.TestCase):
    prefix = "/build/wineprefix"

    def test_c_drive_paths_map_both_ways(self):
        unix = e2e.windows_path_to_unix(self.prefix, "C:\\users\\root\\AppData\\Roaming\\Lirosa")
        self.assertEqual(unix, self.prefix + "/drive_c/users/root/AppData/Roaming/Lirosa")
        self.assertEqual(e2e.unix_to_windows_path(self.prefix, self.prefix + "/drive_c/run/lines.txt"),
                         "C:\\run\\lines.txt")

    def test_paths_off_the_c_drive_are_refused(self):
        for path in ["D:\\data", "\\\\?\\unix\\tmp", "C:"]:
            with self.subTest(path=path), self.assertRaises(RuntimeError):
                e2e.windows_path_to_unix(self.prefix, path)
        with self.assertRaises(RuntimeError):
            e2e.unix_to_windows_path(self.prefix, "/tmp/lines.txt")


class LineTest(unittest.TestCase):
    def setUp(self):
        self.master, self.slave = pty.openpty()
        tty.setraw(self.master)
        tty.setraw(self.slave)
        self.line = e2e.Line(self.master)

    def tearDown(self):
        os.close(self.master)
        os.close(self.slave)

    def test_take_returns_what_came_extra_bytes_included_and_forgets_it(self):
        os.write(self.slave, b"\x01\x03\x00")
        os.write(self.slave, b"\x00\x00\x0a\xff")
        self.assertEqual(self.line.take(6, 2), b"\x01\x03\x00\x00\x00\x0a\xff")
        self.assertEqual(self.line.take(1, 0.1), b"")

    def test_stored_line_settings_are_read_back(self):
        subprocess.run(["stty", "-F", os.ttyname(self.slave), "57600", "cstopb"], check=True)
        baud, bits, parity, stop, _ = self.line.settings()
        self.assertEqual((baud, bits, parity, stop), e2e.STORED_LINE)


class RefusalTest(unittest.TestCase):
    def test_without_the_pty_harness_nothing_starts(self):
        env = {k: v for k, v in os.environ.items() if k not in ("LIROSA_PTY_FD", "LIROSA_PTY")}
        with tempfile.TemporaryDirectory() as folder:
            env["WINEPREFIX"] = folder
            run = subprocess.run([sys.executable, e2e.__file__, "--exe", "x", "--drive", "y"],
                                 env=env, capture_output=True, text=True, timeout=30)
        self.assertEqual(run.returncode, 2)
        self.assertIn("with-pty.py", run.stderr)


if __name__ == "__main__":
    unittest.main()
