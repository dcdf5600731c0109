#!/usr/bin/env bash
# What --opacity and --scale cost, side by side in one run, as ratios to the plain run:
# --opacity 100 must cost nothing; --scale adds at most the resampling of the watermark once
# per distinct photo width. BASELINE=<an earlier zendavo-cli> adds that binary's plain run.
#   bench/cli/options_cost.sh [BUILD_DIR]      (default: build/default)
# Environment: PHOTOS (12, in three widths), REPEAT (3: best of), WORK (a temp dir).
set -euo pipefail
cd "$(dirname "$0")/../.."
source bench/common.sh

build=${1:-build/default}
photos=${PHOTOS:-12}
repeat=${REPEAT:-3}
cli=$build/cli/zendavo-cli
gen=$build/bench/cli/zendavo-photo-gen
for tool in "$cli" "$gen"; do
  [ -x "$tool" ] || { echo "missing $tool: build the default preset first" >&2; exit 1; }
done
command -v taskset >/dev/null || { echo "missing taskset (Debian package util-linux)" >&2; exit 1; }

bench_work zendavo-options
widths=(4000 3000 2000)
echo "making $photos photos in ${#widths[@]} widths and a 400x120 watermark..." >&2
for i in $(seq 1 "$photos"); do
  w=${widths[$(( (i - 1) % ${#widths[@]} ))]}
  "$gen" photo "$w" $((w * 3 / 4)) "$i" "$work/photos/$(printf 'photo%02d.jpg' "$i")" 92
done
"$gen" watermark 400 120 "$work/wm.png"

# CPU seconds (user + system) of one run on one core, one job.
once() {
  rm -rf "$work/out"
  /usr/bin/time -o "$work/time" -f '%U %S' taskset -c 0 "$@" -q --jobs 1 --output-dir "$work/out" \
    --slot "1=$work/wm.png" "$work/photos" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
  read -r user sys < <(tail -1 "$work/time")
  awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.3f", u + s }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
row() { printf '%-44s %8s %7s   %s\n' "$1" "$2" "$3" "${4:-}"; }

echo "measuring (best of $repeat rounds, each round runs every variant once; CPU seconds on one core)..." >&2
names=(plain full partial scaled enlarged)
declare -A args=([plain]="" [full]="--opacity 100" [partial]="--opacity 60" [scaled]="--scale 10" [enlarged]="--scale 30")
declare -A t
[ -n "${BASELINE:-}" ] && names+=(baseline)
for _ in $(seq 1 "$repeat"); do
  for n in "${names[@]}"; do
    if [ "$n" = baseline ]; then v=$(once "$BASELINE"); else v=$(once "$cli" ${args[$n]}); fi
    t[$n]=$(awk -v a="$v" -v b="${t[$n]:-}" 'BEGIN { if (b != "" && b < a) a = b; printf "%.3f", a }')
  done
done
plain=${t[plain]} full=${t[full]} partial=${t[partial]} scaled=${t[scaled]} enlarged=${t[enlarged]}
baseline=${t[baseline]:-}

echo
echo "$photos photos of widths ${widths[*]} (4:3), a 400x120 watermark at position 9"
row "run" "seconds" "ratio" "goal"
row "no option" "$plain" "1.000"
[ -n "${baseline:-}" ] && row "no option, BASELINE binary" "$baseline" "$(ratio "$baseline" "$plain")" "ours / baseline ~ 1"
row "--opacity 100" "$full" "$(ratio "$full" "$plain")" "1 (costs nothing)"
row "--opacity 60" "$partial" "$(ratio "$partial" "$plain")"
row "--scale 10 (400/300/200 px wide marks)" "$scaled" "$(ratio "$scaled" "$plain")" "~1 + ${#widths[*]} resamplings"
row "--scale 30 (1200/900/600 px wide marks)" "$enlarged" "$(ratio "$enlarged" "$plain")" "~1 + ${#widths[*]} resamplings"
