#!/usr/bin/env bash
# One user's whole visit on a real X server: the demo data set in a scratch folder, the viewer
# under Xvfb at 1024 x 768 (with a window manager when openbox is installed) and journey driving
# it with real mouse and key events.
#   tests/app/journey.sh BUILD_DIR [OUT_DIR]
# The screenshots (journey_*.png) and the two printouts (journey_map.pdf, journey_text.pdf) go to
# OUT_DIR (default BUILD_DIR).
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
if [ "${PANORAMA_JOURNEY_INNER:-0}" = 1 ]; then
    if command -v openbox >/dev/null; then
        openbox >/dev/null 2>&1 &
        wm=$!
        trap 'kill $wm 2>/dev/null || true' EXIT
        sleep 0.5
    fi
    cd "$WORK/demo"
    XDG_CONFIG_HOME="$WORK/config" QT_QPA_PLATFORM=xcb PANORAMA_SHOT_DIR="$OUT" \
        "$build/tests/app/journey" DEMO01 "$WORK/demo" "$WORK/demo"
    exit
fi
out=${2:-$build}
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/tools/make_demo" "$work/demo" >/dev/null
mkdir -p "$work/config"
PANORAMA_JOURNEY_INNER=1 WORK="$work" OUT="$out" \
    xvfb-run -a -s "-screen 0 1024x768x24" "$here/journey.sh" "$build"
