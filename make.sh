#!/bin/sh
# ./make.sh GOAL...  is `make GOAL...` on a machine that may not have make
# yet (a fresh Debian has neither make nor package lists): as root it
# installs make first; the Makefile then installs everything else. As
# another user it prints the one apt-get line for make and the rest.
#   ./make.sh run    build, start the device simulator, open Lirosa on it
#   ./make.sh test   build and run every test
set -u
cd "$(dirname "$0")" || exit 1

if ! command -v make >/dev/null 2>&1; then
  if [ "$(id -u)" = 0 ]; then
    tools/install-packages.sh make || exit 1
  else
    # The Makefile's own list, so one line installs everything at once.
    packages=$(sed -n '/^PACKAGES *=/,/[^\\]$/p' Makefile | sed 's/^PACKAGES *=//; s/\\//g')
    # shellcheck disable=SC2086
    tools/install-packages.sh make $packages
    exit 1
  fi
fi
exec make "$@"
