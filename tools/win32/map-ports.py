#!/usr/bin/env python3
"""Maps the Wine prefix's COM ports before any program of it runs.

COM1 leads to the given pseudo-terminal; COM2 ... COM256 to nothing (an
empty value), so no port can reach /dev/ttyS* (ttyS0 is the console).
Also gives the programs a Wine desktop window and makes Wine draw the dialog font's Chinese and Russian captions with
WenQuanYi Micro Hei. Edits system.reg and user.reg directly: the
wineserver must be down, so that no device manager runs with the old map.
"""
import os
import re
import sys
import time

prefix, slave = sys.argv[1], sys.argv[2]


def set_section(path, key, values):
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        text = f.read()
    header = "[" + key.replace("\\", "\\\\") + "]"
    # A section runs from its header to the blank line before the next one.
    pattern = re.compile(r"\n" + re.escape(header) + r"[^\n]*\n(?:[^\n]+\n)*", re.M)
    body = "\n" + header + " %d\n" % int(time.time())
    body += "".join('"%s"="%s"\n' % (name, value.replace("\\", "\\\\")) for name, value in values)
    if pattern.search(text):
        text = pattern.sub(lambda _: body, text, count=1)
    else:
        text = text.rstrip("\n") + "\n" + body
    with open(path + ".new", "w", encoding="utf-8", errors="surrogateescape") as f:
        f.write(text)
    os.replace(path + ".new", path)


ports = [("COM1", slave)] + [("COM%d" % n, "") for n in range(2, 257)]
set_section(os.path.join(prefix, "system.reg"), "Software\\Wine\\Ports", ports)
face = "WenQuanYi Micro Hei"
set_section(os.path.join(prefix, "user.reg"), "Software\\Wine\\Fonts\\Replacements",
            [(name, face) for name in ("Tahoma", "MS Shell Dlg", "MS Shell Dlg 2",
                                       "Microsoft Sans Serif", "Segoe UI", "SimSun")])
# Wine's own desktop window draws frames and title bars, which a bare X
# server without a window manager would not.
set_section(os.path.join(prefix, "user.reg"), "Software\\Wine\\Explorer", [("Desktop", "Lirosa")])
set_section(os.path.join(prefix, "user.reg"), "Software\\Wine\\Explorer\\Desktops",
            [("Lirosa", "1000x620")])
dosdevices = os.path.join(prefix, "dosdevices")
for name in os.listdir(dosdevices):
    if re.fullmatch(r"com\d+", name):
        os.remove(os.path.join(dosdevices, name))
