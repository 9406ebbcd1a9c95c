"""A Wine prefix whose only COM port is a pseudo-terminal of the tests.

Wine's mount manager gives every /dev/ttyS*, ttyUSB* and ttyACM* of the
machine a COM name ($WINEPREFIX/dosdevices/comN) each time a wine server
starts, and /dev/ttyS0 is often the machine's console: a test that opened
COM1 there would change the console's line settings. So the prefix is made
with HKLM\\Software\\Wine\\Ports naming COM1 a link of the prefix's own
(lirosa-com1, pointed at a fresh pty for each run) and COM2 ... COM255 as
"" (no device). The mount manager ignores a COM256 entry and gives that
name to the first device it finds, so every link but com1 is removed after
the server has started, and `check()` refuses to go on unless com1 leads to
the pty and nothing else in dosdevices leads into /dev.

The prefix has no Z: drive (Wine's view of /), so no Windows path in a test
can reach /dev either: programs started by a Unix path outside the prefix's
drives are still found by Wine.
"""
import array
import fcntl
import os
import re
import shutil
import struct
import subprocess
import sys
import time

MAX_PORT = 255
LINK_NAME = "lirosa-com1"
LOCK_NAME = "lirosa-com1.lock"
# Marks a prefix this module made, which it may remove and make again.
MARKER_NAME = "lirosa-test-prefix"

# struct termios2 on Linux: four flag words, the line discipline, 19 control
# characters, then the input and output speeds in baud.
TCGETS2 = 0x802C542A
TERMIOS2 = struct.Struct("=IIIIB19sII")
CSIZE, CS5, CS6, CS7, CS8 = 0o60, 0o0, 0o20, 0o40, 0o60
CSTOPB, PARENB, PARODD, CMSPAR = 0o100, 0o400, 0o1000, 0o10000000000
CRTSCTS = 0o20000000000
IXON, IXOFF = 0o2000, 0o10000
CBAUD, BOTHER = 0o10017, 0o10000

# Wine's own Tahoma (the dialog face) and Marlett (the title bar's glyphs),
# which every Windows has. Debian's Wine installs them (fonts-wine) where it
# does not look for them, and puts in a wider face for Tahoma and letters
# for the title bar's buttons; the window's captions are measured in them.
# Tahoma's bold face (tahomabd.ttf) stays out: with it, Wine finds no face
# for the Chinese of a title bar, which it draws in boxes.
WINE_FONTS = ("tahoma.ttf", "marlett.ttf")
WINE_FONT_FOLDERS = ("/usr/share/wine/fonts", "/usr/local/share/wine/fonts",
                     "/opt/wine-stable/share/wine/fonts")
# Windows links Tahoma to Chinese faces (SimSun among them) for the
# characters it lacks; Wine's prefix names the same links but has none of
# those fonts, so a Chinese face of the machine stands in for SimSun.
CHINESE_FACE = "WenQuanYi Micro Hei"
REPLACEMENTS_KEY = "HKCU\\Software\\Wine\\Fonts\\Replacements"
CHINESE_MARKER_NAME = "lirosa-chinese-face"


class UnsafePrefix(Exception):
    """COM1 could lead somewhere else than the test's pseudo-terminal."""


def _env(prefix):
    env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG=os.environ.get("WINEDEBUG", "-all"))
    # Never a desktop integration or a first-run dialog in a test prefix.
    env["WINEDLLOVERRIDES"] = os.environ.get("WINEDLLOVERRIDES", "mscoree,mshtml,winemenubuilder.exe=")
    return env


def link_path(prefix):
    return os.path.join(prefix, LINK_NAME)


def _registry_text(prefix):
    lines = ["[Software\\\\Wine\\\\Ports] 0",
             '"COM1"="%s"' % link_path(prefix).replace("\\", "\\\\")]
    lines += ['"COM%d"=""' % n for n in range(2, MAX_PORT + 1)]
    return "\n".join(lines) + "\n"


def _has_mapping(prefix):
    try:
        with open(os.path.join(prefix, "system.reg"), encoding="utf-8", errors="replace") as f:
            text = f.read()
    except OSError:
        return False
    section = re.search(r"^\[Software\\\\Wine\\\\Ports\][^\n]*\n(.*?)(?:\n\n|\n\[|\Z)", text,
                        re.M | re.S)
    if not section:
        return False
    values = dict(re.findall(r'^"(COM\d+)"="([^"]*)"', section.group(1), re.M))
    if values.get("COM1") != link_path(prefix):
        return False
    return all(values.get("COM%d" % n) == "" for n in range(2, MAX_PORT + 1))


