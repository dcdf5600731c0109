#!/usr/bin/env bash
# Measures zendavo-cli against the codec floor (djpeg | cjpeg) and against ImageMagick,
# GraphicsMagick and libvips, side by side in one run, and prints the ratios.
#   bench/cli/compare.sh [BUILD_DIR]        (default: build/default)
# Environment: PHOTOS (20), WIDTH (4000), HEIGHT (3000), REPEAT (2: best of), WORK (a temp dir).
# Installs nothing: missing tools are named with the Debian package that has them.
set -euo pipefail
cd "$(dirname "$0")/../.."
source bench/common.sh

bench_settings "$@"
cli=$build/cli/zendavo-cli

need() {  # tool package
  command -v "$1" >/dev/null 2>&1 && return 0
  echo "missing: $1 (Debian package $2: sudo apt-get install $2)" >&2
  return 1
}
ok=1
need djpeg libjpeg-turbo-progs || ok=0
need cjpeg libjpeg-turbo-progs || ok=0
need taskset util-linux || ok=0
need c++ g++ || ok=0
[ "$ok" = 1 ] || exit 1
if [ ! -x "$cli" ]; then
  echo "no zendavo-cli in $build: build it first (cmake --preset default && cmake --build --preset default)" >&2
  exit 1
fi
peers=()
need convert-im6.q16 imagemagick && peers+=(im)
need gm graphicsmagick && peers+=(gm)
need vips libvips-tools && peers+=(vips)

bench_work zendavo-bench

gen=$build/bench/cli/zendavo-photo-gen
if [ ! -x "$gen" ]; then
  gen=$work/photo-gen
  c++ -std=c++20 -O2 bench/cli/photo_gen.cpp -ljpeg -lpng -o "$gen"
fi
bench_make_photos "$gen"
x=$((width - 400 - 20))
y=$((height - 120 - 10))
export work x y

# Best of $repeat runs of the command text $1 (outputs go to a fresh $work/out), as "wall cpu" seconds; cpu is
# user + system time of the command and its children, which other load on the machine
# disturbs far less than the wall clock.
best() {
  local best_wall="" best_cpu=""
  for _ in $(seq 1 "$repeat"); do
    rm -rf "$work/out"; mkdir -p "$work/out"
    local times
    /usr/bin/time -o "$work/time" -f '%e %U %S' bash -c "$1" >/dev/null 2>&1 || true
    times=$(tail -1 "$work/time")
    [[ "$times" =~ ^[0-9.]+\ [0-9.]+\ [0-9.]+$ ]] || { echo "failed: $1 ($times)" >&2; exit 1; }
    read -r wall user sys <<<"$times"
    best_wall=$(awk -v a="$wall" -v b="${best_wall:-}" 'BEGIN { if (b != "" && b < a) a = b; printf "%.3f", a }')
    best_cpu=$(awk -v a="$user" -v s="$sys" -v b="${best_cpu:-}" 'BEGIN { a += s; if (b != "" && b < a) a = b; printf "%.3f", a }')
  done
  echo "$best_wall $best_cpu"
}
wall() { echo "${1% *}"; }
cpu() { echo "${1#* }"; }

