#!/usr/bin/env python3
"""Runs a Windows program under Wine with COM1 mapped to a pseudo-terminal.

The far end echoes every byte back, as a loop-back plug would. After the
program ends, --expect-baud checks the speed the program left on the line.
Usage: with-pty.py [--expect-baud N] -- wine PROGRAM ARGS...
"""
import os
import pty
import select
import subprocess
import sys
import termios
import tty

SPEEDS = {getattr(termios, "B" + s): int(s) for s in
          ("1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200")}


def main():
    args = sys.argv[1:]
    expect_baud = None
    if args[:1] == ["--expect-baud"]:
        expect_baud = int(args[1])
        args = args[2:]
    if args[:1] == ["--"]:
        args = args[1:]
    prefix = os.environ["WINEPREFIX"]
    master, slave = pty.openpty()
    tty.setraw(master)
    link = os.path.join(prefix, "dosdevices", "com1")
    # Never leave COM1 on the machine's console: replace whatever is there.
    for name in os.listdir(os.path.join(prefix, "dosdevices")):
        if name.startswith("com"):
            os.unlink(os.path.join(prefix, "dosdevices", name))
    os.symlink(os.ttyname(slave), link)
    child = subprocess.Popen(args)
    try:
        while child.poll() is None:
            ready, _, _ = select.select([master], [], [], 0.05)
            if ready:
                try:
                    data = os.read(master, 4096)
                except OSError:
                    continue
                if os.environ.get("WITH_PTY_TRACE"):
                    print(f"echo {len(data)} bytes", file=sys.stderr)
                os.write(master, data)
        status = child.returncode
        if status == 0 and expect_baud is not None:
            speed = SPEEDS.get(termios.tcgetattr(slave)[4], None)
            if speed != expect_baud:
                print(f"line speed {speed}, expected {expect_baud}", file=sys.stderr)
                status = 1
        return status
    finally:
        if child.poll() is None:
            child.kill()
        os.unlink(link)


if __name__ == "__main__":
    sys.exit(main())
