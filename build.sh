#!/usr/bin/env bash
# Set-up, build and run for a fresh Debian 12 machine.
#   ./build.sh demo    install what is needed, build, and play the bundled demo game
#   ./build.sh test    install what is needed, build, and run the whole test suite
#                      (once normally, once under AddressSanitizer + UndefinedBehaviorSanitizer)
#   ./build.sh build   install and build only
#   ./build.sh tsan    build the tests under ThreadSanitizer and run the ones of the real-time
#                      audio path (the mixer, the feeding thread, the output's pause and resume)
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(
  build-essential cmake pkg-config python3
  libsdl2-dev libfreetype-dev libfontconfig-dev libpng-dev libjpeg-dev
  libgtest-dev libgmock-dev libbenchmark-dev libpixman-1-dev
  fonts-ipafont-gothic xvfb x11-apps x11-utils lcov desktop-file-utils xdotool
  libfluidsynth-dev fluid-soundfont-gm timgm6mb-soundfont libmpg123-dev libsndfile1-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev ffmpeg
  libasound2-dev libspeechd-dev
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
# The tests that run threads of their own: the real-time audio path.
TSAN_TESTS='FeedingThread.*:AudioQueue.*:MixerThreads.*:RealTimeOutput*.*:Mixer.*'

build() {  # build DIR [cmake options...]
  local dir=$1; shift
  local cache=()
  if command -v ccache >/dev/null; then
    cache=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    # Without these ccache passes over every file compiled with the precompiled headers.
    export CCACHE_SLOPPINESS=pch_defines,time_macros
  fi
  # Line tables (-g1) are all a backtrace or a sanitizer report needs, at a third less build time.
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELORIA_FAST_FIRST_BUILD=ON \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" \
    "${cache[@]}" "$@" >/dev/null
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
    # -O1 finds the same faults at less than half the build time of -O2.
    build build-asan -DVELORIA_SANITIZE=ON -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG"
    (cd build-asan && ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS="suppressions=$PWD/../tests/lsan.supp" \
      UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j"$JOBS")
    ;;
  build)
    install_packages
    build build
    ;;
  tsan)
    install_packages
    cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELORIA_TSAN=ON >/dev/null
    cmake --build build-tsan -j"$JOBS" --target veloria_tests
    TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" build-tsan/tests/veloria_tests \
      --gtest_filter="$TSAN_TESTS"
    ;;
  *)
    echo "usage: $0 demo|test|build|tsan" >&2
    exit 2
    ;;
esac
