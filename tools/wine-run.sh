#!/bin/sh
# tools/wine-run.sh PROGRAM.exe [ARGS] -- runs one 64-bit Windows program under Wine and
# passes its exit code through. ctest calls it (the win64 toolchain's emulator) inside
# tools/wine-ctest.sh, which provides the prefix and the display.
: "${WINEPREFIX:?run the Windows tests through tools/wine-ctest.sh}"; export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d;winebrowser.exe=d}"
case "$(file -b "$1" 2>/dev/null)" in          # without wine32 a 32-bit program "passes" silently
  "PE32 "*) [ -x /usr/lib/wine/wine ] || { echo "wine-run: $1 is 32-bit and there is no wine32" >&2; exit 77; } ;;
esac
( flock 9                                       # 9>&- : Wine's daemons must not inherit the lock
  [ -f "$WINEPREFIX/system.reg" ] || { wineboot -i </dev/null >/dev/null 2>&1 9>&-; wineserver -w 9>&-; }
  if wineserver -p"${WINE_PERSIST:-15}" </dev/null >/dev/null 2>&1 9>&-; then   # 0: we started it
    wine cmd /c exit </dev/null >/dev/null 2>&1 9>&-
    [ -n "$DISPLAY" ] && wine rundll32.exe user32.dll,GetDesktopWindow </dev/null >/dev/null 2>&1 9>&-
  fi ) 9>"$WINEPREFIX.lock"
exec wine "$@"