floor_one() { for f in "$work"/photos/*.jpg; do djpeg -ppm "$f" | cjpeg -quality 75 > "$work/out/$(basename "$f")"; done; }
floor_pair() { ls "$work"/photos/*.jpg | xargs -P 2 -I{} sh -c 'djpeg -ppm "$1" | cjpeg -quality 75 > "$work/out/$(basename "$1")"' _ {}; }
encode_one() { for f in "$work"/ppm/*.ppm; do cjpeg -quality 75 "$f" > "$work/out/$(basename "$f").jpg"; done; }
im_one() { convert-im6.q16 "$1" "$work/wm.png" -gravity SouthEast -geometry +20+10 -compose Multiply -composite -quality 75 "$work/out/$(basename "$1")"; }
gm_one() { gm composite -compose Multiply -gravity SouthEast -geometry +20+10 "$work/wm.png" "$1" -quality 75 "$work/out/$(basename "$1")"; }
vips_one() { vips composite2 "$1" "$work/wm.png" "$work/out/$(basename "$1")[Q=75]" multiply --x "$x" --y "$y"; }
peer_pair() { ls "$work"/photos/*.jpg | xargs -P 2 -I{} bash -c "$1"'_one "$1"' _ {}; }
im_loop() { for f in "$work"/photos/*.jpg; do im_one "$f"; done; }
export -f floor_one floor_pair encode_one im_one gm_one vips_one peer_pair im_loop
export cli
wm="1=$work/wm.png"
export wm

echo "measuring (best of $repeat)..." >&2
t_floor1=$(best "taskset -c 0 bash -c floor_one")
t_ours1=$(best 'taskset -c 0 "$cli" -q --jobs 1 --output-dir "$work/out" --slot "$wm" "$work/photos"')
t_ours3=$(best 'taskset -c 0 "$cli" -q --jobs 1 --output-dir "$work/out" --slot "$wm" --slot "2=$work/wm.png" --slot "3=$work/wm.png" "$work/photos"')
mkdir -p "$work/ppm"
for f in "$work"/photos/*.jpg; do djpeg -ppm "$f" > "$work/ppm/$(basename "$f" .jpg).ppm"; done
t_encode1=$(best "taskset -c 0 bash -c encode_one")
rm -rf "$work/ppm"
t_floorP=$(best floor_pair)
t_oursP=$(best '"$cli" -q --output-dir "$work/out" --slot "$wm" "$work/photos"')
declare -A t_peer
for p in "${peers[@]}"; do t_peer[$p]=$(best "peer_pair $p"); done
if [[ " ${peers[*]} " == *" im "* ]]; then t_imloop=$(best im_loop); fi

# Peak memory of one job in flight, against the BMP size of one photo.
rm -rf "$work/out"; mkdir -p "$work/out"
/usr/bin/time -o "$work/time" -f '%M' "$cli" -q --jobs 1 --output-dir "$work/out" --slot "$wm" \
  "$work/photos/photo01.jpg"
rss_kb=$(tail -1 "$work/time")
bmp_bytes=$((54 + (3 * width + width % 4) * height))

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
row() { printf '%-46s %9s %7s   %-34s %s\n' "$1" "$2" "$3" "$4" "${5:-}"; }
f1=$(cpu "$t_floor1"); o1=$(cpu "$t_ours1"); o3=$(cpu "$t_ours3"); e1=$(cpu "$t_encode1")
fP=$(wall "$t_floorP"); oP=$(wall "$t_oursP")
echo
echo "$photos photos of ${width}x${height}, one 400x120 watermark at position 9, margins 20 and 10"
echo "one-core rows: CPU seconds (user + system) under taskset -c 0; all-core rows: wall seconds"
row "measure" "seconds" "ratio" "goal" "(wall seconds)"
row "codec floor djpeg|cjpeg -quality 75, 1 core" "$f1" "1.00" "" "($(wall "$t_floor1"))"
row "zendavo-cli --jobs 1, 1 core" "$o1" "$(ratio "$o1" "$f1")" "<= 1.30 x floor" "($(wall "$t_ours1"))"
row "codec floor, xargs -P 2" "$fP" "1.00" ""
row "zendavo-cli, all cores" "$oP" "$(ratio "$oP" "$fP")" "<= 1.35 x floor -P 2"
for p in "${peers[@]}"; do
  name=$p; [ "$p" = im ] && name=ImageMagick; [ "$p" = gm ] && name=GraphicsMagick; [ "$p" = vips ] && name=libvips
  row "$name, xargs -P 2" "$(wall "${t_peer[$p]}")" "$(ratio "$(wall "${t_peer[$p]}")" "$oP")" "> 1 (peer / ours)"
done
if [ -n "${t_imloop:-}" ]; then
  row "ImageMagick, one at a time" "$(wall "$t_imloop")" "$(ratio "$(wall "$t_imloop")" "$oP")" ">= 2.5 (peer / ours)"
fi
extra=$(awk -v a="$o3" -v b="$o1" 'BEGIN { printf "%.3f", (a - b) / 2 }')
row "each extra slot (3 slots vs 1), 1 core" "$extra" "$(ratio "$extra" "$e1")" "<= 1.5 x cjpeg encode ($e1 s)" "($(wall "$t_ours3") for 3 slots)"
row "peak RSS of --jobs 1 (MB) / BMP size" "$((rss_kb / 1024))" "$(ratio "$((rss_kb * 1024))" "$bmp_bytes")" "<= 2.2"
