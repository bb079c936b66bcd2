#!/usr/bin/env bash
# Runs the host-link case of stale_folder_tests under Wine with links made on the host: an abandoned folder
# holding a symbolic link out of the temporary folder, and a symbolic link named like an extraction folder.
# Arguments: source tree, build tree.
set -uo pipefail
src=$1
bin=$2
work=$bin/stale-links
rm -rf "$work"
mkdir -p "$work/temp/abc130.tmp" "$work/outside"
ln -s "$work/outside" "$work/temp/abc130.tmp/link"
ln -s "$work/outside" "$work/temp/abc131.tmp"
win() { echo "Z:${1//\//\\}"; }
export PROJECTOR_LINK_TEMP PROJECTOR_LINK_OUTSIDE PROJECTOR_SOURCE_DIR=$src PROJECTOR_BINARY_DIR=$bin
PROJECTOR_LINK_TEMP=$(win "$work/temp")
PROJECTOR_LINK_OUTSIDE=$(win "$work/outside")
"$src/scripts/wine-run" "$bin/projector/shell/tests/stale_folder_tests.exe" --gtest_brief=1 \
  --gtest_filter='*HostLink*'
status=$?
rm -rf "$work"
exit $status
