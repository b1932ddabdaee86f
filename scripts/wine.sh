#!/bin/sh
# Runs a command with wine set up for the Windows build: a prefix of its own inside the build folder,
# made on first use, no display, no debug chatter, and no offer to download Mono or Gecko, which no test
# needs. Windows are made by wine's null graphics driver: they exist, take messages and paint into
# memory, but nothing is drawn on any screen (the window's tests drive them through their messages).
#   scripts/wine.sh BUILD-FOLDER COMMAND [ARGUMENTS...]
set -eu
build=$(cd "$1" && pwd)
shift
WINEPREFIX="$build/wine"
WINEARCH=win64
WINEDEBUG=-all
WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe="
export WINEPREFIX WINEARCH WINEDEBUG WINEDLLOVERRIDES
unset DISPLAY WAYLAND_DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine: preparing the prefix $WINEPREFIX"
    wineboot --init >/dev/null 2>&1
    wineserver --wait
fi
if ! grep -q '^"Graphics"="null"' "$WINEPREFIX/user.reg" 2>/dev/null; then
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    wineserver --wait
fi
exec "$@"
