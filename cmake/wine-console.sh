#!/bin/sh
# Runs a Windows test program under wine with a terminal for its console, so that its tests can
# type into the console as a person would and the programs they start can read it. Listing the
# tests needs no terminal, and its output is read as it comes.
# Usage: wine-console.sh PROGRAM.exe [ARGUMENTS...]
here=$(dirname "$0")
for argument in "$@"; do
  [ "$argument" = --gtest_list_tests ] && exec sh "$here/wine-run.sh" "$@"
done
quote() {
  printf "'%s' " "$(printf '%s' "$1" | sed "s/'/'\\\\''/g")"
}
# The program's own output goes to a file, read as plain text once it ends: through the
# terminal, wine would draw it as screen updates.
output=$(mktemp)
trap 'rm -f "$output"' EXIT
command=$(quote "$here/wine-run.sh"; for argument in "$@"; do quote "$argument"; done)
script -qec "$command >$(quote "$output") 2>&1" /dev/null </dev/null >/dev/null
code=$?
cat "$output"
exit $code
