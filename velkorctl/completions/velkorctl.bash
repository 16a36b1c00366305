# bash completion for velkorctl: commands, options, models and setting keys.

_velkorctl() {
  local cur prev word command i
  COMPREPLY=()
  cur=${COMP_WORDS[COMP_CWORD]}
  prev=${COMP_WORDS[COMP_CWORD - 1]}
  local commands="list status set name store-custom save load udev-rule virtual-reset"
  local options="-d --device --model --all --json --virtual --verbose --help --version"
  local keys="output-format= hdmi-color-space= av-output-type= deembed-pair= embed-source= overlays=
    vertical-margin= horizontal-margin= output-source= audio-source= image-flip= screen-freeze="

  case $prev in
    --model) mapfile -t COMPREPLY < <(compgen -W "tq4410 tq6630" -- "$cur"); return ;;
    -d | --device) return ;;
  esac

  command=
  for ((i = 1; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    case $word in
      -d | --device | --model) ((i++)) ;;
      -*) ;;
      *) command=$word; break ;;
    esac
  done

  if [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
    return
  fi
  case $command in
    "") mapfile -t COMPREPLY < <(compgen -W "$commands" -- "$cur") ;;
    set)
      compopt -o nospace 2>/dev/null
      mapfile -t COMPREPLY < <(compgen -W "$keys" -- "$cur")
      ;;
    store-custom) mapfile -t COMPREPLY < <(compgen -W "1 2" -- "$cur") ;;
    save | load) mapfile -t COMPREPLY < <(compgen -f -- "$cur") ;;
  esac
}
complete -F _velkorctl velkorctl
