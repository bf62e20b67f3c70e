#!/usr/bin/env bash
# Every command and option the program lists in its --help, at every level,
# is written up in the man page source, so that a new command or option
# cannot ship undocumented.
# Usage: man_page_test.sh KORVATINEL PAGE.scd
set -euo pipefail
exe=$1
page=$(< "$2")
missing=0

subcommands() { awk '/^[A-Za-z]+:$/ { s = $0; next } s == "Subcommands:" && /^  [a-z]/ { print $1 }'; }
options() { awk '/^[A-Za-z]+:$/ { s = $0; next } s == "Options:" && /^  -/ { n = split($1, o, ","); print o[n] }'; }

check() {  # the command path "$@" and everything under it
  local help option sub
  help=$("$exe" "$@" --help)
  # A command is written bold, alone or followed by its arguments or subcommands.
  if [ $# -gt 0 ] && ! grep -qE "\*$*[* ]" <<< "$page"; then
    echo "the man page lacks the command '$*'"
    missing=1
  fi
  for option in $(options <<< "$help"); do
    if ! grep -qF -- "*$option*" <<< "$page"; then
      echo "the man page lacks $option of '$*'"
      missing=1
    fi
  done
  for sub in $(subcommands <<< "$help"); do check "$@" "$sub"; done
}
check
exit $missing
