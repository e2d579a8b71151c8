#!/usr/bin/env bash
# Set-up, build and run for a fresh Debian 12 machine.
#   ./build.sh demo    install what is needed, build, and play the bundled demo game
#   ./build.sh test    install what is needed, build, and run the whole test suite
#                      (once normally, once under AddressSanitizer + UndefinedBehaviorSanitizer)
#   ./build.sh build   install and build only
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(
  build-essential cmake pkg-config python3 clang
  libsdl2-dev libfreetype-dev libfontconfig-dev libpng-dev libjpeg-dev
  libgtest-dev libgmock-dev libbenchmark-dev libpixman-1-dev
  fonts-ipafont-gothic xvfb x11-apps x11-utils lcov desktop-file-utils xdotool
  libfluidsynth-dev fluid-soundfont-gm timgm6mb-soundfont libmpg123-dev libsndfile1-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev ffmpeg
)

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -eq 0 ]; then return; fi
  echo "== installing: ${missing[*]}"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

JOBS=$(nproc 2>/dev/null || echo 2)

build() {  # build DIR [cmake options...]
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j"$JOBS"
}

case "${1:-}" in
  demo)
    install_packages
    build build
    if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
      echo "== playing demo/ (close the window or choose 終了 to quit)"
      exec build/veloria demo
    fi
    shot="$PWD/build/demo-screenshot.png"
    echo "== no display: playing demo/ headless with autoplay"
    build/veloria --headless --autoplay --timeout 600000 --screenshot-on-exit "$shot" demo
    echo "== the last picture of the demo is in $shot"
    ;;
  test)
    install_packages
    build build
    (cd build && ctest --output-on-failure -j"$JOBS")
    echo "== again under AddressSanitizer + UndefinedBehaviorSanitizer"
    build build-asan -DVELORIA_SANITIZE=ON
    (cd build-asan && ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS="suppressions=$PWD/../tests/lsan.supp" \
      UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j"$JOBS")
    ;;
  build)
    install_packages
    build build
    ;;
  *)
    echo "usage: $0 demo|test|build" >&2
    exit 2
    ;;
esac
