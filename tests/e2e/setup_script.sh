#!/usr/bin/env bash
# scripts/setup.sh on a machine whose package mirror misbehaves: apt-get
# and dpkg are stand-ins on PATH that log what they were asked, serve no
# installed package, fail every `apt-get update` as a mirror in the middle
# of a sync does (exit 100) and refuse every i386 package as a Multi-Arch
# mismatch does. Set-up must go on through both, install by need, and say
# in one line that the 32-bit runtime is missing.
# usage: setup_script.sh SETUP.SH
set -u
source "$(dirname "$0")/lib.sh"
setup=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bin=$work/bin
mkdir -p "$bin"
log=$work/log

cat >"$bin/apt-get" <<EOF
#!/bin/bash
echo "apt-get \$*" >>"$log"
case "\$*" in
  *update*) echo "E: Failed to fetch .../binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2; exit 100 ;;
  *:i386*) echo "E: Error, pkgProblemResolver::Resolve generated breaks, this may be caused by held packages." >&2; exit 100 ;;
esac
EOF
cat >"$bin/dpkg" <<EOF
#!/bin/bash
echo "dpkg \$*" >>"$log"
EOF
printf '#!/bin/bash\nexit 1\n' >"$bin/dpkg-query"
printf '#!/bin/bash\n"$@"\n' >"$bin/sudo"
printf '#!/bin/bash\n' >"$bin/sleep"
chmod +x "$bin"/*

# level | packages its install must ask for | packages it must never ask for
cases=(
  "run|libgtk-3-dev libgstreamer1.0-dev cmake|wine wine64 mingw nsis lintian xscreensaver :i386"
  "package|libgtk-3-dev nsis lintian g++-mingw-w64-i686-posix|wine wine64 xscreensaver :i386 x86-64"
  "test|libgtk-3-dev wine64 xscreensaver nsis lintian clang-14|"
)
for entry in "${cases[@]}"; do
  IFS='|' read -r level wanted unwanted <<<"$entry"
  : >"$log"
  out=$(PATH="$bin:$PATH" bash "$setup" "$level" 2>&1) || fail "$level: set-up stopped: $out"
  [ "$(grep -c 'apt-get update' "$log")" -ge 3 ] || fail "$level: apt-get update was not retried"
  main=$(grep -m1 'apt-get install' "$log")
  for p in $wanted; do
    grep -qw -- "$p" <<<"$main" || fail "$level: $p is not installed"
  done
  for p in $unwanted; do
    ! grep -q -- "$p" <<<"$main" || fail "$level: installs $p"
  done
  if [ "$level" = test ]; then
    # The 32-bit runtime is a step of its own after the rest, and its
    # failure is one line.
    grep 'apt-get install' "$log" | tail -n1 | grep -q 'wine32:i386' || fail "test: no i386 step of its own"
    grep -q 'dpkg --add-architecture i386' "$log" || fail "test: i386 is not added"
    [ "$(grep -c '32-bit runtime' <<<"$out")" = 1 ] || fail "test: not said in one line: $out"
  else
    ! grep -q 'add-architecture' "$log" || fail "$level: adds the i386 architecture"
  fi
  note "$level: goes on past a stale index"
done

PATH="$bin:$PATH" bash "$setup" has-i386-runtime && fail "has-i386-runtime: yes without the packages"
echo "PASS"
