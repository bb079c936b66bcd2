#!/usr/bin/env bash
# In a fresh Wine prefix without the Flash control: a packed projector runs its carried installer quietly,
# plays, and leaves the control installed. Arguments: source tree, build tree.
set -uo pipefail
src=$1
bin=$2
work=$bin/installer-e2e
export WINEPREFIX=$work/prefix
if [[ -d "$WINEPREFIX" ]]; then WINEPREFIX=$WINEPREFIX wineserver -k >/dev/null 2>&1 || true; fi
rm -rf "$work"
mkdir -p "$work"
win() { echo "Z:${1//\//\\}"; }
run() { "$src/scripts/wine-run" "$@"; }
fail() {
  echo "FAIL: $*"
  WINEPREFIX=$WINEPREFIX wineserver -k >/dev/null 2>&1 || true
  exit 1
}

run "$bin/projector/flash_version_probe.exe"
[[ $? -eq 0 ]] || fail "the fresh prefix already has a Flash Player"
run "$bin/projector/make_installer_projector.exe" "$(win "$bin/projector/projector.exe")" \
  "$(win "$bin/components/installer/InstallFlashPlayer.exe")" "$(win "$work/Packed.exe")"
[[ $? -eq 0 ]] || fail "could not write the packed projector"
# Start-up ends the process with exit code 1 when no player can be installed; past that the player runs.
"$src/scripts/wine-run" "$work/Packed.exe" &
projector=$!
for ((i = 0; i < 120; ++i)); do
  [[ -f "$WINEPREFIX/drive_c/Program Files/SwfPlayer/Flash.ocx" ]] && break
  kill -0 $projector 2>/dev/null || break
  sleep 0.5
done
sleep 3
if kill -0 $projector 2>/dev/null; then
  # Still playing: the player leaves when its play list is done or when it is ended here.
  WINEPREFIX=$WINEPREFIX wineserver -k >/dev/null 2>&1 || true
  wait $projector
else
  wait $projector
  code=$?
  [[ $code -eq 0 ]] || fail "the packed projector ended with $code"
fi
[[ -f "$WINEPREFIX/drive_c/Program Files/SwfPlayer/Flash.ocx" ]] || fail "the control is not in its folder"
run "$bin/projector/flash_version_probe.exe"
code=$?
[[ $code -eq 10 ]] || fail "Flash Player version after installing: $code"
WINEPREFIX=$WINEPREFIX wineserver -k >/dev/null 2>&1 || true
rm -rf "$work"
echo "installer end to end: ok"
