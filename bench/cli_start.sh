#!/usr/bin/env bash
# orlindel-cli as whole processes, side by side with sha1sum in the same run:
# the start (`--version`) and a read-only analysis (`subtitle --log --json`)
# of the realistic 10 MiB bench image against one `sha1sum` of that file.
# Times are CPU time (user + system) per process, the mean over RUNS runs
# (default 200) made in interleaved rounds, so that a busy spell of a shared
# machine spreads over every command alike.
# Usage: bench/cli_start.sh BUILD_DIR [RUNS]
# BUILD_DIR holds src/cli/orlindel-cli and bench/orlindel_write_bench_image.
set -euo pipefail
build=${1:?usage: cli_start.sh BUILD_DIR [RUNS]}
runs=${2:-200}
cli=$build/src/cli/orlindel-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
image=$work/realistic.bin
"$build/bench/orlindel_write_bench_image" realistic "$image"
: >"$work/empty"

rounds=10
per_round=$(((runs + rounds - 1) / rounds))
declare -A cpu=()
measure() {  # measure NAME COMMAND...: adds per_round runs' CPU seconds
  local name=$1 spent
  shift
  spent=$({ TIMEFORMAT='%U %S'; time (for ((k = 0; k < per_round; ++k)); do
    "$@" >/dev/null
  done); } 2>&1 | awk '{ print $1 + $2 }')
  cpu[$name]=$(awk -v a="${cpu[$name]:-0}" -v b="$spent" 'BEGIN { print a + b }')
}
for ((r = 0; r < rounds; ++r)); do
  measure version "$cli" --version
  measure sha1_empty sha1sum "$work/empty"
  measure subtitle "$cli" subtitle "$image" --log --json
  measure sha1 sha1sum "$image"
done

total=$((per_round * rounds))
ms() { awk -v s="${cpu[$1]}" -v n="$total" 'BEGIN { printf "%.2f", 1000 * s / n }'; }
ratio() { awk -v a="${cpu[$1]}" -v b="${cpu[$2]}" 'BEGIN { printf "%.2f", a / b }'; }
echo "runs per command: $total (CPU time per process)"
echo "orlindel-cli --version: $(ms version) ms (target <= 3 ms);" \
  "$(ratio version sha1_empty)x sha1sum of an empty file ($(ms sha1_empty) ms)"
echo "orlindel-cli subtitle --log --json on 10 MiB: $(ms subtitle) ms;" \
  "sha1sum of the file: $(ms sha1) ms; ratio $(ratio subtitle sha1)" \
  "(target <= 1.0)"