def wineserver_kill(prefix):
    subprocess.run(["wineserver", "-k"], env=_env(prefix), stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=False)
    subprocess.run(["wineserver", "-w"], env=_env(prefix), stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=False)


def create(prefix):
    """Makes the prefix with the COM mapping in its registry from the start.

    The registry file is written before Wine first runs in the prefix, so
    the mount manager never maps COM1 to a device of the machine, not even
    during the prefix's creation."""
    os.makedirs(prefix, exist_ok=True)
    with open(os.path.join(prefix, MARKER_NAME), "w", encoding="utf-8") as f:
        f.write("A Wine prefix for the tests: COM1 is a pty of each run, no other COM port.\n")
    if not os.path.exists(os.path.join(prefix, "system.reg")):
        with open(os.path.join(prefix, "system.reg"), "w", encoding="utf-8") as f:
            f.write("WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n")
            f.write(_registry_text(prefix))
    subprocess.run(["wineboot", "-i"], env=_env(prefix), stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=True)
    # Lets the set-up finish (the server ends once it is done): killed
    # early, it would be run again by the first test, inside its time limit.
    subprocess.run(["wineserver", "-w"], env=_env(prefix), stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=False)
    if not _has_mapping(prefix):
        raise UnsafePrefix("the prefix %s lost its COM port mapping" % prefix)


def install_fonts(prefix, folders=WINE_FONT_FOLDERS):
    """Copies Wine's own fonts into the prefix's Fonts folder, where every
    Wine looks, unless they are there already. Returns the names missing
    from every folder."""
    fonts = os.path.join(prefix, "drive_c", "windows", "Fonts")
    os.makedirs(fonts, exist_ok=True)
    missing = []
    for name in WINE_FONTS:
        target = os.path.join(fonts, name)
        if os.path.exists(target):
            continue
        sources = [os.path.join(folder, name) for folder in folders]
        source = next((path for path in sources if os.path.isfile(path)), None)
        if source is None:
            missing.append(name)
            continue
        # Whole or not at all: a Wine starting meanwhile never sees half a font.
        shutil.copyfile(source, target + ".new")
        os.replace(target + ".new", target)
    return missing


def stand_in_for_chinese(prefix):
    """Names the machine's Chinese face as SimSun in the prefix, once (a
    marker file remembers it: the registry reaches its file only later)."""
    marker = os.path.join(prefix, CHINESE_MARKER_NAME)
    if os.path.exists(marker):
        return
    result = subprocess.run(["wine", "reg", "add", REPLACEMENTS_KEY, "/v", "SimSun", "/d",
                             CHINESE_FACE, "/f"], env=_env(prefix), stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, check=False, timeout=60)
    if result.returncode == 0:
        with open(marker, "w", encoding="utf-8") as f:
            f.write("SimSun stands for %s in this prefix.\n" % CHINESE_FACE)


def _dosdevices(prefix):
    return os.path.join(prefix, "dosdevices")


def _tidy(prefix):
    """Removes every DOS device but C: and com1: the other COM ports, the
    printer ports (/dev/lp*) and any drive that reaches the rest of /."""
    folder = _dosdevices(prefix)
    for name in os.listdir(folder):
        if name not in ("c:", "com1"):
            os.unlink(os.path.join(folder, name))


def check(prefix, pty_slave):
    """Raises UnsafePrefix unless com1 leads to pty_slave and nothing else
    in dosdevices leads into /dev or to /."""
    folder = _dosdevices(prefix)
    com1 = os.path.join(folder, "com1")
    if not os.path.islink(com1):
        raise UnsafePrefix("%s is not a link" % com1)
    if os.readlink(com1) != link_path(prefix):
        raise UnsafePrefix("%s leads to %s, not to %s" % (com1, os.readlink(com1), link_path(prefix)))
    if os.path.realpath(com1) != os.path.realpath(pty_slave):
        raise UnsafePrefix("%s resolves to %s, not to the pty %s"
                           % (com1, os.path.realpath(com1), pty_slave))
    for name in os.listdir(folder):
        if name == "com1":
            continue
        target = os.path.realpath(os.path.join(folder, name))
        if target == "/" or target.startswith("/dev/") or target == "/dev":
            raise UnsafePrefix("%s leads to %s" % (os.path.join(folder, name), target))


