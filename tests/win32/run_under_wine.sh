#!/usr/bin/env bash
# Runs one Windows test program under Wine in a fresh prefix on the X display named by DISPLAY,
# with a null ALSA device; exits with the program's own status.
set -euo pipefail
if [[ -z "${DISPLAY:-}" ]]; then
    echo "run_under_wine.sh: DISPLAY is not set; start an Xvfb and export DISPLAY" >&2
    exit 2
fi
scratch=$(mktemp -d)
export WINEPREFIX="$scratch/prefix" WINEDEBUG=-all HOME="$scratch/home"
mkdir -p "$HOME"
printf 'pcm.!default { type null }\nctl.!default { type hw card 0 }\n' > "$HOME/.asoundrc"
cleanup() {
    wineserver -k 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT
status=0
wine "$@" || status=$?
exit "$status"
