#!/usr/bin/env bash
# Screenshot of the real panorama window on the demo data under Xvfb at 1024 x 768:
#   tests/viewer/screenshot.sh BUILD_DIR [OUT.png]
# Makes the demo data set in a scratch folder, starts panorama there, waits for its window, takes
# the whole screen with ImageMagick's import and keeps it as OUT.png (default
# BUILD_DIR/panorama_screenshot.png). Then checks the picture: the screen's size, the command bar's
# colour along the bottom, and the panorama (not the window background) in the middle.
set -euo pipefail
build=$(cd "$1" && pwd)
out=${2:-$build/panorama_screenshot.png}
here=$(cd "$(dirname "$0")" && pwd)

if [ "${PANORAMA_SCREENSHOT_INNER:-0}" != 1 ]; then
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    "$build/tools/make_demo" "$work/demo" >/dev/null
    mkdir -p "$work/config"
    PANORAMA_SCREENSHOT_INNER=1 WORK="$work" \
        xvfb-run -a -s "-screen 0 1024x768x24" "$here/screenshot.sh" "$build" "$out"
    exit $?
fi

# Inside the X server.
cd "$WORK/demo"
XDG_CONFIG_HOME="$WORK/config" QT_QPA_PLATFORM=xcb \
    "$build/src/app/panorama" DEMO01 "$WORK/demo" "$WORK/demo" >"$WORK/panorama.log" 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do
    if xwininfo -root -tree 2>/dev/null | grep -q '"Skyvista: Elderfell Overlook"'; then break; fi
    kill -0 "$pid" 2>/dev/null || { cat "$WORK/panorama.log"; echo "panorama ended early" >&2; exit 1; }
    sleep 0.1
done
sleep 1 # let the first paint reach the screen
import -window root "$out"
echo "screenshot: $out"

pixel() { convert "$out" -format "%[fx:int(255*r)],%[fx:int(255*g)],%[fx:int(255*b)]" -crop "1x1+$1+$2" info:; }
size=$(identify -format "%wx%h" "$out")
[ "$size" = 1024x768 ] || { echo "screenshot is $size, not 1024x768" >&2; exit 1; }
# The bar is the client area's bottom 36 pixels; x = 240 lies between Features and the text.
bar=$(pixel 240 745)
[ "$bar" = "238,232,180" ] || { echo "command bar colour is $bar, not 238,232,180" >&2; exit 1; }
middle=$(pixel 512 360)
[ "$middle" != "255,255,217" ] || { echo "no panorama in the middle of the screen" >&2; exit 1; }
echo "screenshot checks passed (bar $bar, middle $middle)"
