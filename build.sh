#!/usr/bin/env bash
# Sets up and runs the project on a fresh Debian 12 machine.
#   ./build.sh run       install what is missing, build, make the demo data and start the viewer on
#                        it: panorama DEMO01 build/demo build/demo
#   ./build.sh test      install what is missing, build, and run every test through CTest
#   ./build.sh sanitize  build the fuzz targets with ASan/UBSan, replay their regression inputs
#                        and run a short fuzzing smoke (used by .ci/run)
#   ./build.sh asan      build the asan preset and run every test under AddressSanitizer and
#                        UndefinedBehaviorSanitizer (used by .ci/run)
#   ./build.sh install [PREFIX]
#                        install what is missing, build, and install panorama and pantool with
#                        the menu entry, icons and AppStream description into PREFIX
#                        (default ~/.local)
set -euo pipefail
cd "$(dirname "$0")"
top=$PWD

packages=(
    build-essential cmake ninja-build pkg-config
    zlib1g-dev libjpeg62-turbo-dev libsqlite3-dev
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    qt6-base-dev qt6-base-dev-tools libgl-dev
    qt6-multimedia-dev gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
    gstreamer1.0-plugins-bad
    libcups2-dev cups
    libdbd-xbase-perl libjpeg-turbo-progs
    xvfb xauth x11-utils xdotool openbox imagemagick poppler-utils fonts-dejavu-core fonts-liberation
    appstream desktop-file-utils
)
sanitize_packages=(clang libclang-rt-14-dev)

install_missing() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "build.sh: installing ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

configure_and_build() {
    local preset=$1
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
}

demo_dir="$top/build/demo"

case "${1:-}" in
run)
    install_missing "${packages[@]}"
    configure_and_build default
    "$top/build/default/tools/make_demo" "$demo_dir"
    # The viewer keeps its palette file (memdib.pal) in the working directory.
    cd "$demo_dir"
    exec "$top/build/default/src/app/panorama" DEMO01 "$demo_dir" "$demo_dir"
    ;;
test)
    install_missing "${packages[@]}"
    preset=default
    [ "${PANORAMA_CI:-0}" = 1 ] && preset=ci
    configure_and_build "$preset"
    ctest --preset "$preset" -j "$(nproc)"
    ;;
asan)
    install_missing "${packages[@]}"
    configure_and_build asan
    ctest --preset asan -j "$(nproc)"
    ;;
install)
    install_missing "${packages[@]}"
    configure_and_build default
    prefix=${2:-$HOME/.local}
    cmake --install "$top/build/default" --prefix "$prefix"
    echo "build.sh: installed into $prefix; start Panorama from the desktop's menu or with $prefix/bin/panorama"
    ;;
sanitize)
    install_missing "${packages[@]}" "${sanitize_packages[@]}"
    configure_and_build fuzz
    "$top/fuzz/run_fuzzers.sh" "$top/build/fuzz" "${FUZZ_SMOKE_SECONDS:-60}"
    ;;
*)
    echo "usage: ./build.sh run | test | sanitize | asan | install [PREFIX]" >&2
    exit 2
    ;;
esac
