#!/bin/sh
# A look at Lirosa.exe under Wine: the end-to-end test that `make
# test-windows` runs (tests/win32/e2e), here in a Wine prefix of WORK and
# with pictures of the window along the way: WORK/shots/window.png,
# checksum.png, capture.png and about.png. COM1 leads to a pty of the run
# (with-pty.py), never to a port of this machine.
#
#   tools/win32/check-window.sh BUILD WORK
#
# BUILD is the Windows build folder (Lirosa.exe, tests/drive.exe).
set -eu
build=$(cd "$1" && pwd)
work=$(mkdir -p "$2" && cd "$2" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
export WINEPREFIX="$work/wineprefix" WINEDEBUG="${WINEDEBUG:--all}"
unset DISPLAY WAYLAND_DISPLAY
status=0
python3 "$root/tests/win32/with-pty.py" --device none --expect-line 57600,8,N,2 --info "$work/pty.txt" -- \
  python3 "$root/tests/win32/e2e/lirosa_e2e.py" --exe "$build/Lirosa.exe" \
  --drive "$build/tests/drive.exe" --screenshots "$work/shots" || status=$?
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
cat "$work/pty.txt"
# Checked on the links alone, opening nothing.
for link in "$WINEPREFIX"/dosdevices/*; do
  case $(readlink -f "$link") in
    /dev/pts/*) ;;
    /dev/*) echo "check-window.sh: $link leads to $(readlink -f "$link")" >&2; exit 1 ;;
  esac
done
exit $status
