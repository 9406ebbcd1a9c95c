#!/usr/bin/env python3
"""Runs a command with the Wine prefix's COM1 mapped to a fresh pseudo-terminal.

Usage: with-pty.py [--expect-line BAUD,BITS,PARITY,STOP] [--device MODE]
                   [--info FILE] -- COMMAND ARGS...

WINEPREFIX names the prefix (made when missing, see wineports.py). The run
is refused (status 125) unless COM1 leads to the new pty and no other DOS
device of the prefix leads into /dev; the same is watched while the command
runs, and the command is killed if that ever changes.

--device echo (the default) plays a loop-back plug: every byte written to
COM1 comes back. --device none leaves the far end to the command: it gets
the pty's master side as file descriptor LIROSA_PTY_FD (a Linux-side driver
of an end-to-end test, which starts wine itself). Either way the command's
environment names the pty's path (LIROSA_PTY) and the prefix.

The command runs in a folder on the prefix's C: drive (drive_c/lirosa-run
unless --cwd names another), because no drive of the prefix reaches the
rest of the Unix file system.

--info FILE writes the pty's path and, after the command, the line settings
left on it ("19200,8,N,1"; a pty always shows 8 data bits and no parity).
--expect-line fails the run (status 1) when the speed, the stop bits or
(for 8,N) the framing differ, or flow control is on.
"""
import argparse
import os
import pty
import select
import subprocess
import sys
import tty

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import wineports  # noqa: E402

REFUSED = 125


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--expect-line", type=wineports.parse_line)
    parser.add_argument("--device", choices=("echo", "none"), default="echo")
    parser.add_argument("--info")
    parser.add_argument("--cwd")
    parser.add_argument("command", nargs=argparse.REMAINDER)
    options = parser.parse_args()
    command = options.command[1:] if options.command[:1] == ["--"] else options.command
    if not command:
        parser.error("no command")
    prefix = os.environ.get("WINEPREFIX")
    if not prefix or not os.path.isabs(prefix):
        print("with-pty.py: WINEPREFIX must name the test prefix by an absolute path",
              file=sys.stderr)
        return REFUSED

    hold = wineports.lock(prefix)
    master, slave = pty.openpty()
    slave_path = os.ttyname(slave)
    tty.setraw(master)
    try:
        wineports.start(prefix, slave_path)
    except (wineports.UnsafePrefix, OSError, subprocess.CalledProcessError) as error:
        print("with-pty.py: refusing to run: %s" % error, file=sys.stderr)
        return REFUSED
    if options.info:
        with open(options.info, "w", encoding="utf-8") as f:
            f.write("pty %s\n" % slave_path)

    env = dict(os.environ, LIROSA_PTY=slave_path, WINEPREFIX=prefix)
    env.setdefault("WINEDEBUG", "-all")
    pass_fds = ()
    if options.device == "none":
        env["LIROSA_PTY_FD"] = str(master)
        pass_fds = (master,)
    cwd = options.cwd or os.path.join(prefix, "drive_c", "lirosa-run")
    os.makedirs(cwd, exist_ok=True)
    child = subprocess.Popen(command, env=env, pass_fds=pass_fds, cwd=cwd)
    unsafe = None
    try:
        while child.poll() is None:
            try:
                wineports.check(prefix, slave_path)
            except wineports.UnsafePrefix as error:
                unsafe = error
                child.kill()
                break
            if options.device != "echo":
                select.select([], [], [], 0.05)
                continue
            ready, _, _ = select.select([master], [], [], 0.05)
            if not ready:
                continue
            try:
                data = os.read(master, 4096)
            except OSError:
                continue
            if data:
                os.write(master, data)
        status = child.wait()
    finally:
        if child.poll() is None:
            child.kill()
            child.wait()
    if unsafe is not None:
        print("with-pty.py: stopped the command: %s" % unsafe, file=sys.stderr)
        return REFUSED

    baud, bits, parity, stop, _ = wineports.line_settings(master)
    if options.info:
        with open(options.info, "a", encoding="utf-8") as f:
            f.write("line %d,%d,%s,%d\n" % (baud, bits, parity, stop))
    if status == 0 and options.expect_line is not None:
        problem = wineports.line_mismatch(master, options.expect_line)
        if problem:
            print("with-pty.py: line settings on the pty: %s" % problem, file=sys.stderr)
            status = 1
    os.close(slave)
    os.close(master)
    os.close(hold)
    return status


if __name__ == "__main__":
    sys.exit(main())
