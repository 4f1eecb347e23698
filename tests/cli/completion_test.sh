#!/usr/bin/env bash
# The bash completion of orlindel-cli: it registers, completes commands and
# options, and offers every option each command's help lists.
# Usage: completion_test.sh COMPLETION_FILE ORLINDEL_CLI
set -u
source "$1"
cli=$2
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# The completions offered for the words given, the last being completed.
complete_words() {
  COMP_WORDS=(orlindel-cli "$@")
  COMP_CWORD=$#
  COMP_LINE="${COMP_WORDS[*]}"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _orlindel_cli orlindel-cli "${COMP_WORDS[COMP_CWORD]}" \
    "${COMP_WORDS[COMP_CWORD-1]}"
  [[ ${#COMPREPLY[@]} -eq 0 ]] && return
  printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' '
}

complete -p orlindel-cli >/dev/null || fail "orlindel-cli is not registered"

expect() {
  local expected=$1
  shift
  local got
  got=$(complete_words "$@")
  [[ $got == "$expected" ]] || fail "'$*': expected '$expected', got '$got'"
}

expect "set-subtitle set-window " se
expect "diff " di
expect "--help --version " --
expect "--help --json --log " subtitle fw.bin --
expect "--depth " trace fw.bin --d
expect "" set-window fw.bin --left ""
expect "apply-bps apply-ips " app
expect "export-layout " ex
expect "--dry-run " import-layout fw.bin --d
expect "windows,positions windows,subtitle " import-layout fw.bin --only windows,
expect "ntsc " render fw.bin --tv n
expect "both " render fw.bin --view b
expect "stretch " render fw.bin --background-mode s

# Every option a command's help lists is offered for that command.
checked=0
for command in $("$cli" --help |
  sed -n '/^\(Sub\)\{0,1\}[Cc]ommands:/,/^$/p' | grep -oE '^  [a-z][a-z-]+'); do
  offered=" $(complete_words "$command" -) "
  for option in $("$cli" "$command" --help |
    grep -oE '^  (-[a-z]|--[a-z0-9-]+)(,--[a-z0-9-]+)?' | tr ',' ' '); do
    [[ $offered == *" $option "* ]] ||
      fail "$command: $option is in the help but not completed"
  done
  checked=$((checked + 1))
done
# The command list came from the program's help: it must not be empty.
[[ $checked -ge 13 ]] || fail "only $checked commands found in the help"

[[ $failures -eq 0 ]] && echo "all completion checks passed"
exit $((failures > 0))
