# shellcheck shell=bash
# Shared by the benchmark scripts that run zendavo-cli on generated photos; sourced from the top
# of the tree. Environment: PHOTOS (20), WIDTH (4000), HEIGHT (3000), REPEAT (2: best of), WORK.

# Sets build (the first argument, default build/default), photos, width, height and repeat.
# shellcheck disable=SC2034  # read by the scripts that call it
bench_settings() {
  build=${1:-build/default}
  photos=${PHOTOS:-20}
  width=${WIDTH:-4000}
  height=${HEIGHT:-3000}
  repeat=${REPEAT:-2}
}

# Sets work: WORK, or a fresh /tmp/$1.XXXXXX; removed on exit, with an empty photos/ in it.
bench_work() {
  work=${WORK:-$(mktemp -d "/tmp/$1.XXXXXX")}
  trap 'rm -rf "$work"' EXIT
  mkdir -p "$work/photos"
}

# $photos photos of $width x $height at quality 92 in $work/photos, and a 400x120 watermark
# $work/wm.png, made by the photo generator $1.
bench_make_photos() {
  local gen=$1 i
  echo "making $photos photos of ${width}x${height} (quality 92) and a 400x120 watermark..." >&2
  for i in $(seq 1 "$photos"); do
    "$gen" photo "$width" "$height" "$i" "$work/photos/$(printf 'photo%02d.jpg' "$i")" 92
  done
  "$gen" watermark 400 120 "$work/wm.png"
}
