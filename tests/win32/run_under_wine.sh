#!/usr/bin/env bash
# Runs a Windows program under Wine in a fresh prefix with a null ALSA device, on $DISPLAY.
: "${DISPLAY:?start an Xvfb and export DISPLAY}"
scratch=$(mktemp -d)
export WINEPREFIX="$scratch/prefix" WINEDEBUG=-all HOME="$scratch"
printf 'pcm.!default { type null }\nctl.!default { type hw card 0 }\n' >"$HOME/.asoundrc"
trap 'wineserver -k 2>/dev/null; rm -rf "$scratch"' EXIT
wine "$@"
