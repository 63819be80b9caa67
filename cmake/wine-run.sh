#!/bin/sh
# Runs a Windows test program under Wine with a private prefix, quietly.
: "${WINEPREFIX:=${TMPDIR:-/tmp}/tarvo-wine-prefix}"
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
exec /usr/lib/wine/wine64 "$@"
