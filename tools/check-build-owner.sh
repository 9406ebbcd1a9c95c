#!/bin/sh
# tools/check-build-owner.sh DIR...: fails with what to do when a build
# folder exists but this user cannot write to it, as after a `sudo make`
# of an older checkout or a build as root.
set -u
blocked=""
for dir in "$@"; do
  [ -e "$dir" ] || continue
  # Every file counts: a root-owned object file breaks the build as well.
  # Links do not: a link to a pty that is gone (the Wine prefix keeps one)
  # is never written through.
  if [ ! -w "$dir" ] || [ -n "$(find "$dir" ! -type l ! -writable -print -quit 2>/dev/null)" ]; then
    blocked="$blocked $dir"
  fi
done
[ -z "$blocked" ] && exit 0
owner=$(stat -c %U $blocked | sort -u | tr '\n' ' ')
me=$(id -un)
cat >&2 <<MSG
The build folder(s)$blocked belong to ${owner% } and $me cannot write there
(left by a build as root). Give them back, then run make again:
  sudo chown -R $me:$blocked
or remove them (they are rebuilt):  sudo rm -rf$blocked
MSG
exit 1
