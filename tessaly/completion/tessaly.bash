# bash completion for tessaly
_tessaly() {
  local cur prev words cword
  _init_completion -s 2>/dev/null || {
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    words=("${COMP_WORDS[@]}")
    cword=$COMP_CWORD
  }

  local commands="convert ddl verify list"
  local command="" i
  for ((i = 1; i < cword; i++)); do
    case ${words[i]} in
      convert|ddl|verify|list) command=${words[i]}; break ;;
    esac
  done

  if [[ -z $command ]]; then
    COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
    return
  fi

  case $prev in
    --profile|-p|--save-profile|--tables-file|-T|--report|-r|--log|-l)
      COMPREPLY=($(compgen -f -- "$cur")); return ;;
    --mode|-m)
      COMPREPLY=($(compgen -W "overwrite merge skip" -- "$cur")); return ;;
    --server|-S|--database|-d|--user|-U|--oracle|-o|--oracle-host|--oracle-port|\
    --oracle-user|-u|--oracle-release|--jobs|-j|--include|-i|--exclude|-x)
      return ;;
  esac

  local common="--server= --database= --user= --profile= --tables-file= --include= --exclude=
    --uppercase --log= --quiet --help"
  local options
  case $command in
    convert) options="$common --oracle= --oracle-host= --oracle-port= --oracle-user= --mode=
      --definitions-only --skip-indexes --foreign-keys --jobs= --save-profile= --report=" ;;
    ddl) options="$common --skip-indexes --foreign-keys --oracle-release= --oracle= --oracle-host=
      --oracle-port= --oracle-user=" ;;
    verify) options="$common --oracle= --oracle-host= --oracle-port= --oracle-user=" ;;
    list) options="$common" ;;
  esac
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
    [[ ${COMPREPLY-} == *= ]] && compopt -o nospace 2>/dev/null || true
  fi
}
complete -F _tessaly tessaly
