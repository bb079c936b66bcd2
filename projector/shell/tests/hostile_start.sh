#!/usr/bin/env bash
# Runs hostile_start_tests under Wine with the places it needs: a folder and a read-only view of the same folder
# (a bind mount), and a file system of 1 MB. Then the case no test program can set up from inside Wine: a
# projector on a read-only medium, in a prefix whose C: drive (and with it the temporary folder) is read-only,
# has nowhere to make its folder and must end with exit code 1, writing nothing.
# Mounting needs root; without it the test is skipped (exit 77). Arguments: source tree, build tree.
set -uo pipefail
src=$1
bin=$2
work=$bin/hostile-start
cleanup() {
  [[ -d "$work/sealed-prefix" ]] && WINEPREFIX=$work/sealed-prefix wineserver -k >/dev/null 2>&1
  for m in ro full c-ro; do mountpoint -q "$work/$m" && umount "$work/$m"; done
  for m in ro full c-ro; do mountpoint -q "$work/$m" && return; done
  rm -rf "$work"
}
cleanup
mkdir -p "$work/rw" "$work/ro" "$work/full" "$work/c-ro"
trap cleanup EXIT
if ! mount --bind "$work/rw" "$work/ro" 2>/dev/null || ! mount -o remount,bind,ro "$work/ro" 2>/dev/null ||
  ! mount -t tmpfs -o size=1m,mode=0777 tmpfs "$work/full" 2>/dev/null; then
  echo "hostile start: this machine does not let the tests mount file systems; skipped"
  exit 77
fi
win() { echo "Z:${1//\//\\}"; }
export PROJECTOR_HOSTILE_RW PROJECTOR_HOSTILE_RO PROJECTOR_HOSTILE_FULL PROJECTOR_SOURCE_DIR PROJECTOR_BINARY_DIR
PROJECTOR_HOSTILE_RW=$(win "$work/rw")
PROJECTOR_HOSTILE_RO=$(win "$work/ro")
PROJECTOR_HOSTILE_FULL=$(win "$work/full")
PROJECTOR_SOURCE_DIR=$src
PROJECTOR_BINARY_DIR=$bin
"$src/scripts/wine-run" "$bin/projector/shell/tests/hostile_start_tests.exe" --gtest_brief=1
status=$?

fail() {
  echo "FAIL: $*"
  exit 1
}
stub=$bin/projector/projector.exe
shared=$("$src/scripts/wine-run" --prefix "$stub")
mkdir -p "$work/pack" "$work/rw/cd" "$work/sealed-prefix/dosdevices"
cp "$src/examples/demo/pictures/bars.bmp" "$work/pack/"
printf '[[playlist]]\nfile = "bars.bmp"\ndisplay_time = 30.0\n' >"$work/pack/show.toml"
"$src/scripts/wine-run" "$bin/tools/pack/projector-pack.exe" build "$(win "$work/pack/show.toml")" \
  -o "$(win "$work/rw/cd/Sealed.exe")" --stub "$(win "$stub")" >/dev/null 2>&1 || fail "could not pack a projector"
# A prefix of its own that shares the test prefix's files through a read-only view of its C: drive.
mount --bind "$shared/drive_c" "$work/c-ro" && mount -o remount,bind,ro "$work/c-ro" || fail "cannot mount C: read-only"
cp "$shared"/*.reg "$shared/.update-timestamp" "$work/sealed-prefix/"
touch "$work/sealed-prefix/.prefix-ready"
ln -s "$work/c-ro" "$work/sealed-prefix/dosdevices/c:"
ln -s / "$work/sealed-prefix/dosdevices/z:"
sealed() { (cd "$1" && WINEPREFIX=$work/sealed-prefix "$src/scripts/wine-run" "$1/Sealed.exe" >/dev/null 2>&1); }

# The prefix works: started from the writable folder the projector makes its folder beside itself and plays.
sealed "$work/rw/cd" &
player=$!
for ((i = 0; i < 60; ++i)); do
  compgen -G "$work/rw/cd/*.tmp/projector.run" >/dev/null && break
  kill -0 $player 2>/dev/null || break
  sleep 0.5
done
compgen -G "$work/rw/cd/*.tmp/projector.run" >/dev/null || fail "the projector does not start in the sealed prefix"
WINEPREFIX=$work/sealed-prefix wineserver -k >/dev/null 2>&1
wait $player
rm -rf "$work"/rw/cd/*.tmp

sealed "$work/ro/cd"
code=$?
[[ $code -eq 1 ]] || fail "with nowhere to write the projector ended with $code, not 1"
[[ "$(ls -A "$work/rw/cd")" == Sealed.exe ]] || fail "the projector left files behind: $(ls -A "$work/rw/cd")"
echo "no place for the extraction folder: exit code 1, nothing written"
exit $status
