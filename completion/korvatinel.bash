# Bash completion for korvatinel: commands, options and their choices, session
# and track names. The commands and options are read from the program's own
# --help, so they never fall behind the program; names are read from the
# files of the storage media (or of --data DIR).

# The text of `korvatinel [COMMAND...] --help`, or nothing.
_korvatinel_help() {
  "$@" --help 2>/dev/null
}

# Prints what the help text $1 offers: $2 is "commands", "options",
# "positionals", "takes-value OPTION" or "choices OPTION".
_korvatinel_parse() {
  printf '%s\n' "$1" | awk -v what="$2" -v opt="$3" '
    /^[A-Za-z]+:$/ { section = $0; next }
    section == "Subcommands:" && what == "commands" && /^  [a-z]/ { print $1 }
    section == "Positionals:" && what == "positionals" && /^  [A-Z]/ { print $1 }
    section == "Options:" && /^  -/ {
      n = split($1, names, ",")
      if (what == "options") { for (i = 1; i <= n; i++) print names[i]; next }
      for (i = 1; i <= n; i++) if (names[i] == opt) {
        if (what == "takes-value" && $0 ~ /^  -[^ ]+ [A-Z]/) print "yes"
        if (what == "choices" && match($2, /\{[^}]*\}/)) {
          list = substr($2, RSTART + 1, RLENGTH - 2)
          gsub(",", "\n", list)
          print list
        }
      }
    }'
}

