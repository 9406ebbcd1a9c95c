#!/bin/sh
# Runs the Windows build's tests under Wine: ctest in BUILD, with the Wine
# prefix BUILD/wineprefix (made by with-pty.py, with COM1 on a pty of each
# test and no other COM port). The machine's console must come out of the
# run with the settings it had: where /dev/ttyS0 can be read, its stty
# settings before and after are compared, and a change fails the run.
# Usage: run-tests.sh BUILD [ctest options...]
set -u
build=$(cd "$1" && pwd) || exit 2
shift
WINEPREFIX=$build/wineprefix
WINEDEBUG=-all
export WINEPREFIX WINEDEBUG
# No window of a test lands on the user's desktop.
unset DISPLAY WAYLAND_DISPLAY

console=/dev/ttyS0
before=""
if [ -c "$console" ] && before=$(stty -F "$console" -a 2>/dev/null); then :; else before=""; fi

(cd "$build" && ctest --output-on-failure "$@")
status=$?
wineserver -k >/dev/null 2>&1
wineserver -w >/dev/null 2>&1

if [ -n "$before" ]; then
  after=$(stty -F "$console" -a 2>/dev/null)
  if [ "$after" != "$before" ]; then
    echo "run-tests.sh: the settings of $console changed during the run:" >&2
    printf '%s\n' "$before" > "$build/console-before.txt"
    printf '%s\n' "$after" > "$build/console-after.txt"
    diff "$build/console-before.txt" "$build/console-after.txt" >&2
    exit 1
  fi
  echo "run-tests.sh: $console kept its settings"
fi
exit $status
