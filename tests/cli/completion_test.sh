#!/usr/bin/env bash
# The bash completion of orlindel-cli, driven as bash-completion drives it:
# a typed line split into words as readline splits it, the function called
# with bash-completion loaded. It registers, completes commands, options and
# option values (also as --opt=value), offers every option each command's
# help lists, and keeps file names whole: spaces, quotes, letters beyond ASCII.
# Usage: completion_test.sh COMPLETION_FILE ORLINDEL_CLI BASH_COMPLETION
set -u
cli=$2
# bash-completion's own functions, as an interactive shell has them.
source "$3"
source "$1"
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Splits a typed line into COMP_WORDS as readline does: at blanks outside
# quotes, and at each character of COMP_WORDBREAKS, which is a word itself;
# quotes and backslashes stay in the words.
split_line() {
  local line=$1 word="" quote="" c k
  COMP_WORDS=()
  for ((k = 0; k < ${#line}; k++)); do
    c=${line:k:1}
    if [[ -n $quote ]]; then
      word+=$c
      [[ $c == "$quote" ]] && quote=""
    elif [[ $c == \\ ]]; then
      word+=$c${line:k+1:1}
      k=$((k + 1))
    elif [[ $c == [\"\'] ]]; then
      word+=$c
      quote=$c
    elif [[ $c == " " ]]; then
      [[ -n $word ]] && COMP_WORDS+=("$word")
      word=""
    elif [[ $COMP_WORDBREAKS == *"$c"* ]]; then
      [[ -n $word ]] && COMP_WORDS+=("$word")
      COMP_WORDS+=("$c")
      word=""
    else
      word+=$c
    fi
  done
  # The word being completed, empty after a blank.
  COMP_WORDS+=("$word")
}

# The completions offered at the end of the typed line, one a line, sorted.
complete_line() {
  COMP_LINE="orlindel-cli $1"
  COMP_POINT=${#COMP_LINE}
  split_line "$COMP_LINE"
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _orlindel_cli orlindel-cli "${COMP_WORDS[COMP_CWORD]}" \
    "${COMP_WORDS[COMP_CWORD-1]}"
  [[ ${#COMPREPLY[@]} -eq 0 ]] && return
  printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort
}

expect() {
  local line=$1 got expected
  shift
  expected=$(printf '%s\n' "$@")
  [[ $# -eq 0 ]] && expected=""
  got=$(complete_line "$line")
  [[ $got == "$expected" ]] ||
    fail "'$line': expected [$(echo $expected)], got [$(echo $got)]"
}

complete -p orlindel-cli >/dev/null || fail "orlindel-cli is not registered"

# Commands, options and their values.
expect "se" set-subtitle set-window
expect "di" diff
expect "--" --help --version
expect "subtitle fw.bin --" --help --json --log
expect "trace fw.bin --d" --depth
expect "set-window fw.bin --left "
expect "app" apply-bps apply-ips
expect "import-layout fw.bin --d" --dry-run
expect "import-layout fw.bin --only windows," windows,positions windows,subtitle
expect "import-layout fw.bin --only=windows,s" windows,subtitle
expect "render fw.bin --tv n" ntsc
expect "render fw.bin --view b" both
expect "render fw.bin --view=" both ntsc pal
expect "render fw.bin --tv=p" pal
expect "render fw.bin --background-mode=s" stretch
expect "render fw.bin --background-mode s" stretch
expect "set-window fw.bin --left=" 
expect "info fw.bin --json="

# File names are one word each, however they are spelled or typed.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
touch "a b.bin" "it's.bin" 'say "hi".bin' "café.bin" "x.bin"
mkdir "sub dir"
expect "info a" "a b.bin"
expect "info a\\ " "a b.bin"
expect "info \"a " "a b.bin"
expect "info 'a" "a b.bin"
expect "info it" "it's.bin"
expect "info say" 'say "hi".bin'
expect "info it\\'" "it's.bin"
expect "info \"say \\\"h" 'say "hi".bin'
expect "info caf" "café.bin"
expect "info su" "sub dir"
expect "diff x.bin c" "café.bin"
expect "ips x.bin a\\ b.bin -o s" 'say "hi".bin' "sub dir"
expect "ips x.bin a\\ b.bin --output=a" "a b.bin"
expect "render x.bin -o p.png --background=it" "it's.bin"
expect "info -- a" "a b.bin"
cd - >/dev/null || exit 1

# Every option a command's help lists is offered for that command.
checked=0
for command in $("$cli" --help |
  sed -n '/^\(Sub\)\{0,1\}[Cc]ommands:/,/^$/p' | grep -oE '^  [a-z][a-z-]+'); do
  offered=" $(complete_line "$command x -" | tr '\n' ' ') "
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
