#!/bin/sh
# Runs varnelo.exe under wine with a terminal for its console (typed input from a file) and
# checks that the colours reach the console on the text they belong to; wine shows console
# attributes as SGR sequences. Usage: console_windows_tty.sh varnelo.exe [wine]
set -u
exe=$1
wine=${2:-wine}
export WINEDEBUG=-all
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '1\n6\n' >"$work/typed"
timeout 60 script -qec "'$wine' '$exe' <'$work/typed'" /dev/null </dev/null >"$work/raw" 2>&1
code=$?
if [ $code -ne 0 ]; then
  echo "exit code $code, expected 0"
  exit 1
fi
# wine hides and shows the cursor around every redraw; those sequences say nothing about colours.
esc=$(printf '\033')
sed "s/$esc\[?25[lh]//g" "$work/raw" >"$work/screen"
failed=0
for expected in \
  "${esc}[95m* * * * *" \
  "${esc}[93m     Version 0.1 (12 February 2012)    " \
  "${esc}[97mChoose your language (Pilih bahasamu) :" \
  "${esc}[97mWelcome to Varnelo_v0.1" \
  "${esc}[97mMain Menu :" \
  "${esc}[94m0) Extra feature" \
  "${esc}[m1) Split"; do
  if ! grep -qF -- "$expected" "$work/screen"; then
    echo "not on the console: $expected" | cat -v
    failed=1
  fi
done
[ $failed -eq 0 ] || { echo "what the console showed:"; cat -v "$work/screen"; }
exit $failed
