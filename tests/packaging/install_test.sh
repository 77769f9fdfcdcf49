#!/usr/bin/env bash
# Installs the build into a scratch prefix with cmake --install and checks what a desktop reads:
#   tests/packaging/install_test.sh BUILD_DIR
# the two programs, the menu entry (desktop-file-validate), the icon at each size of the icon
# theme (its pixels the size its folder says), and the AppStream description (appstreamcli).
set -euo pipefail
build=$(cd "$1" && pwd)
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failures=0
check() {
    local what=$1
    shift
    if "$@" >"$prefix/.out" 2>&1; then
        echo "ok: $what"
    else
        echo "FAILED: $what"
        sed 's/^/    /' "$prefix/.out"
        failures=$((failures + 1))
    fi
}

cmake --install "$build" --prefix "$prefix" >/dev/null
app=org.example.Panorama
check "bin/panorama is installed" test -x "$prefix/bin/panorama"
check "bin/pantool is installed and runs" "$prefix/bin/pantool" --help
check "the menu entry is valid" desktop-file-validate "$prefix/share/applications/$app.desktop"
check "the menu entry starts panorama" grep -qx 'Exec=panorama' "$prefix/share/applications/$app.desktop"
check "the menu entry names the icon" grep -qx "Icon=$app" "$prefix/share/applications/$app.desktop"
check "the AppStream description is valid" \
    appstreamcli validate --no-net --strict "$prefix/share/metainfo/$app.metainfo.xml"
check "the description launches the menu entry" \
    grep -q "<launchable type=\"desktop-id\">$app.desktop</launchable>" \
    "$prefix/share/metainfo/$app.metainfo.xml"
for size in 16 22 24 32 48 64 128 256; do
    icon="$prefix/share/icons/hicolor/${size}x${size}/apps/$app.png"
    check "the ${size}x${size} icon is ${size} pixels square" \
        test "$(identify -format '%wx%h' "$icon" 2>/dev/null)" = "${size}x${size}"
done
[ "$failures" -eq 0 ]
