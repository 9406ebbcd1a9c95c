#!/usr/bin/env python3
"""Holds a pseudo-terminal for a Wine run of Lirosa.exe: the device side.

Writes the slave's path to FOLDER/slave, appends every byte the program
sends to FOLDER/received, and writes to the line whatever is put into
FOLDER/send (the file is removed once written). Ends on SIGTERM.
"""
import os
import select
import signal
import sys
import tty

folder = sys.argv[1]
os.makedirs(folder, exist_ok=True)
master, slave = os.openpty()
tty.setraw(slave)
path = os.ttyname(slave)
# The slave stays open here too, so the line never hangs up between opens.
with open(os.path.join(folder, "slave.tmp"), "w") as f:
    f.write(path)
os.rename(os.path.join(folder, "slave.tmp"), os.path.join(folder, "slave"))

running = True


def stop(*_):
    global running
    running = False


signal.signal(signal.SIGTERM, stop)
signal.signal(signal.SIGINT, stop)
received = open(os.path.join(folder, "received"), "ab", buffering=0)
send = os.path.join(folder, "send")
while running:
    try:
        ready, _, _ = select.select([master], [], [], 0.05)
    except InterruptedError:
        continue
    if ready:
        try:
            received.write(os.read(master, 65536))
        except OSError:
            pass
    if os.path.exists(send):
        with open(send, "rb") as f:
            os.write(master, f.read())
        os.remove(send)
