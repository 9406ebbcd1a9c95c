#!/bin/sh
# Runs the Windows build's tests under Wine: ctest in BUILD, with the Wine
# prefix BUILD/wineprefix (made by with-pty.py, with COM1 on a pty of each
# test and no other COM port). Afterwards no DOS device of the prefix may
# lead to a serial device of the machine (its console is often /dev/ttyS0);
# that is checked on the links alone, without opening any device.
# Usage: run-tests.sh BUILD [ctest options...]
set -u
build=$(cd "$1" && pwd) || exit 2
shift
WINEPREFIX=$build/wineprefix
WINEDEBUG=-all
export WINEPREFIX WINEDEBUG
# No window of a test lands on the user's desktop.
unset DISPLAY WAYLAND_DISPLAY

(cd "$build" && ctest --output-on-failure "$@")
status=$?
wineserver -k >/dev/null 2>&1
wineserver -w >/dev/null 2>&1

for link in "$WINEPREFIX"/dosdevices/*; do
  case $(readlink -f "$link") in
    /dev/pts/*) ;;
    /dev/*) echo "run-tests.sh: $link leads to $(readlink -f "$link")" >&2; exit 1 ;;
  esac
done
echo "run-tests.sh: no DOS device led to a device of this machine"
exit $status
