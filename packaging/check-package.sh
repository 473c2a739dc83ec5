#!/usr/bin/env bash

# SPDX-FileCopyrightText: 2026 The Sealmill developers
#
# SPDX-License-Identifier: GPL-3.0-or-later

# Checks a built sealmill_*.deb the way a user meets it: a second build of
# the same commit is byte for byte the same; the desktop entry, metadata and
# package pass their checkers; apt installs it; the installed programs carry
# Debian's hardening and press signed files as a user other than root; apt
# purges it and leaves none of its files behind. Needs root (apt) and what
# `./dev package-check` installs.
#   packaging/check-package.sh build/sealmill_<version>_<arch>.deb [<the same, built again>]
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ] || [ ! -f "$1" ] || [ ! -f "${2:-$1}" ]; then
  echo "usage: $0 sealmill_<version>_<arch>.deb [sealmill_<version>_<arch>.deb built again]" >&2
  exit 2
fi
[ "$(id -u)" -eq 0 ] || exec sudo "$0" "$@"
deb="$(realpath "$1")"
again="${2:+$(realpath "$2")}"
user=nobody
apt=(apt-get -y -qq -o DPkg::Lock::Timeout=120)
export DEBIAN_FRONTEND=noninteractive
if dpkg-query -W -f='${Status}' sealmill 2>/dev/null | grep -q 'ok installed'; then
  echo "check-package: sealmill is installed already, and the check ends by purging it" >&2
  exit 1
fi

started=$SECONDS
step() { printf '[%3ds] %s\n' $((SECONDS - started)) "$*"; }
fail() { echo "check-package: $*" >&2; exit 1; }

# A short work folder: the documents folder inside it must stay within the
# output directory's 34 characters.
work="$(mktemp -d /tmp/smchk.XXXXXX)"
signerdir="$(mktemp -d /usr/local/lib/sealmill-check.XXXXXX)"
xvfb=""
window=""
cleanup() {
  [ -n "$window" ] && kill "$window" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  dpkg-query -W sealmill >/dev/null 2>&1 && "${apt[@]}" purge sealmill >/dev/null
  rm -rf "$work" "$signerdir"
}
trap cleanup EXIT
chmod 755 "$work" "$signerdir"

# check_same_package <deb> <deb built again>: not a byte apart; diffoscope
# says where they differ.
check_same_package() {
  cmp -s "$1" "$2" && return 0
  diffoscope --text - "$1" "$2" || true
  fail "two builds of the same source differ: $1 $2"
}

# check_lintian <deb>: no error or warning, and none of the info tags that
# say a program lacks hardening or carries sections nothing needs.
check_lintian() {
  local tags
  tags="$(lintian --display-info --fail-on error,warning "$1")" || fail "lintian: $tags"
  [ -n "$tags" ] && echo "$tags"
  if grep -E '\b(hardening-[a-z-]+|binary-has-unneeded-section)\b' <<<"$tags"; then
    fail "lintian: the programs lack hardening"
  fi
}

# check_hardening <program>...: every protection hardening-check looks for
# is found: position independence, the stack protector, fortified calls,
# read-only relocations, immediate binding and control-flow protection.
# hardening-check finds stack clash probes only as a loop, which GCC writes
# for frames of variable size; these programs' large frames are fixed, and
# their probes are a 4 KiB step down the stack and a write there.
check_hardening() {
  local report program
  report="$(hardening-check "$@")" || fail "hardening-check: $report"
  echo "$report"
  for program in "$@"; do
    objdump -d --no-show-raw-insn "$program" | grep -A1 -E 'sub +\$0x1000,%rsp' |
      grep -qE 'orq +\$0x0,\(%rsp\)' || fail "$program: no stack clash probes"
  done
}

if [ -n "$again" ]; then
  step "the package built again is the same"
  check_same_package "$deb" "$again"
fi

