#!/bin/sh
# Runs a Windows program under wine for CTest. Wine is looked for here, when the tests run, so
# a build folder configured before wine was installed still runs its tests once it is.
# Usage: wine-run.sh PROGRAM.exe [ARGUMENTS...]
wine=$(command -v wine || command -v wine64) || {
  echo "wine is missing: scripts/setup-deps wine wine64" >&2
  exit 127
}
prefix=${WINEPREFIX:-$HOME/.wine}
mkdir -p "$prefix"
# The first program starts a wine server and the prefix's services, which would hold CTest's
# output pipe open until they end; so they are started here, away from it, and stay for five
# minutes after the last program. Setting up a new prefix prints harmless messages (the 32-bit
# rundll32.exe that a 64-bit wine lacks, among others): they go to a log beside the prefix.
exec 9>"$prefix.lock"
flock 9
if wineserver -p300 </dev/null >/dev/null 2>&1 9>&-; then
  "$wine" cmd /c exit </dev/null >"$prefix.log" 2>&1 9>&-
fi
exec 9>&-
exec "$wine" "$@"
