#!/bin/sh
# Runs a Windows test program under wine64 (the emulator ctest uses). The
# environment (WINEPREFIX, DISPLAY, WINEDEBUG) comes from cmake/kst-env.sh.
exec /usr/lib/wine/wine64 "$@"
