#!/bin/sh
# tools/wine-prefix.sh DIR -- makes a configured Wine prefix to copy for test runs:
# virtual desktop (fast window hide/destroy, title bars), no menu or browser helpers,
# real user folders instead of links to $HOME, Wine's fonts, a fixed C: serial.
set -e
export WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winebrowser.exe=d"
mkdir -p "$WINEPREFIX"
wineboot -i </dev/null >/dev/null 2>&1
r() { wine reg add "$@" /f </dev/null >/dev/null 2>&1; }
r 'HKCU\Software\Wine\Explorer' /v Desktop /d Default
r 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768
r 'HKCU\Software\Wine\DllOverrides' /v winemenubuilder.exe /d ''
r 'HKCU\Software\Wine\DllOverrides' /v winebrowser.exe /d ''
wineserver -w
U="$WINEPREFIX/drive_c/users/$(id -un)"
for d in Desktop Documents Downloads Music Pictures Videos Templates; do
  if [ -L "$U/$d" ]; then rm "$U/$d"; mkdir "$U/$d"; fi
done
cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"   # missing fonts: fails here (tools/install-deps.sh)
echo 1234ABCD > "$WINEPREFIX/drive_c/.windows-serial"
