#!/usr/bin/env bash
# The keyboard as a user meets it, on a real X server: the demo data set in a scratch folder, the
# viewer under Xvfb at 1024 x 768 (with a window manager when openbox is installed, as on a
# desktop) and keyboard_session pressing real keys with xdotool.
#   tests/app/keyboard.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
if [ "${PANORAMA_KEYBOARD_INNER:-0}" = 1 ]; then
    if command -v openbox >/dev/null; then
        openbox >/dev/null 2>&1 &
        wm=$!
        trap 'kill $wm 2>/dev/null || true' EXIT
        sleep 0.5
    fi
    cd "$WORK/demo"
    XDG_CONFIG_HOME="$WORK/config" QT_QPA_PLATFORM=xcb \
        "$build/tests/app/keyboard_session" DEMO01 "$WORK/demo" "$WORK/demo"
    exit
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/tools/make_demo" "$work/demo" >/dev/null
mkdir -p "$work/config"
PANORAMA_KEYBOARD_INNER=1 WORK="$work" \
    xvfb-run -a -s "-screen 0 1024x768x24" "$here/keyboard.sh" "$build"