def point_com1(prefix, pty_slave):
    """Points the prefix's COM1 link at pty_slave (atomically)."""
    link = link_path(prefix)
    temp = link + ".new"
    if os.path.lexists(temp):
        os.unlink(temp)
    os.symlink(pty_slave, temp)
    os.replace(temp, link)


def start(prefix, pty_slave, timeout=60.0):
    """Starts the prefix's wine server and waits until its mount manager has
    laid out the COM links, then tidies and checks them."""
    if not os.path.isdir(_dosdevices(prefix)) or not _has_mapping(prefix):
        wineserver_kill(prefix)
        if os.path.exists(os.path.join(prefix, "system.reg")):
            # A prefix made without the mapping may already have given COM1
            # to a device: only one of our own is made again from scratch.
            if not os.path.exists(os.path.join(prefix, MARKER_NAME)):
                raise UnsafePrefix("%s has no COM port mapping and is not a test prefix; "
                                   "use a fresh WINEPREFIX" % prefix)
            shutil.rmtree(prefix)
        create(prefix)
    missing = install_fonts(prefix)
    if missing:
        print("wineports: Wine's own %s not found (install fonts-wine); captions are measured "
              "in the faces Wine puts in their place" % ", ".join(missing), file=sys.stderr)
    point_com1(prefix, pty_slave)
    env = _env(prefix)
    # Keeps the server (and with it the mount manager's layout) for a while
    # after the last program, so one run's tidying holds for the next ones.
    subprocess.run(["wineserver", "-p", "30"], env=env, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=False)
    subprocess.run(["wine", "cmd", "/c", "exit"], env=env, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=False)
    deadline = time.monotonic() + timeout
    com1 = os.path.join(_dosdevices(prefix), "com1")
    while time.monotonic() < deadline:
        if os.path.islink(com1) and os.readlink(com1) == link_path(prefix):
            break
        time.sleep(0.05)
    _tidy(prefix)
    check(prefix, pty_slave)
    # Only now that COM1 is known to lead to the pty does another program run.
    stand_in_for_chinese(prefix)
    check(prefix, pty_slave)


def lock(prefix):
    """An exclusive hold on the prefix's COM1 for one run (a file descriptor;
    closing it lets the next run in)."""
    os.makedirs(prefix, exist_ok=True)
    fd = os.open(os.path.join(os.path.dirname(prefix.rstrip("/")) or ".", LOCK_NAME),
                 os.O_RDWR | os.O_CREAT | os.O_CLOEXEC, 0o644)
    fcntl.flock(fd, fcntl.LOCK_EX)
    return fd


def line_settings(fd):
    """The line settings a program left on a pty, read with TCGETS2 from
    either side: (baud, data bits, parity letter, stop bits, flow control)."""
    buffer = array.array("B", bytes(TERMIOS2.size))
    fcntl.ioctl(fd, TCGETS2, buffer, True)
    iflag, _, cflag, _, _, _, _, ospeed = TERMIOS2.unpack(buffer.tobytes())
    bits = {CS5: 5, CS6: 6, CS7: 7, CS8: 8}[cflag & CSIZE]
    if not cflag & PARENB:
        parity = "N"
    elif cflag & CMSPAR:
        parity = "M" if cflag & PARODD else "S"
    else:
        parity = "O" if cflag & PARODD else "E"
    stop = 2 if cflag & CSTOPB else 1
    flow = bool(cflag & CRTSCTS) or bool(iflag & (IXON | IXOFF))
    return ospeed, bits, parity, stop, flow


def parse_line(text):
    """"19200,8,N,1" as (19200, 8, "N", 1)."""
    baud, bits, parity, stop = text.split(",")
    return int(baud), int(bits), parity.upper(), int(stop)


def line_mismatch(fd, expected):
    """What differs between the pty's settings and `expected` (a
    parse_line tuple), or an empty string. A pty always reports 8 data bits
    and no parity, so those two are compared only when 8,N is expected."""
    baud, bits, parity, stop, flow = line_settings(fd)
    want_baud, want_bits, want_parity, want_stop = expected
    problems = []
    if baud != want_baud:
        problems.append("speed %d, expected %d" % (baud, want_baud))
    if (want_bits, want_parity) == (8, "N") and (bits, parity) != (8, "N"):
        problems.append("framing %d%s, expected 8N" % (bits, parity))
    if stop != want_stop:
        problems.append("stop bits %d, expected %d" % (stop, want_stop))
    if flow:
        problems.append("flow control on")
    return "; ".join(problems)