step "desktop entry, AppStream metadata, lintian"
dpkg-deb -x "$deb" "$work/deb"
report="$(desktop-file-validate "$work"/deb/usr/share/applications/sealmill.desktop)"
[ -z "$report" ] || fail "desktop-file-validate: $report"
appstreamcli validate --no-net "$work"/deb/usr/share/metainfo/*.metainfo.xml
check_lintian "$deb"

step "apt-get install"
# The paths that exist before the install are not the package's to remove.
dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\./|/|; s|/$||' | grep -v '^/\?$' |
  while read -r path; do if [ -e "$path" ]; then echo "$path"; fi; done >"$work/existed"
"${apt[@]}" install "$deb" >/dev/null
dpkg -L sealmill | grep -vx '/\.' >"$work/files"

step "hardening-check on the installed programs"
check_hardening /usr/bin/sealmill /usr/bin/sealmill-press

step "sealmill-press --version"
version="$(dpkg-deb -f "$deb" Version)"
sealmill-press --version | grep -qF "$version" || fail "sealmill-press --version does not say $version"

# A PGP 2.6 signer stand-in where a user's signer lives, outside their home:
# -sta <copy> -u <key> -o <signed file> -z <pass phrase> +BATCHMODE.
cat >"$signerdir/PGP.EXE" <<'EOF'
#!/bin/sh
while [ $# -gt 0 ]; do
  case "$1" in -sta) in="$2" ;; -u) key="$2" ;; -o) out="$2" ;; -z) pass="$2" ;; esac
  shift
done
{ echo "-----BEGIN PGP SIGNED MESSAGE-----"; echo; cat "$in"
  echo "-----BEGIN PGP SIGNATURE-----"; echo "stand-in $key $pass"
  echo "-----END PGP SIGNATURE-----"; } >"$out"
EOF
chmod 755 "$signerdir/PGP.EXE"

# A home of the user's own: a documents folder, nothing else from this machine.
home="$work/home"
mkdir -p "$home/Documents" "$home/cli" "$work/run"
printf 'Copy No. @SERIAL@\r\n' >"$home/template.txt"
chown -R "$user:" "$home" "$work/run"
chmod 700 "$work/run"
# setpriv execs the program itself, so $! below is the program's own id.
as_user() {
  setpriv --reuid="$user" --regid="$(id -g "$user")" --clear-groups \
    env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$work/run" "$@"
}
# expect_signed <folder> <first> <last> <key> <pass phrase>
expect_signed() {
  for n in $(seq "$2" "$3"); do
    grep -q "^Copy No. $n" "$1/Sealmilled-file-$n.txt" ||
      fail "$1/Sealmilled-file-$n.txt does not hold copy $n"
    grep -qx "stand-in $4 $5" "$1/Sealmilled-file-$n.txt" ||
      fail "$1/Sealmilled-file-$n.txt was not signed with key $4"
  done
  [ "$(find "$1" -name 'Sealmilled-file-*' | wc -l)" -eq $(($3 - $2 + 1)) ] ||
    fail "$1 holds other signed files than $2 to $3"
  [ -z "$(find "$1" -name '*.tmp')" ] || fail "temporary files left in $1"
}

step "sealmill-press presses 1 to 3 as $user"
as_user SEALMILL_PASSPHRASE=phrase sealmill-press --quiet --template "$home/template.txt" \
  --from 1 --to 3 --key check --signer "$signerdir/PGP.EXE" --output "$home/cli"
expect_signed "$home/cli" 1 3 check phrase

# on_screen <title pattern>: the first visible window with that title.
on_screen() {
  local ids
  ids="$(timeout 20 xdotool search --sync --onlyvisible --name "$1")" && echo "${ids%%$'\n'*}"
}

# press_through_window <documents> <log> <launcher>: starts the window on a
# virtual screen through the function <launcher> (which finds DISPLAY set),
# types a template and presses the press run window's defaults, 5 to 9 with
# key "tarvix"; they must land signed in <documents>, with no temporary file.
press_through_window() {
  local documents="$1" log="$2" launcher="$3" main press
  Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$log.display" 2>/dev/null &
  xvfb=$!
  for _ in $(seq 50); do [ -s "$log.display" ] && break; sleep 0.1; done
  DISPLAY=":$(cat "$log.display")"
  export DISPLAY
  "$launcher" >"$log" 2>&1 &
  window=$!
  main="$(on_screen '^Sealmill$')" || fail "no main window: $(cat "$log")"
  xdotool windowfocus --sync "$main" type --delay 10 'Copy No. @SERIAL@'
  xdotool key alt+p
  press="$(on_screen '^Press Run$')" || fail "Press Run did not open the press run window"
  xdotool windowfocus --sync "$press" key alt+p
  # The run is over when the last file is there and the temporary files are gone.
  for _ in $(seq 100); do
    [ -e "$documents/Sealmilled-file-9.txt" ] && [ -z "$(find "$documents" -name '*.tmp')" ] &&
      break
    sleep 0.1
  done
  expect_signed "$documents" 5 9 tarvix Morvenk4182
  kill -0 "$window" 2>/dev/null || fail "sealmill did not stay up: $(cat "$log")"
  kill "$window" "$xvfb"
  wait "$window" "$xvfb" || true
  window=""
  xvfb=""
  unset DISPLAY
}

# The window as the same user: /usr/bin is not theirs, so the press run must
# start at their documents folder.
step "sealmill shows its window and presses into ~/Documents as $user"
window_as_user() { as_user DISPLAY="$DISPLAY" PGPPATH="$signerdir" sealmill; }
press_through_window "$home/Documents" "$work/sealmill.log" window_as_user

# root's first run: the installed program's folder (/usr/bin) is outside the
# home, so the window presses into ~/Documents, never into a system folder.
step "sealmill as root presses into ~/Documents, not into /usr/bin"
mkdir -p "$work/roothome/Documents"
window_as_root() {
  env -i PATH=/usr/bin:/bin HOME="$work/roothome" XDG_RUNTIME_DIR="$work/run" DISPLAY="$DISPLAY" \
    PGPPATH="$signerdir" sealmill
}
press_through_window "$work/roothome/Documents" "$work/root.log" window_as_root
[ -z "$(find /usr/bin -maxdepth 1 -name 'Sealmill*')" ] || fail "root's run wrote into /usr/bin"

step "apt-get purge"
"${apt[@]}" purge sealmill >/dev/null
while read -r path; do
  grep -qxF "$path" "$work/existed" || [ ! -e "$path" ] || fail "$path remains after purge"
done <"$work/files"
step "package check passed"
