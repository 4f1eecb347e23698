#!/usr/bin/env bash
# The example session of the command-line reference, run as it stands: each
# "$ " line of the block under "## Example session" runs in a fresh folder
# that holds the demo firmware image as fw.bin, with the build's
# orlindel-cli; what it prints (standard output and error) must be the lines
# that follow it, up to the next "$ " line.
# Usage: doc_session_test.sh REFERENCE ORLINDEL_CLI DEMO_IMAGE
set -u
reference=$1
cli_dir=$(cd "$(dirname "$2")" && pwd)
demo=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$demo" "$work/fw.bin"

# The block's lines, without its fences.
session=$(awk '
  /^## Example session$/ { section = 1; next }
  section && /^## / { exit }
  section && /^```/ { if (inside) exit; inside = 1; next }
  inside { print }
' "$reference")
[ -n "$session" ] || { echo "FAIL: $reference has no example session"; exit 1; }

failures=0
commands=0
command=""
expected=""
run_previous() {
  [ -n "$command" ] || return 0
  local got
  got=$(cd "$work" && PATH="$cli_dir:$PATH" bash -c "$command" 2>&1)
  if [ "$got" != "$expected" ]; then
    echo "FAIL: \$ $command"
    diff <(printf '%s\n' "$expected") <(printf '%s\n' "$got")
    failures=$((failures + 1))
  fi
  commands=$((commands + 1))
}
while IFS= read -r line; do
  if [[ $line == '$ '* ]]; then
    run_previous
    command=${line#\$ }
    expected=""
  else
    expected+=${expected:+$'\n'}$line
  fi
done <<<"$session"
run_previous

[ "$failures" -eq 0 ] && echo "all $commands commands of the session print what the reference shows"
exit $((failures > 0))
