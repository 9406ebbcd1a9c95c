#!/bin/sh
# tools/fresh-machine-check.sh [WORKDIR]: runs the README's two commands on a
# fresh Debian 12, as a new user would: a minbase root made with mmdebstrap
# from this machine's own apt sources, plus git, and a clone of this
# checkout's HEAD (commit first: the work tree is not copied).
#   1. ./make.sh test     every test, after installing everything from scratch
#   2. ./make.sh run      without a display: must say so and exit 1
#      xvfb-run -a ./make.sh run: the window must start and open the
#      simulator's port; SIGTERM then ends it with status 0
#   3. (cd build && cpack -G DEB), then `apt install ./lirosa_*.deb` in a
#      second fresh minbase root: the installed program must start offscreen
#      on lirosa-sim's port (every runtime library and the font pulled in);
#      lintian on the package when this machine has it.
# Prints the wall time of each step and the packages installed. Needs root
# and mmdebstrap; takes many minutes, so it is not part of `make test`.
# KEEP=1 keeps the roots in WORKDIR (default: a fresh folder under /var/tmp).
set -eu

[ "$(id -u)" = 0 ] || { echo "Run as root (mmdebstrap, chroot and mounts need it)." >&2; exit 1; }
command -v mmdebstrap >/dev/null || { echo "mmdebstrap is missing: apt-get install mmdebstrap" >&2; exit 1; }
repo=$(git -C "$(dirname "$0")/.." rev-parse --show-toplevel)
commit=$(git -C "$repo" rev-parse HEAD)
work=${1:-$(mktemp -d /var/tmp/lirosa-fresh-XXXXXX)}
mkdir -p "$work"
build_root=$work/build-root
deb_root=$work/deb-root
summary=$work/summary.txt
: >"$summary"

# This machine's own apt sources: every sources file apt reads here.
sources=""
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
  [ -s "$f" ] && sources="$sources $f"
done

