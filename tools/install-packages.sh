#!/bin/sh
# Installs the Debian packages named that are missing, when run as root,
# showing apt's own progress. Otherwise prints the one line to run (with
# sudo, or su -c where sudo is missing) and fails, or with --optional only
# says which are missing and succeeds.
set -u
optional=0
if [ "${1:-}" = "--optional" ]; then optional=1; shift; fi
missing=""
for p in "$@"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

# A fresh system has no package lists yet: apt-get install would only say
# "Unable to locate package".
have_lists() {
  for list in /var/lib/apt/lists/*_Packages*; do
    [ -e "$list" ] && return 0
  done
  return 1
}

if [ "$(id -u)" = 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  # On a terminal apt draws its own progress; in a log one line per step.
  quiet=""
  [ -t 1 ] || quiet="-q"
  apt() {
    apt-get $quiet -o DPkg::Lock::Timeout=600 "$@"
  }
  if ! have_lists; then
    echo "Reading the package lists (apt-get update) ..."
    apt update || exit 1
  fi
  set -- $missing
  echo "Installing $# packages and what they need:$missing"
  # shellcheck disable=SC2086
  if ! apt install -y --no-install-recommends $missing; then
    # Lists out of date: the mirror no longer has the versions they name.
    echo "Retrying after apt-get update ..."
    apt update && apt install -y --no-install-recommends $missing || exit 1
  fi
  echo "Installed:$missing"
  exit 0
fi

if [ "$optional" = 1 ]; then
  echo "Not installed:$missing (sudo apt-get install$missing); their rows stay empty"
  exit 0
fi
line="apt-get install -y$missing"
have_lists || line="apt-get update && $line"
echo "Missing packages:$missing"
if command -v sudo >/dev/null 2>&1; then
  case "$line" in
    *"&&"*) echo "Run:  sudo sh -c '$line'" ;;
    *) echo "Run:  sudo $line" ;;
  esac
else
  echo "Run (as root; sudo is not installed):  su -c '$line'"
fi
echo "then the same command again."
exit 1