# The storage roots: DIR of --data, else the documents folder and the
# removable media, as the program looks for them.
_korvatinel_roots() {
  if [[ -n $1 ]]; then
    printf '%s\n' "$1"
    return
  fi
  local documents=${XDG_DOCUMENTS_DIR:-}
  local dirs_file=${XDG_CONFIG_HOME:-$HOME/.config}/user-dirs.dirs
  if [[ -z $documents && -r $dirs_file ]]; then
    documents=$(sed -n 's/^XDG_DOCUMENTS_DIR="\(.*\)"$/\1/p' "$dirs_file")
    documents=${documents/#\$HOME/$HOME}
  fi
  [[ $documents == /* ]] || documents=$HOME/Documents
  printf '%s\n' "$documents" /media/"$USER"/* /run/media/"$USER"/*
}

# Base names of Korvatinel/FOLDER/*-SUFFIX.bin under the roots.
_korvatinel_names() {
  local folder=$1 suffix=$2 root file
  while IFS= read -r root; do
    for file in "$root"/Korvatinel/"$folder"/*-"$suffix".bin; do
      [[ -e $file ]] || continue
      file=${file##*/}
      printf '%s\n' "${file%-"$suffix".bin}"
    done
  done < <(_korvatinel_roots "$3")
}

# What a SESSION argument takes: `last` and the sessions' base names.
_korvatinel_sessions() {
  printf 'last\n'
  _korvatinel_names Sessions session "$1"
}

# The keys `korvatinel settings list` shows: the first word of its lines,
# when it is a key (lower case), not a heading.
_korvatinel_setting_keys() {
  local -a data=()
  [[ -n $2 ]] && data=(--data "$2")
  "$1" "${data[@]}" settings list 2>/dev/null | awk '$1 ~ /^[a-z][a-z0-9-]*$/ { print $1 }'
}

# Sets COMPREPLY to the words of $1 (one a line) that start with $cur,
# quoted for the command line.
_korvatinel_offer() {
  local word
  COMPREPLY=()
  while IFS= read -r word; do
    [[ -n $word && $word == "$cur"* ]] || continue
    if [[ $word == *[[:space:]\'\"\\]* ]]; then
      COMPREPLY+=("$(printf '%q' "$word")")
    else
      COMPREPLY+=("$word")
    fi
  done <<< "$1"
}

_korvatinel_source() {
  case $cur in
    file:*)
      local IFS=$'\n'
      COMPREPLY=($(compgen -f -P file: -- "${cur#file:}"))
      ;;
    serial:*)
      _korvatinel_offer "$(compgen -P serial: -G '/dev/tty[UA][SC][BM]*'; compgen -P serial: -G '/dev/rfcomm*')"
      ;;
    *)
      _korvatinel_offer $'file:\nserial:\nbt:\ngpsd'
      compopt -o nospace 2>/dev/null
      ;;
  esac
}

_korvatinel() {
  local cur=${COMP_WORDS[COMP_CWORD]} prog=${COMP_WORDS[0]}
  local -a command=()
  local data="" help word i=1 positional=0
  help=$(_korvatinel_help "$prog")
  [[ -n $help ]] || return 0

  # Walk the words before the cursor: the command path, --data, option
  # values (skipped) and the positionals given so far.
  local takes="" value_of=""
  while (( i < COMP_CWORD )); do
    word=${COMP_WORDS[i]}
    if [[ -n $value_of ]]; then
      [[ $value_of == --data ]] && data=$word
      value_of=""
    elif [[ $word == --data=* ]]; then
      data=${word#--data=}
    elif [[ $word == -* ]]; then
      takes=$(_korvatinel_parse "$help" takes-value "${word%%=*}")
      [[ -n $takes && $word != *=* ]] && value_of=$word
    elif _korvatinel_parse "$help" commands | grep -qxF -- "$word"; then
      command+=("$word")
      help=$(_korvatinel_help "$prog" "${command[@]}")
      positional=0
    else
      positional=$((positional + 1))
    fi
    i=$((i + 1))
  done
  data=${data/#\~/$HOME}

  # The value of an option.
  if [[ -n $value_of ]]; then
    local choices
    choices=$(_korvatinel_parse "$help" choices "$value_of")
    if [[ -n $choices ]]; then
      _korvatinel_offer "$choices"
      return 0
    fi
    case $value_of in
      --data) local IFS=$'\n'; COMPREPLY=($(compgen -d -- "$cur")) ;;
      --track) _korvatinel_offer "$(_korvatinel_names Tracks track "$data")" ;;
      --compare) _korvatinel_offer "$(printf 'best\noptimal\n'; _korvatinel_sessions "$data" | sed 's/$/:best/')" ;;
      --gps | --obd) _korvatinel_source ;;
      -o | --output | --wav) local IFS=$'\n'; COMPREPLY=($(compgen -f -- "$cur")) ;;
    esac
    return 0
  fi

  if [[ $cur == -* ]]; then
    _korvatinel_offer "$(_korvatinel_parse "$help" options)"
    return 0
  fi

  local subcommands
  subcommands=$(_korvatinel_parse "$help" commands)
  # `obd` takes a SOURCE or a subcommand; the others take one or the other.
  local -a names
  mapfile -t names < <(_korvatinel_parse "$help" positionals)
  if (( positional < ${#names[@]} )); then
    case ${names[positional]}/${command[0]:-} in
      SESSION/*) _korvatinel_offer "$(_korvatinel_sessions "$data")" ;;
      NAME/track | OLD/track | TRACK/*)
        [[ ${command[1]:-} != create ]] && _korvatinel_offer "$(_korvatinel_names Tracks track "$data")" ;;
      KEY/settings) _korvatinel_offer "$(_korvatinel_setting_keys "$prog" "$data")" ;;
      FILE/*) local IFS=$'\n'; COMPREPLY=($(compgen -f -- "$cur")) ;;
      SOURCE/*) _korvatinel_source ;;
    esac
    if [[ -n $subcommands && $positional -eq 0 ]]; then
      local offered=("${COMPREPLY[@]}")
      _korvatinel_offer "$subcommands"
      COMPREPLY+=("${offered[@]}")
    fi
    return 0
  fi
  [[ -n $subcommands ]] && _korvatinel_offer "$subcommands"
  return 0
}

complete -F _korvatinel korvatinel
