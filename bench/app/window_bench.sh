#!/usr/bin/env bash
# The window's run (the real MainWindow, headless) against zendavo-cli on the same photos and
# cores, with one and with three slots, and the longest time the window's thread goes without
# handling events.
#   bench/app/window_bench.sh [BUILD_DIR]        (default: build/default)
# Environment: PHOTOS (20), WIDTH (4000), HEIGHT (3000), REPEAT (2: best of), WORK (a temp dir).
set -euo pipefail
cd "$(dirname "$0")/../.."
source bench/common.sh

bench_settings "$@"
for tool in cli/zendavo-cli bench/app/zendavo-window-bench bench/cli/zendavo-photo-gen; do
  if [ ! -x "$build/$tool" ]; then
    echo "no $tool in $build: cmake --build $build --target zendavo-cli zendavo-window-bench zendavo-photo-gen" >&2
    exit 1
  fi
done

bench_work zendavo-window-bench
bench_make_photos "$build/bench/cli/zendavo-photo-gen"

QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} \
  "$build/bench/app/zendavo-window-bench" "$work/photos" "$work/wm.png" "$build/cli/zendavo-cli" "$repeat"
