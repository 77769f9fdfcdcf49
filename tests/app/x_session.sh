#!/usr/bin/env bash
# Runs one of the X server session programs (keyboard_session, journey) as a user would meet the
# viewer: the demo data set in a scratch folder, the program under Xvfb at 1024 x 768, with a
# window manager when openbox is installed, in the demo's folder.
#   tests/app/x_session.sh BUILD_DIR PROGRAM [OUT_DIR]
# Screenshots and printouts go to OUT_DIR (default BUILD_DIR).
set -euo pipefail
build=$(cd "$1" && pwd)
program=$2
here=$(cd "$(dirname "$0")" && pwd)
if [ "${PANORAMA_X_SESSION_INNER:-0}" = 1 ]; then
    if command -v openbox >/dev/null; then
        openbox >/dev/null 2>&1 &
        wm=$!
        trap 'kill $wm 2>/dev/null || true' EXIT
        sleep 0.5
    fi
    cd "$WORK/demo"
    XDG_CONFIG_HOME="$WORK/config" QT_QPA_PLATFORM=xcb PANORAMA_SHOT_DIR="$OUT" \
        "$build/tests/app/$program" DEMO01 "$WORK/demo" "$WORK/demo"
    exit
fi
out=${3:-$build}
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/tools/make_demo" "$work/demo" >/dev/null
mkdir -p "$work/config"
PANORAMA_X_SESSION_INNER=1 WORK="$work" OUT="$out" \
    xvfb-run -a -s "-screen 0 1024x768x24" "$here/x_session.sh" "$build" "$program"
