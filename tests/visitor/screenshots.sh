#!/usr/bin/env bash
# Screenshots of the visitor center in the real windows on the demo data under Xvfb at 1024 x 768:
#   tests/visitor/screenshots.sh BUILD_DIR [OUT_DIR]
# Makes the demo data set in a scratch folder and runs visitor_screenshots there, which plays its
# script in the viewer's windows and keeps visitor_center.png and visitor_center_long.png in OUT_DIR
# (default BUILD_DIR). Fails when a picture could not be taken or failed its checks.
set -euo pipefail
build=$(cd "$1" && pwd)
out=${2:-$build}
mkdir -p "$out"
out=$(cd "$out" && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/tools/make_demo" "$work/demo" >/dev/null
mkdir -p "$work/config"
cd "$work/demo"
XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb PANORAMA_SHOT_DIR="$out" \
    xvfb-run -a -s "-screen 0 1024x768x24" \
    "$build/tests/visitor/visitor_screenshots" DEMO01 "$work/demo" "$work/demo"
