#!/bin/sh
# tools/run-demo.sh BUILD DEMO_DIR: the simulator plays a MODBUS device on a
# fresh pseudo-terminal; Lirosa opens it with a settings folder of its own
# (DEMO_DIR), so the user's own settings are untouched. Closing the window,
# Ctrl-C or SIGTERM ends both.
set -u
build=$1
demo=$2

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  cat >&2 <<'EOF'
Lirosa is a window and needs a display, but none is set (DISPLAY and
WAYLAND_DISPLAY are empty). On a server or over ssh without X forwarding:
  xvfb-run -a ./make.sh run                     (a virtual X display, installed)
  QT_QPA_PLATFORM=offscreen ./make.sh run       (no display at all; nothing shown)
or log in with `ssh -X` to see the window on your own screen.
EOF
  exit 1
fi

mkdir -p "$demo/lirosa" || exit 1
rm -f "$demo/device"
"$build/lirosa-sim" modbus --link "$demo/device" >"$demo/sim.out" 2>"$demo/sim.err" &
sim=$!
lirosa=""
trap 'kill "$sim" 2>/dev/null' EXIT
# Ctrl-C or a signal goes to the window as SIGTERM, so it saves its settings
# and ends (a program started in the background by sh ignores SIGINT).
trap '[ -n "$lirosa" ] && kill -TERM "$lirosa" 2>/dev/null' INT TERM HUP

i=0
while [ ! -e "$demo/device" ]; do
  i=$((i + 1))
  if [ "$i" -gt 100 ] || ! kill -0 "$sim" 2>/dev/null; then
    echo "The simulator did not start:" >&2
    cat "$demo/sim.err" >&2
    exit 1
  fi
  sleep 0.1
done
[ -f "$demo/lirosa/set.log" ] || printf '%s\r\n0\r\n0\r\n2\r\n6\r\n' "$demo/device" >"$demo/lirosa/set.log"
[ -f "$demo/lirosa/data.log" ] ||
  printf '01 03 00 00 00 01 84 0A\r\n01 06 00 01 00 2A 59 D5\r\n\r\n' >"$demo/lirosa/data.log"

echo "Simulator on $(head -n 1 "$demo/sim.out"), linked as $demo/device; starting Lirosa"
XDG_CONFIG_HOME=$demo "$build/lirosa" &
lirosa=$!
# wait returns early when a signal arrives; the window is still saving.
while :; do
  wait "$lirosa"
  status=$?
  kill -0 "$lirosa" 2>/dev/null || break
done
exit "$status"
