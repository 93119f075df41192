#!/bin/sh
# tools/wine-run.sh PROGRAM.exe [ARGS] -- runs one Windows program under Wine and passes
# its exit code through. ctest calls it (the emulator of both Windows toolchains) inside
# tools/wine-ctest.sh, which provides the prefix and the display.
#
# A 32-bit program runs only where 32-bit Wine works: without it Wine starts nothing,
# prints nothing and exits 0, so every 32-bit test would pass. It is refused with exit
# status 77 and the reason instead (tools/wine-ctest.sh checks the same once per run and
# passes its finding on in QLX_WINE32_PROBLEM).
: "${WINEPREFIX:?run the Windows tests through tools/wine-ctest.sh}"; export WINEPREFIX
. "$(dirname "$0")/wine-env.sh"
qlx_wine_env
qlx_wine_can_run "$1" wine-run || exit 77
( flock 9                                       # 9>&- : Wine's daemons must not inherit the lock
  [ -f "$WINEPREFIX/system.reg" ] || { wineboot -i </dev/null >/dev/null 2>&1 9>&-; wineserver -w 9>&-; }
  if wineserver -p"${WINE_PERSIST:-15}" </dev/null >/dev/null 2>&1 9>&-; then   # 0: we started it
    wine cmd /c exit </dev/null >/dev/null 2>&1 9>&-
    [ -n "$DISPLAY" ] && wine rundll32.exe user32.dll,GetDesktopWindow </dev/null >/dev/null 2>&1 9>&-
  fi ) 9>"$WINEPREFIX.lock"
exec wine "$@"
