#!/usr/bin/env bash
# orlindel-cli as whole processes, side by side with sha1sum in the same run:
# the start (`--version`) and a read-only analysis (`subtitle --log --json`)
# of the realistic 10 MiB bench image against one `sha1sum` of that file.
# Times are CPU time (user + system) per process (bench/process_cpu_time.cpp),
# counted from the end of its exec to its exit as `perf stat` counts a program
# and, in brackets, from its fork, exec included; the mean over RUNS runs
# (default 200) made in interleaved rounds, so that a busy spell of a shared
# machine spreads over every command alike. Where the kernel refuses the
# counter, only the times from the fork are shown.
# Usage: bench/cli_start.sh BUILD_DIR [RUNS]
# BUILD_DIR holds src/cli/orlindel-cli, bench/orlindel_process_cpu_time and
# bench/orlindel_write_bench_image.
set -euo pipefail
build=${1:?usage: cli_start.sh BUILD_DIR [RUNS]}
runs=${2:-200}
cli=$build/src/cli/orlindel-cli
timer=$build/bench/orlindel_process_cpu_time
sha1sum=$(command -v sha1sum)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
image=$work/realistic.bin
"$build/bench/orlindel_write_bench_image" realistic "$image"
: >"$work/empty"

rounds=10
per_round=$(((runs + rounds - 1) / rounds))
declare -A program=() process=()
counted=1
measure() {  # measure NAME PROGRAM ARGUMENT...: adds per_round runs' CPU seconds
  local name=$1 spent
  shift
  read -r -a spent < <("$timer" "$per_round" "$@")
  [ "${spent[0]}" = - ] && counted=0
  program[$name]=$(awk -v a="${program[$name]:-0}" -v b="${spent[0]}" 'BEGIN { print a + b }')
  process[$name]=$(awk -v a="${process[$name]:-0}" -v b="${spent[1]}" 'BEGIN { print a + b }')
}
for ((r = 0; r < rounds; ++r)); do
  measure version "$cli" --version
  measure sha1_empty "$sha1sum" "$work/empty"
  measure subtitle "$cli" subtitle "$image" --log --json
  measure sha1 "$sha1sum" "$image"
done

total=$((per_round * rounds))
ms() { awk -v s="$1" -v n="$total" 'BEGIN { printf "%.2f", 1000 * s / n }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
# figures NAME BASE WHAT: the counted time per process and its ratio to
# BASE's, then the same from the fork.
figures() {
  local from_fork="$(ms "${process[$1]}") ms, $(ratio "${process[$1]}" "${process[$2]}")x $3 ($(ms "${process[$2]}") ms)"
  if [ "$counted" = 1 ]; then
    echo "$(ms "${program[$1]}") ms, $(ratio "${program[$1]}" "${program[$2]}")x $3 ($(ms "${program[$2]}") ms); from the fork: $from_fork"
  else
    echo "from the fork only (no task-clock counter): $from_fork"
  fi
}
echo "runs per command: $total (CPU time per process)"
echo "orlindel-cli --version (target <= 3 ms): $(figures version sha1_empty "sha1sum of an empty file")"
echo "orlindel-cli subtitle --log --json on 10 MiB (target <= 1.0x): $(figures subtitle sha1 "sha1sum of the file")"
