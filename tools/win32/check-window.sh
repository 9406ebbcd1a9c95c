#!/bin/sh
# A hand check of Lirosa.exe under Wine, through real input on the Wine
# desktop: the port opens with the stored settings (COM1, 19200 8N1), a
# request typed into slot 1 and sent with its button arrives byte for byte,
# the checksum dialog appends C5 CD, a frame from the device is shown and
# captured to data.txt, F1 opens the about box, and closing the window
# writes set.log and data.log.
#
#   tools/win32/check-window.sh EXE WORK
#
# Screenshots land in WORK (window.png, checksum.png, about.png). The
# clicks are screen pixels of the window at the desktop's corner: client
# origin (4, 21), 1.5 px per dialog unit.
set -eu
exe=$1
work=$(mkdir -p "$2" && cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work/wineprefix/drive_c/users/$(whoami)/AppData/Roaming/Lirosa" "$work/data.txt"
hook="$work/hook.sh"
cat > "$hook" <<'HOOK'
click() { xdotool mousemove "$1" "$2" click 1; sleep 0.6; }
shot() { import -window root -crop 1000x620+0+0 +repage "$WORK/$1.png"; }
wait_bytes() {
  for _ in $(seq 50); do
    [ "$(stat -c %s "$PTY/received" 2>/dev/null || echo 0)" -ge "$1" ] && return 0
    sleep 0.1
  done
  return 1
}
# The Wine desktop shows before the program has opened its port.
for _ in $(seq 100); do
  stty -F "$SLAVE" -a > "$WORK/line-open.txt"
  grep -q "speed 19200 baud" "$WORK/line-open.txt" && break
  sleep 0.1
done
sleep 1
click 400 325                       # request 1
xdotool type --delay 60 "01 03 00 00 00 0A"
click 137 325                       # its send button
wait_bytes 6
click 420 438                       # its checksum button
sleep 0.5
shot checksum
xdotool key Return                  # "Да " with the first choice
sleep 0.6
click 137 325
wait_bytes 14
click 56 255                        # capture on
printf '\001\003\002\000\052\070\133' > "$PTY/send.tmp"; mv "$PTY/send.tmp" "$PTY/send"
sleep 1.5
shot window
xdotool key F1
sleep 1
shot about
xdotool key Return
sleep 0.5
HOOK
"$here/run-exe.sh" "$exe" "$work" "$hook"

fail=0
check() {
  if [ "$2" = "$3" ]; then echo "ok: $1"; else echo "FAILED: $1: got '$2', want '$3'"; fail=1; fi
}
settings="$work/wineprefix/drive_c/users/$(whoami)/AppData/Roaming/Lirosa"
check "line opened at 19200 baud" "$(head -1 "$work/line-open.txt" | cut -d';' -f1)" "speed 19200 baud"
check "request and request with CRC arrived" "$(od -An -tx1 -v "$work/pty/received" | tr -s ' \n' ' ')" \
  " 01 03 00 00 00 0a 01 03 00 00 00 0a c5 cd "
check "frame captured" "$(od -An -c "$work/data.txt" 2>/dev/null | tr -s ' \n' ' ')" \
  " 0 1 0 3 0 2 0 0 2 A 3 8 5 B "
check "set.log written" "$(od -An -c "$settings/set.log" | tr -s ' \n' ' ')" \
  " C O M 1 \r \n 0 \r \n 0 \r \n 2 \r \n 8 \r \n "
check "data.log holds the request" "$(head -1 "$settings/data.log" | tr -d '\r')" "01 03 00 00 00 0A C5 CD"
exit $fail
