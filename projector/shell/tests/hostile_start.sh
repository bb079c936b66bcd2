#!/usr/bin/env bash
# Runs hostile_start_tests under Wine with the places it needs: a folder and a read-only view of the same folder
# (a bind mount), and a file system of 1 MB. Mounting needs root; without it the test is skipped (exit 77).
# Arguments: source tree, build tree.
set -uo pipefail
src=$1
bin=$2
work=$bin/hostile-start
cleanup() {
  mountpoint -q "$work/ro" && umount "$work/ro"
  mountpoint -q "$work/full" && umount "$work/full"
  mountpoint -q "$work/ro" || mountpoint -q "$work/full" || rm -rf "$work"
}
cleanup
mkdir -p "$work/rw" "$work/ro" "$work/full"
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
