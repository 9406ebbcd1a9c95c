#!/usr/bin/env python3
"""The harness's own safety checks, without Wine: a prefix is accepted only
when COM1 leads to the test's pty and nothing else leads into /dev, and the
line settings are read back from a pty as a program left them."""
import os
import pty
import tempfile
import termios
import unittest

import wineports


class PrefixCheckTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.prefix = os.path.join(self.folder.name, "wineprefix")
        os.makedirs(os.path.join(self.prefix, "dosdevices"))
        os.makedirs(os.path.join(self.prefix, "drive_c"))
        self.master, self.slave = pty.openpty()
        self.pty = os.ttyname(self.slave)
        self.link("c:", "../drive_c")
        self.link("com1", wineports.link_path(self.prefix))
        wineports.point_com1(self.prefix, self.pty)

    def tearDown(self):
        os.close(self.master)
        os.close(self.slave)
        self.folder.cleanup()

    def link(self, name, target):
        path = os.path.join(self.prefix, "dosdevices", name)
        if os.path.lexists(path):
            os.unlink(path)
        os.symlink(target, path)

    def test_com1_on_the_pty_and_a_drive_in_the_prefix_pass(self):
        wineports.check(self.prefix, self.pty)

    def test_anything_leading_into_dev_or_to_root_is_refused(self):
        # Links only: nothing here is ever opened.
        for name, target in (("com1", "/dev/ttyS0"), ("com256", "/dev/ttyS0"),
                             ("z:", "/"), ("d::", "/dev/sda")):
            with self.subTest(name=name):
                self.link(name, target)
                with self.assertRaises(wineports.UnsafePrefix):
                    wineports.check(self.prefix, self.pty)
                os.unlink(os.path.join(self.prefix, "dosdevices", name))
                self.link("com1", wineports.link_path(self.prefix))

    def test_com1_pointing_at_another_pty_is_refused(self):
        master, slave = pty.openpty()
        try:
            wineports.point_com1(self.prefix, os.ttyname(slave))
            with self.assertRaises(wineports.UnsafePrefix):
                wineports.check(self.prefix, self.pty)
        finally:
            os.close(master)
            os.close(slave)

    def test_tidying_removes_every_other_port_and_drive(self):
        self.link("com256", "/dev/ttyS0")
        self.link("com2", "/dev/ttyUSB0")
        self.link("z:", "/")
        self.link("lpt1", "/dev/lp0")
        wineports._tidy(self.prefix)
        self.assertEqual(sorted(os.listdir(os.path.join(self.prefix, "dosdevices"))), ["c:", "com1"])
        wineports.check(self.prefix, self.pty)

    def test_the_registry_mapping_must_cover_every_port(self):
        with open(os.path.join(self.prefix, "system.reg"), "w", encoding="utf-8") as f:
            f.write("WINE REGISTRY Version 2\n\n" + wineports._registry_text(self.prefix))
        self.assertTrue(wineports._has_mapping(self.prefix))
        with open(os.path.join(self.prefix, "system.reg"), "w", encoding="utf-8") as f:
            f.write("WINE REGISTRY Version 2\n\n"
                    + wineports._registry_text(self.prefix).replace('"COM7"=""\n', ""))
        self.assertFalse(wineports._has_mapping(self.prefix))


class FontsTest(unittest.TestCase):
    def test_wines_own_fonts_are_copied_once_from_the_first_folder_holding_them(self):
        with tempfile.TemporaryDirectory() as folder:
            first, second = os.path.join(folder, "first"), os.path.join(folder, "second")
            for path, names in ((first, ["tahoma.ttf"]),
                                (second, ["tahoma.ttf", "marlett.ttf"])):
                os.makedirs(path)
                for name in names:
                    with open(os.path.join(path, name), "w", encoding="utf-8") as f:
                        f.write(path + name)
            prefix = os.path.join(folder, "wineprefix")
            self.assertEqual(wineports.install_fonts(prefix, ("/nonexistent", first, second)), [])
            fonts = os.path.join(prefix, "drive_c", "windows", "Fonts")
            self.assertEqual(sorted(os.listdir(fonts)), ["marlett.ttf", "tahoma.ttf"])
            with open(os.path.join(fonts, "tahoma.ttf"), encoding="utf-8") as f:
                self.assertEqual(f.read(), first + "tahoma.ttf")
            # A font already in the prefix stays as it is.
            with open(os.path.join(fonts, "marlett.ttf"), "w", encoding="utf-8") as f:
                f.write("kept")
            os.remove(os.path.join(fonts, "tahoma.ttf"))
            self.assertEqual(wineports.install_fonts(prefix, (second,)), [])
            with open(os.path.join(fonts, "tahoma.ttf"), encoding="utf-8") as f:
                self.assertEqual(f.read(), second + "tahoma.ttf")
            os.remove(os.path.join(fonts, "tahoma.ttf"))
            self.assertEqual(wineports.install_fonts(prefix, ("/nonexistent",)), ["tahoma.ttf"])
            with open(os.path.join(fonts, "marlett.ttf"), encoding="utf-8") as f:
                self.assertEqual(f.read(), "kept")


class LineSettingsTest(unittest.TestCase):
    ROWS = (
        # set on the slave, expected, what --expect-line reports
        ((termios.B19200, 0), "19200,8,N,1", ""),
        ((termios.B57600, termios.CSTOPB), "57600,8,N,2", ""),
        ((termios.B9600, 0), "19200,8,N,1", "speed 9600, expected 19200"),
        ((termios.B19200, termios.CSTOPB), "19200,8,N,1", "stop bits 2, expected 1"),
        # a pty cannot show 7 data bits or parity: only speed and stop bits count
        ((termios.B4800, 0), "4800,7,E,1", ""),
    )

    def test_the_pty_shows_speed_and_stop_bits_as_set(self):
        for (speed, cflags), expected, problem in self.ROWS:
            with self.subTest(expected=expected, problem=problem):
                master, slave = pty.openpty()
                try:
                    attributes = termios.tcgetattr(slave)
                    attributes[0] &= ~(termios.IXON | termios.IXOFF)
                    attributes[2] = (attributes[2] & ~termios.CSTOPB) | cflags
                    attributes[4] = attributes[5] = speed
                    termios.tcsetattr(slave, termios.TCSANOW, attributes)
                    self.assertEqual(
                        wineports.line_mismatch(master, wineports.parse_line(expected)), problem)
                finally:
                    os.close(master)
                    os.close(slave)

    def test_flow_control_left_on_is_reported(self):
        master, slave = pty.openpty()
        try:
            attributes = termios.tcgetattr(slave)
            attributes[0] |= termios.IXON
            attributes[4] = attributes[5] = termios.B19200
            termios.tcsetattr(slave, termios.TCSANOW, attributes)
            self.assertEqual(wineports.line_mismatch(master, (19200, 8, "N", 1)), "flow control on")
        finally:
            os.close(master)
            os.close(slave)


if __name__ == "__main__":
    unittest.main()
