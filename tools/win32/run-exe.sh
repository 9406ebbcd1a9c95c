#!/bin/sh
# Runs Lirosa.exe under Wine on a virtual X display with COM1 led to a
# pseudo-terminal of its own, never to a real port.
#
#   tools/win32/run-exe.sh EXE WORK [HOOK]
#
# WORK holds the Wine prefix and the pty's files (pty/received: what the
# program sent; write pty/send to answer). Before the program starts, the
# prefix's COM1 must lead to the pty and no other COM port may exist;
# otherwise nothing runs. HOOK, a shell script, runs once the window is up,
# with WINDOW (its X id), SLAVE, PTY and WORK set; after it the window is
# closed with its close button, and the settings files are shown. The
# console's line settings are compared before and after.
set -eu
exe=$(readlink -f "$1")
work=$(mkdir -p "$2" && cd "$2" && pwd)
hook=${3:+$(readlink -f "$3")}
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX="$work/wineprefix" WINEDEBUG="${WINEDEBUG:--all}" WINEARCH=win64

pty="$work/pty"
rm -rf "$pty"
python3 "$here/pty-holder.py" "$pty" &
holder=$!
trap 'kill $holder 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -f "$pty/slave" ] && break; sleep 0.1; done
slave=$(cat "$pty/slave")

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  # A new prefix: no program of ours runs in it before the map below.
  wineboot -i >/dev/null 2>&1 || true
fi
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
python3 "$here/map-ports.py" "$WINEPREFIX" "$slave"

user=$(whoami)
settings="$WINEPREFIX/drive_c/users/$user/AppData/Roaming/Lirosa"
mkdir -p "$settings"
# COM1, 1 stop bit, no parity, 8 data bits, 19200 baud (the file's order).
[ -f "$settings/set.log" ] || printf 'COM1\r\n0\r\n0\r\n2\r\n8\r\n' > "$settings/set.log"

export WORK="$work" PTY="$pty" SLAVE="$slave" EXE="$exe" HOOK="$hook" SETTINGS="$settings"
status=0
xvfb-run -a -s "-screen 0 1280x1024x24" sh -eu -c '
  wineserver -p 60
  # The device manager maps the ports as the first program starts.
  wine cmd /c exit >/dev/null 2>&1 || true
  com1=$(readlink "$WINEPREFIX/dosdevices/com1" || true)
  if [ "$com1" != "$SLAVE" ]; then
    echo "run-exe: com1 leads to \"$com1\", not to $SLAVE; not starting" >&2; exit 3
  fi
  # COM256 cannot be held by the map (the device manager reads COM1 ...
  # COM255 only) and takes the first serial device it finds, /dev/ttyS0:
  # its link goes, for as long as this server session lasts.
  for link in "$WINEPREFIX"/dosdevices/com*; do
    [ "$link" = "$WINEPREFIX/dosdevices/com1" ] && continue
    [ -e "$link" ] || [ -L "$link" ] || continue
    rm -f "$link"
  done
  for link in "$WINEPREFIX"/dosdevices/com*; do
    [ "$link" = "$WINEPREFIX/dosdevices/com1" ] && continue
    [ -e "$link" ] || [ -L "$link" ] || continue
    echo "run-exe: stray port $link -> $(readlink "$link"); not starting" >&2; exit 3
  done
  cd "$WORK"
  wine "$EXE" > "$WORK/exe.log" 2>&1 &
  exe_pid=$!
  window=""
  for _ in $(seq 100); do
    window=$(xdotool search --name "^Lirosa - Wine desktop$" 2>/dev/null | head -1 || true)
    [ -n "$window" ] && break
    sleep 0.2
  done
  if [ -z "$window" ]; then echo "run-exe: no window" >&2; kill $exe_pid; exit 4; fi
  sleep 1
  export WINDOW="$window"
  if [ -n "$HOOK" ]; then sh -eu "$HOOK"; fi
  # The title-bar close: taskkill without /f posts WM_CLOSE to the window.
  wine taskkill /im Lirosa.exe >/dev/null 2>&1 || true
  for _ in $(seq 50); do kill -0 $exe_pid 2>/dev/null || break; sleep 0.2; done
  if kill -0 $exe_pid 2>/dev/null; then echo "run-exe: still running; ended" >&2; kill $exe_pid; fi
  wineserver -k || true
' || status=$?
echo "pty line settings while held: $(stty -F "$slave" -a 2>/dev/null | head -4 | tr "\n" " ")"
# Checked on the links alone: opening the console to compare its settings
# would itself touch it.
for link in "$WINEPREFIX"/dosdevices/*; do
  case $(readlink -f "$link") in
    /dev/pts/*) ;;
    /dev/*) echo "run-exe: $link leads to $(readlink -f "$link")!" >&2; exit 5 ;;
  esac
done
echo "no DOS device led to a device of this machine"
exit $status
