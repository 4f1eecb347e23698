# Bash completion for orlindel-cli, loaded by bash-completion: its commands,
# each command's options, the values of options that take a word (as
# "--view pal" or "--view=pal"), and file names, each kept one word whatever
# it holds (spaces, quotes, letters beyond ASCII).

# The names of the files and folders that begin with the word typed so far,
# one reply each: the word read as the shell would read it (an opening quote,
# backslash escapes), and readline told they are file names, so it quotes
# what it inserts.
_orlindel_cli_files() {
  local typed="" k c
  case $cur in
    \'*) typed=${cur#\'} ;;
    \"*)
      for ((k = 1; k < ${#cur}; k++)); do
        c=${cur:k:1}
        if [[ $c == \\ && ${cur:k+1:1} == [\"\\\$\`] ]]; then
          k=$((k + 1))
          c=${cur:k:1}
        fi
        typed+=$c
      done ;;
    *)
      for ((k = 0; k < ${#cur}; k++)); do
        c=${cur:k:1}
        if [[ $c == \\ ]]; then
          k=$((k + 1))
          c=${cur:k:1}
        fi
        typed+=$c
      done ;;
  esac
  compopt -o filenames 2>/dev/null
  mapfile -t COMPREPLY < <(compgen -f -- "$typed")
}

_orlindel_cli() {
  local cur prev words cword split
  _init_completion -s || return

  local commands="info subtitle set-subtitle set-window trace fix-checksum
    diff ips apply-ips bps apply-bps export-layout import-layout render"

  # The command is the first word that is not an option.
  local command="" i
  for ((i = 1; i < cword; i++)); do
    if [[ ${words[i]} != -* ]]; then
      command=${words[i]}
      break
    fi
  done

  if [[ -z $command ]]; then
    if [[ $cur == -* ]]; then
      COMPREPLY=($(compgen -W "--help -h --version" -- "$cur"))
    else
      COMPREPLY=($(compgen -W "$commands" -- "$cur"))
    fi
    return
  fi

  local options
  case $command in
    info) options="--json" ;;
    subtitle) options="--log --json" ;;
    set-subtitle)
      options="-o --output --window --x1 --y1 --x2 --y2 --align --flags
        --line-space --log --force --json" ;;
    set-window)
      options="-o --output --id --left --top --right --bottom --pal-dy
        --blend --force --json" ;;
    trace) options="--start --stop --depth --json" ;;
    fix-checksum | ips | apply-ips | bps | apply-bps)
      options="-o --output --force --json" ;;
    export-layout) options="-o --output --json" ;;
    import-layout) options="-o --output --force --dry-run --only --json" ;;
    render)
      options="-o --output --window --second --view --tv --safe-title
        --safe-action --background --background-mode --force --json" ;;
    diff) options="--json" ;;
    *) return ;;
  esac
  options+=" -h --help"

  # After --, every word is a file.
  for ((i = 1; i < cword; i++)); do
    if [[ ${words[i]} == -- ]]; then
      _orlindel_cli_files
      return
    fi
  done

  case $prev in
    -o | --output | --background)
      _orlindel_cli_files
      return ;;
    --only)
      # A comma-separated list: complete the part after the last comma.
      local done_parts="" part=$cur
      if [[ $cur == *,* ]]; then
        done_parts=${cur%,*},
        part=${cur##*,}
      fi
      local left="" p
      for p in windows subtitle positions; do
        [[ ,$done_parts == *",$p,"* ]] || left+=" $p"
      done
      COMPREPLY=($(compgen -P "$done_parts" -W "$left" -- "$part"))
      return ;;
    --view) COMPREPLY=($(compgen -W "ntsc pal both" -- "$cur")); return ;;
    --tv) COMPREPLY=($(compgen -W "pal ntsc" -- "$cur")); return ;;
    --background-mode)
      COMPREPLY=($(compgen -W "top center stretch" -- "$cur"))
      return ;;
    --window | --x1 | --y1 | --x2 | --y2 | --align | --flags | --line-space | \
      --id | --left | --top | --right | --bottom | --pal-dy | --blend | \
      --start | --stop | --depth | --second)
      return ;;  # a number
  esac
  # "--flag=": a flag takes no value.
  $split && return

  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
  else
    _orlindel_cli_files
  fi
}

complete -F _orlindel_cli orlindel-cli
