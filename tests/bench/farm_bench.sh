#!/usr/bin/env bash
# Wall time of the whole demo exported at once, and as 2 and 4 chunks handed to GNU parallel
# on this machine's cores, each followed by its join (timed on its own too). Needs no display.
#   tests/bench/farm_bench.sh [velmo] [width] [stretch switches...]
set -euo pipefail
VELMO=$(readlink -f "${1:-build/velmo}")
WIDTH=${2:-800}
shift $(( $# > 2 ? 2 : $# ))
source "$(dirname "$0")/../e2e/common.sh" "$VELMO"
run=$(mktemp -d)
trap 'rm -rf "$run"' EXIT
link_data "$run"
cd "$run"
SWITCHES=(-w "$WIDTH" --seed 7 "$@")
cores=$(nproc)

now() { date +%s.%N; }
took() { awk -v a="$1" -v b="$(now)" 'BEGIN{printf "%.1f", b - a}'; }

start=$(now)
"$VELMO" --writevideo whole.mp4 "${SWITCHES[@]}" >/dev/null
echo "whole export: $(took "$start") s"
for n in 2 4; do
  start=$(now)
  parallel --will-cite --halt now,fail=1 -j"$cores" "$VELMO" --writevideo "c$n.mp4" "${SWITCHES[@]}" --chunk {}/"$n" '>/dev/null' ::: $(seq 0 $((n - 1)))
  chunks=$(took "$start")
  joined=$(now)
  "$VELMO" --writevideo "c$n.mp4" "${SWITCHES[@]}" --join "$n" >/dev/null
  echo "$n chunks on $cores cores: $chunks s, join $(took "$joined") s, in all $(took "$start") s"
done
ls -l whole.mp4 c2.mp4 c4.mp4 | awk '{print $5, $9}'
