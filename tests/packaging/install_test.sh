#!/usr/bin/env bash
# Installs the build into a temporary prefix and uses it as a user would,
# from a folder outside the source and build trees: the program, its demo
# data and voice clips, the man page and the bash completion; then builds
# the .deb and has lintian check it.
# Usage: install_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
version=$2
for tool in lintian dpkg-deb dpkg-parsechangelog man; do
  command -v "$tool" > /dev/null || { echo "SKIP: $tool is not installed (tools/bootstrap.sh)"; exit 77; }
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" > /dev/null
exe=$prefix/bin/korvatinel
# Nothing of the source tree is reachable from the installed program: its
# build-tree lookup (<exe>/../../data/) must find nothing, and the working
# folder holds no data/ either.
[ ! -e "$prefix/bin/../../data" ] || fail "$tmp/data exists"
mkdir "$tmp/elsewhere"
cd "$tmp/elsewhere"

[ "$("$exe" --version)" = "korvatinel $version" ] || fail "--version says: $("$exe" --version)"

demo_out=$("$exe" --data "$tmp/home" demo --fast --headless --no-voice 2>&1) || fail "demo: $demo_out"
grep -q "replaying $prefix/bin/../share/korvatinel/demo/" <<< "$demo_out" || fail "demo data not from the prefix: $demo_out"
grep -q "Lap 5" <<< "$demo_out" || fail "demo timed no laps: $demo_out"
ls "$tmp/home/Korvatinel/Sessions/"*-session.bin > /dev/null || fail "demo kept no session"

say_err=$("$exe" --data "$tmp/home" say 83456 --wav "$tmp/lap.wav" 2>&1 > /dev/null) || fail "say: $say_err"
[ -z "$say_err" ] || fail "bundled clips not found: $say_err"

# The installed man page renders (its coverage of the commands is
# man_page_test.sh's).
page=$prefix/share/man/man1/korvatinel.1.gz
man_text=$(MANWIDTH=80 MANPAGER=cat man -l "$page" 2> /dev/null) || fail "man -l $page"
grep -q "korvatinel - GPS lap timer" <<< "$man_text" || fail "man -l $page: $man_text"

# `korvatinel <Tab>` offers every command, and a SESSION argument `last`
# and the session the demo kept.
complete_line() {  # the words before the cursor; prints the offers
  PATH="$prefix/bin:$PATH" bash -c '
    source "$1"; shift
    COMP_WORDS=(korvatinel "$@" ""); COMP_CWORD=${#COMP_WORDS[@]}; COMP_CWORD=$((COMP_CWORD - 1))
    _korvatinel
    printf "%s\n" "${COMPREPLY[@]}"' _ "$prefix/share/bash-completion/completions/korvatinel" "$@"
}
subcommands() { awk '/^[A-Za-z]+:$/ { s = $0; next } s == "Subcommands:" && /^  [a-z]/ { print $1 }'; }
offered=$(complete_line)
[ "$offered" = "$("$exe" --help | subcommands)" ] || fail "bash completion offered: $offered"
session=$(basename "$(ls "$tmp/home/Korvatinel/Sessions/"*-session.bin)" -session.bin)
offered=$(complete_line --data "$tmp/home" laps)
[ "$offered" = "$(printf 'last\n%s' "$session")" ] || fail "bash completion of SESSION offered: $offered"
[ -f "$prefix/share/zsh/vendor-completions/_korvatinel" ] || fail "no zsh completion"

# The package: its contents, its dependencies and lintian's verdict.
cpack --config "$build/CPackConfig.cmake" -B "$tmp/package" > /dev/null
deb=$(ls "$tmp/package/"*.deb)
contents=$(dpkg-deb -c "$deb")
for file in usr/bin/korvatinel usr/share/man/man1/korvatinel.1.gz \
            usr/share/bash-completion/completions/korvatinel usr/share/zsh/vendor-completions/_korvatinel \
            "usr/share/korvatinel/demo/demo.nmea" usr/share/korvatinel/sounds/seconds.wav \
            usr/share/doc/korvatinel/copyright usr/share/doc/korvatinel/changelog.gz \
            usr/share/doc/korvatinel/formats.md; do
  grep -q " \./$file\$" <<< "$contents" || fail "the package lacks /$file"
done
depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends == *libc6* && $depends == *fonts-dejavu-core* ]] || fail "Depends: $depends"
# A new version needs its changelog entry.
changelog_version=$(dpkg-parsechangelog -l "$source_dir/docs/changelog" -S Version)
[ "$changelog_version" = "$version" ] || fail "docs/changelog's last entry is $changelog_version, not $version"
lintian --fail-on error --tag-display-limit 0 "$deb" || fail "lintian found errors"
echo "installed, used and packaged: $(basename "$deb")"
