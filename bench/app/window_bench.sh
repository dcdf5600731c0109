#!/usr/bin/env bash
# The window's run (the real MainWindow, headless) against zendavo-cli on the same photos and
# cores, with one and with three slots, and the longest time the window's thread goes without
# handling events.
#   bench/app/window_bench.sh [BUILD_DIR]        (default: build/default)
# Environment: PHOTOS (20), WIDTH (4000), HEIGHT (3000), REPEAT (2: best of), WORK (a temp dir).
set -euo pipefail
cd "$(dirname "$0")/../.."

build=${1:-build/default}
photos=${PHOTOS:-20}
width=${WIDTH:-4000}
height=${HEIGHT:-3000}
repeat=${REPEAT:-2}
for tool in cli/zendavo-cli bench/app/zendavo-window-bench bench/cli/zendavo-photo-gen; do
  if [ ! -x "$build/$tool" ]; then
    echo "no $tool in $build: cmake --build $build --target zendavo-cli zendavo-window-bench zendavo-photo-gen" >&2
    exit 1
  fi
done

work=${WORK:-$(mktemp -d /tmp/zendavo-window-bench.XXXXXX)}
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/photos"
echo "making $photos photos of ${width}x${height} and a 400x120 watermark..." >&2
for i in $(seq 1 "$photos"); do
  "$build/bench/cli/zendavo-photo-gen" photo "$width" "$height" "$i" "$work/photos/$(printf 'photo%02d.jpg' "$i")" 92
done
"$build/bench/cli/zendavo-photo-gen" watermark 400 120 "$work/wm.png"

QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} \
  "$build/bench/app/zendavo-window-bench" "$work/photos" "$work/wm.png" "$build/cli/zendavo-cli" "$repeat"
