# bash completion for quillmend. Source it, or put it in
# /usr/share/bash-completion/completions/quillmend.
_quillmend() {
  local cur prev command i
  cur="${COMP_WORDS[COMP_CWORD]}"
  prev="${COMP_WORDS[COMP_CWORD-1]}"
  command=""
  for ((i = 1; i < COMP_CWORD; i++)); do
    case "${COMP_WORDS[i]}" in
      -*) ;;
      *) command="${COMP_WORDS[i]}"; break ;;
    esac
  done

  if [[ -z "$command" ]]; then
    COMPREPLY=($(compgen -W "convert list scan index search help --help -h --version -V" -- "$cur"))
    return
  fi

  local options=""
  case "$command" in
    convert)
      case "$prev" in
        --to) COMPREPLY=($(compgen -W "eml pst msg dbx rtf mbox" -- "$cur")); return ;;
        --recovered) COMPREPLY=($(compgen -W "keep drop" -- "$cur")); return ;;
        -d|--dest|--search|--mailbox) COMPREPLY=($(compgen -d -- "$cur")); return ;;
        --counter|--tag) return ;;
      esac
      options="--to -d --dest --search --mailbox --recovered --into --overwrite --recovery --counter --no-counter --tag --no-tag --no-type-tag --json -q --quiet --progress --log --help -h" ;;
    list)
      case "$prev" in
        --mailbox) COMPREPLY=($(compgen -d -- "$cur")); return ;;
      esac
      options="--json --mailbox --help -h" ;;
    scan) options="--json --log --help -h" ;;
    index) options="--check --help -h" ;;
    search) options="--help -h" ;;
    help) COMPREPLY=($(compgen -W "convert list scan index search" -- "$cur")); return ;;
  esac

  if [[ "$cur" == -* ]]; then
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
  elif [[ "$command" == search ]]; then
    COMPREPLY=($(compgen -d -- "$cur"))
  else
    COMPREPLY=($(compgen -f -X '!*.[dD][bB][xX]' -- "$cur") $(compgen -d -- "$cur"))
  fi
}
complete -F _quillmend quillmend