mounted=""
mount_for_tests() {
  root=$1
  mount -t proc proc "$root/proc"
  mount -t sysfs sysfs "$root/sys"
  # A devpts of its own: the tests' pseudo-terminals stay inside the root.
  mount -t tmpfs -o mode=755 tmpfs "$root/dev"
  for node in null zero full random urandom tty; do
    touch "$root/dev/$node"
    mount --bind "/dev/$node" "$root/dev/$node"
  done
  mkdir -p "$root/dev/pts" "$root/dev/shm"
  mount -t devpts -o newinstance,ptmxmode=0666,mode=620,gid=5 devpts "$root/dev/pts"
  ln -s pts/ptmx "$root/dev/ptmx"
  mount -t tmpfs tmpfs "$root/dev/shm"
  ln -s /proc/self/fd "$root/dev/fd"
  mounted="$root $mounted"
}
cleanup() {
  for root in $mounted; do
    umount -R "$root/dev" "$root/sys" "$root/proc" 2>/dev/null || umount -lR "$root/dev" "$root/sys" "$root/proc" 2>/dev/null || true
  done
  # Never remove a root while anything is still mounted in it.
  if [ "${KEEP:-0}" != 1 ] && ! grep -q " $work/" /proc/self/mounts; then rm -rf "$build_root" "$deb_root"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

note() {
  echo "$*" | tee -a "$summary"
}
now() {
  date +%s
}
in_root() {
  root=$1
  shift
  # A login's worth of environment and nothing from this machine's.
  chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "$@"
}
packages() {
  chroot "$1" dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' | awk '$1 == "ii" { print $2 }' | sort
}
make_root() {
  # shellcheck disable=SC2086
  mmdebstrap --variant=minbase --include=git --skip=cleanup/apt/lists bookworm "$1" $sources
  # As a fresh machine: no package lists yet.
  rm -rf "$1"/var/lib/apt/lists/*
}

note "== Fresh Debian 12 minbase check of $commit ($(git -C "$repo" log -1 --format=%s "$commit"))"
note "   sources:$sources; work folder $work"

start=$(now)
make_root "$build_root"
packages "$build_root" >"$work/packages-minbase.txt"
note "minbase + git: $(wc -l <"$work/packages-minbase.txt") packages, $(($(now) - start)) s"

git -C "$repo" bundle create "$build_root/root/lirosa.bundle" HEAD
in_root "$build_root" sh -c "git clone -q /root/lirosa.bundle /root/lirosa && git -C /root/lirosa checkout -q --detach $commit"
mount_for_tests "$build_root"

# 1. The README's test command, verbatim.
start=$(now)
{
  in_root "$build_root" sh -c 'cd /root/lirosa && ./make.sh test' 2>&1
  echo $? >"$work/test.status"
} | tee "$work/test.log"
status=$(cat "$work/test.status")
test_seconds=$(($(now) - start))
packages "$build_root" >"$work/packages-after-test.txt"
added=$(comm -13 "$work/packages-minbase.txt" "$work/packages-after-test.txt")
note "1. ./make.sh test: $([ $status = 0 ] && echo PASSED || echo FAILED) in $test_seconds s" \
  "($((test_seconds / 60)) min $((test_seconds % 60)) s); installed $(echo "$added" | wc -l) packages"
grep -E 'tests passed|tests failed|^Fuzz|fuzz.*(ok|runs)' "$work/test.log" | tail -n 8 | sed 's/^/   /' | tee -a "$summary"
echo "$added" >"$work/packages-installed.txt"
note "   packages: $(echo "$added" | tr '\n' ' ')"

# 2. The README's run command: first without a display, then under xvfb-run.
set +e
in_root "$build_root" sh -c 'cd /root/lirosa && ./make.sh run' >"$work/run-nodisplay.log" 2>&1
nodisplay=$?
set -e
# make passes the failure on as its own exit status 2.
if [ $nodisplay != 0 ] && grep -q 'needs a display' "$work/run-nodisplay.log"; then
  note "2a. ./make.sh run without a display: exit $nodisplay with: $(grep 'needs a display' "$work/run-nodisplay.log")"
else
  note "2a. ./make.sh run without a display: UNEXPECTED (exit $nodisplay), see $work/run-nodisplay.log"
fi

# True when process $1 (in the build root) has the file $2 open; seen from
# here, its paths start with the root's.
holds() {
  for fd in /proc/"$1"/fd/*; do
    [ "$(readlink "$fd" 2>/dev/null)" = "$build_root$2" ] && return 0
  done
  return 1
}
find_lirosa() {
  for p in "$build_root"/proc/[0-9]*; do
    [ "$(cat "$p/comm" 2>/dev/null)" = lirosa ] && { basename "$p"; return 0; }
  done
  return 1
}
start=$(now)
in_root "$build_root" sh -c 'cd /root/lirosa && exec xvfb-run -a ./make.sh run' </dev/null >"$work/run-xvfb.log" 2>&1 &
runner=$!
pid=""
port=""
opened=no
i=0
while [ $i -lt 600 ]; do
  pid=$(find_lirosa || true)
  if [ -n "$pid" ]; then
    port=$(head -n 1 "$build_root/root/lirosa/build/demo/sim.out" 2>/dev/null || true)
    if [ -n "$port" ] && holds "$pid" "$port"; then opened=yes; break; fi
  fi
  kill -0 $runner 2>/dev/null || break
  sleep 0.1
  i=$((i + 1))
done
if [ "$opened" = yes ]; then
  sleep 2
  alive=$(kill -0 "$pid" 2>/dev/null && echo yes || echo no)
  kill -TERM "$pid"
  set +e
  wait $runner
  run_status=$?
  set -e
  note "2b. xvfb-run -a ./make.sh run: window up with the simulator's port $port open after" \
    "$(($(now) - start)) s, still running 2 s later: $alive; SIGTERM -> exit $run_status"
else
  kill $runner 2>/dev/null || true
  note "2b. xvfb-run -a ./make.sh run: FAILED (no window with the port open), see $work/run-xvfb.log"
fi

# 3. The Debian package, installed on a second fresh root.
start=$(now)
in_root "$build_root" sh -c 'cd /root/lirosa/build && cpack -G DEB' >"$work/cpack.log" 2>&1 ||
  { note "3. cpack -G DEB: FAILED, see $work/cpack.log"; exit 1; }
deb=$(ls "$build_root"/root/lirosa/build/lirosa_*.deb)
cp "$deb" "$work/"
note "3. (cd build && cpack -G DEB): $(basename "$deb") in $(($(now) - start)) s"
if command -v lintian >/dev/null; then
  note "   lintian: $(lintian --info "$work/$(basename "$deb")" 2>&1 | wc -l) lines"
  lintian --info "$work/$(basename "$deb")" 2>&1 | sed 's/^/   /' | tee -a "$summary"
fi

start=$(now)
make_root "$deb_root"
packages "$deb_root" >"$work/packages-deb-before.txt"
cp "$deb" "$deb_root/root/"
mount_for_tests "$deb_root"
in_root "$deb_root" sh -c 'apt-get -q update >/dev/null && DEBIAN_FRONTEND=noninteractive apt-get -q install -y /root/lirosa_*.deb' >"$work/deb-install.log" 2>&1 ||
  { note "3. apt install ./lirosa_*.deb: FAILED, see $work/deb-install.log"; exit 1; }
packages "$deb_root" >"$work/packages-deb-after.txt"
pulled=$(comm -13 "$work/packages-deb-before.txt" "$work/packages-deb-after.txt")
font=$(echo "$pulled" | grep -E '^fonts-(wqy-microhei|noto-cjk)$' | tr '\n' ' ')
note "   apt install ./$(basename "$deb") on fresh minbase: $(echo "$pulled" | wc -l) packages, font: ${font:-NONE}"
set +e
in_root "$deb_root" sh -c '
  lirosa --version && lirosa-sim --version || exit 1
  man_ok=$(ls /usr/share/man/man1/lirosa.1.gz /usr/share/man/man1/lirosa-sim.1.gz | wc -l)
  echo "manual pages: $man_ok"
  mkdir -p /tmp/cfg/lirosa
  lirosa-sim echo --link /tmp/device >/tmp/sim.out 2>&1 &
  sim=$!
  i=0; while [ ! -e /tmp/device ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
  XDG_CONFIG_HOME=/tmp/cfg QT_QPA_PLATFORM=offscreen lirosa /tmp/device >/tmp/lirosa.out 2>&1 &
  app=$!
  port=$(head -n 1 /tmp/sim.out)
  i=0; opened=no
  while [ $i -lt 300 ]; do
    for fd in /proc/$app/fd/*; do [ "$(readlink $fd)" = "$port" ] && opened=yes; done
    [ $opened = yes ] && break
    kill -0 $app 2>/dev/null || break
    sleep 0.1; i=$((i + 1))
  done
  kill -TERM $app; wait $app; status=$?
  kill $sim
  echo "installed lirosa opened $port: $opened; SIGTERM -> exit $status; saved port: $(head -n 1 /tmp/cfg/lirosa/set.log | tr -d "\r")"
  cat /tmp/lirosa.out
  [ $opened = yes ] && [ $status = 0 ]' >"$work/deb-run.log" 2>&1
deb_status=$?
set -e
sed 's/^/   /' "$work/deb-run.log" | tee -a "$summary"
note "   installed package runs: $([ $deb_status = 0 ] && echo PASSED || echo FAILED) ($(($(now) - start)) s)"
note "   pulled: $(echo "$pulled" | tr '\n' ' ')"
note "== summary in $summary"
[ $status = 0 ] && [ "$opened" = yes ] && [ $deb_status = 0 ]
