# Bash completion for velmorant-cli: its options, the values of those that take a fixed
# set, and file names everywhere else.
_velmorant_cli() {
  local cur prev
  COMPREPLY=()
  cur=${COMP_WORDS[COMP_CWORD]}
  prev=${COMP_WORDS[COMP_CWORD-1]}
  case $prev in
    -k|--kind) COMPREPLY=($(compgen -W '0 1 2 3' -- "$cur")); return ;;
    --order) COMPREPLY=($(compgen -W 'separator body' -- "$cur")); return ;;
    --between) COMPREPLY=($(compgen -W 'hr numbered none' -- "$cur")); return ;;
    --encoding) COMPREPLY=($(compgen -W 'shift_jis euc-jp utf-8 auto' -- "$cur")); return ;;
    --output-dir) COMPREPLY=($(compgen -d -- "$cur")); return ;;
    -s|--separator|-r|--reverse|--range|--lead-cut|--trail-cut) return ;;
    -o|--output|--files-from) COMPREPLY=($(compgen -f -- "$cur")); return ;;
  esac
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W '-o --output --per-file --output-dir --files-from --null -k --kind
      -s --separator --encoding --euc --outline --outline=json -r --reverse --range --lead-cut
      --trail-cut --keep-cut --order --between --simple-header -f --force -q --quiet --progress
      --no-progress -h --help --version' -- "$cur"))
    return
  fi
  COMPREPLY=($(compgen -f -- "$cur"))
}
complete -o filenames -F _velmorant_cli velmorant-cli
