#!/usr/bin/env bash
# Installs the Debian packages named that are missing, when run as root.
# Otherwise prints the apt-get line to run and fails, or with --optional
# only says which are missing and succeeds.
set -u
optional=0
if [ "${1:-}" = "--optional" ]; then optional=1; shift; fi
missing=""
for p in "$@"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
if [ "$(id -u)" = 0 ]; then
  echo "Installing:$missing"
  export DEBIAN_FRONTEND=noninteractive
  # shellcheck disable=SC2086
  apt-get install -y -qq --no-install-recommends $missing >/dev/null 2>&1 ||
    { apt-get update -qq && apt-get install -y -qq --no-install-recommends $missing >/dev/null; }
  exit $?
fi
if [ "$optional" = 1 ]; then
  echo "Not installed:$missing (sudo apt-get install$missing); their rows stay empty"
  exit 0
fi
echo "Missing packages. Run:  sudo apt-get install$missing"
exit 1
