# bash completion for tolvern. Installed as
# share/bash-completion/completions/tolvern; or source it from ~/.bashrc.
#
# The subcommands and their options are read from the program's own help
# (`tolvern --help`, `tolvern SUBCOMMAND --help`) once per shell, so that the
# completion offers what the installed program takes.

# The words of the help of "$@" that are subcommand names (the SUBCOMMANDS
# section) or, with --options, the options (every -x and --long-name listed).
_tolvern_help_words() {
  local mode=$1
  shift
  "$@" --help 2>/dev/null | {
    if [ "$mode" = --subcommands ]; then
      sed -n '/^SUBCOMMANDS:/I,/^$/{/^  *[a-z]/{s/^  *\([a-z][a-z-]*\).*/\1/p}}'
    else
      grep -E '^ +-' | grep -oE '(^| |,)--?[A-Za-z][A-Za-z-]*' | tr -d ' ,' | sort -u
    fi
  }
}

# The source families the subcommand's --family takes, as its help names them
# ("... components of this family: bde, ado (default: bde)").
_tolvern_families() {
  "$@" --help 2>/dev/null | sed -n 's/.*of this family: \([a-z0-9, -]*\) (default.*/\1/p' | tr -d ','
}

_tolvern() {
  local cur prev words cword
  if declare -F _init_completion >/dev/null; then
    _init_completion || return
  else
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD - 1]}
    words=("${COMP_WORDS[@]}")
    cword=$COMP_CWORD
  fi
  local program=${words[0]}

  # The subcommand is the first word that is not an option.
  local sub="" i
  for ((i = 1; i < cword; i++)); do
    case ${words[i]} in
      -*) ;;
      *) sub=${words[i]}; break ;;
    esac
  done

  if [ -z "$sub" ]; then
    if [ -z "${_tolvern_subcommands:-}" ]; then
      _tolvern_subcommands=$(_tolvern_help_words --subcommands "$program")
    fi
    if [[ $cur == -* ]]; then
      COMPREPLY=($(compgen -W "--help --version" -- "$cur"))
    else
      COMPREPLY=($(compgen -W "$_tolvern_subcommands" -- "$cur"))
    fi
    return
  fi

  # The values of the options that take one.
  case $prev in
    --project) _tolvern_files '@(dpr|DPR)'; return ;;
    --folder | --backup-dir) _tolvern_dirs; return ;;
    --profile | --write-profile | --check) _tolvern_files '@(json|JSON)'; return ;;
    --report | -o | --output) _tolvern_files ''; return ;;
    --units) _tolvern_files '@(pas|PAS)'; return ;;
    --jobs | -j) return ;;
    --family) COMPREPLY=($(compgen -W "$(_tolvern_families "$program" "$sub")" -- "$cur")); return ;;
  esac

  if [[ $cur == -* ]]; then
    local var="_tolvern_options_${sub//-/_}"
    if [ -z "${!var:-}" ]; then
      printf -v "$var" '%s' "$(_tolvern_help_words --options "$program" "$sub")"
    fi
    COMPREPLY=($(compgen -W "${!var}" -- "$cur"))
    return
  fi
  case $sub in
    restore) _tolvern_files '@(reu|REU)' ;;
    form) _tolvern_files '@(dfm|DFM)' ;;
    *) _tolvern_files '' ;;
  esac
}

# Files (with the extension pattern given, or any) and folders to walk into.
_tolvern_files() {
  if declare -F _filedir >/dev/null; then
    if [ -n "$1" ]; then _filedir "$1"; else _filedir; fi
    return
  fi
  local IFS=$'\n'
  COMPREPLY=($(compgen -f -- "$cur"))
}

_tolvern_dirs() {
  if declare -F _filedir >/dev/null; then
    _filedir -d
    return
  fi
  local IFS=$'\n'
  COMPREPLY=($(compgen -d -- "$cur"))
}

complete -F _tolvern tolvern tolvern.exe
