# tools/wine-env.sh -- sourced (". tools/wine-env.sh") by every script that runs Windows
# programs under Wine: the environment of each Wine run, the template prefix that test
# runs copy (cached per Wine installation), fresh prefixes made from it, and whether
# this machine can run 32-bit Windows programs at all.
#
#   qlx_wine_env                  WINEDEBUG and WINEDLLOVERRIDES for a test run
#   qlx_wine_template             makes the template when it is missing or stale; sets
#                                 QLX_WINE_TEMPLATE to its folder
#   qlx_wine_fresh_prefix DIR     DIR/pfx becomes a copy of the template: WINEPREFIX, and
#                                 XDG_DATA_HOME (Wine's Recycle Bin) in DIR/xdg
#   qlx_wine_end_prefix DIR       ends that prefix's server and removes DIR
#   qlx_wine_make_prefix DIR      configures a new prefix in DIR (what the template is)
#   qlx_m32_problem               why this kernel cannot run 32-bit programs (nothing,
#                                 and status 0, when it can)
#   qlx_wine32_problem            why 32-bit Windows programs cannot run here (nothing,
#                                 and status 0, when they can)
#   qlx_wine_can_run FILE WHO     refuses a 32-bit program where it cannot run (status
#                                 77, the reason on standard error)

# No Mono or Gecko prompts; no menu entries, icons or desktop files in the host's $HOME
# when shortcuts are saved; no URL or mailto opening reaching the host's browser.
QLX_WINE_OVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d;winebrowser.exe=d'

# WINEDEBUG and WINEDLLOVERRIDES as the caller set them, else the defaults above;
# QLX_DLL_OVERRIDES (e.g. "mapi32=n,b") is added to the default overrides.
qlx_wine_env() {
  WINEDEBUG="${WINEDEBUG:--all}"
  WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-$QLX_WINE_OVERRIDES${QLX_DLL_OVERRIDES:+;$QLX_DLL_OVERRIDES}}"
  export WINEDEBUG WINEDLLOVERRIDES
}

# One line per installed package of Wine, with its version: a prefix belongs to the Wine
# that made it (one made before wine32 was installed cannot start anything afterwards).
qlx_wine_installation() {
  if command -v dpkg-query >/dev/null 2>&1; then
    dpkg-query -W -f='${db:Status-Abbrev} ${Package}:${Architecture} ${Version}\n' \
      wine wine64 wine32:i386 libwine:amd64 libwine:i386 2>/dev/null | sed -n 's/^ii  *//p'
  else
    wine --version 2>/dev/null
    [ -e /usr/lib/wine/wine ] && echo "32-bit loader"
  fi
  return 0
}

# The template's folder: WINE_TEMPLATE when set, else one per Wine installation.
qlx_wine_template_path() {
  if [ -n "${WINE_TEMPLATE:-}" ]; then
    echo "$WINE_TEMPLATE"
  else
    echo "$HOME/.cache/quillnox-wine-template-$(qlx_wine_installation | cksum | cut -d' ' -f1)"
  fi
}

# Configures a new prefix in $1 for the tests: virtual desktop (fast window hide and
# destroy, title bars), no menu or browser helpers, real user folders instead of links
# to $HOME, Wine's fonts (Marlett draws the caption buttons), a fixed C: serial.
qlx_wine_make_prefix() (
  set -e
  WINEPREFIX="$1"; export WINEPREFIX
  WINEDEBUG=-all WINEDLLOVERRIDES="$QLX_WINE_OVERRIDES"; export WINEDEBUG WINEDLLOVERRIDES
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
  cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"   # missing fonts: tools/install-deps.sh
  echo 1234ABCD > "$WINEPREFIX/drive_c/.windows-serial"
)

# The template prefix, made when missing or when it was made by another Wine
# installation (its stamp file records the one that made it). It is built beside its
# place and moved there whole, under a lock, so a run never copies half a template.
qlx_wine_template() {
  QLX_WINE_TEMPLATE=$(qlx_wine_template_path)
  _qlx_stamp=$(qlx_wine_installation)
  if [ ! -f "$QLX_WINE_TEMPLATE/system.reg" ] ||
     [ "$(cat "$QLX_WINE_TEMPLATE/quillnox-wine-installation" 2>/dev/null)" != "$_qlx_stamp" ]; then
    mkdir -p "$(dirname "$QLX_WINE_TEMPLATE")"
    (
      flock 9
      if [ ! -f "$QLX_WINE_TEMPLATE/system.reg" ] ||
         [ "$(cat "$QLX_WINE_TEMPLATE/quillnox-wine-installation" 2>/dev/null)" != "$_qlx_stamp" ]; then
        echo "wine-env: making the Wine template $QLX_WINE_TEMPLATE for:" $_qlx_stamp >&2
        rm -rf "$QLX_WINE_TEMPLATE.new"
        qlx_wine_make_prefix "$QLX_WINE_TEMPLATE.new" 9>&- || exit 1
        printf '%s\n' "$_qlx_stamp" > "$QLX_WINE_TEMPLATE.new/quillnox-wine-installation"
        rm -rf "$QLX_WINE_TEMPLATE"
        mv "$QLX_WINE_TEMPLATE.new" "$QLX_WINE_TEMPLATE"
      fi
    ) 9>"$QLX_WINE_TEMPLATE.lock" || { echo "wine-env: the Wine template could not be made" >&2; return 1; }
  fi
  export QLX_WINE_TEMPLATE
}

# A fresh prefix for one run in "$1/pfx" (a copy of the template, never hard links: the
# server rewrites the registry files in place), with its own Recycle Bin: Wine keeps it
# in the host's trash below XDG_DATA_HOME and deletes outright when it cannot make it.
qlx_wine_fresh_prefix() {
  qlx_wine_template || return 1
  cp -a "$QLX_WINE_TEMPLATE" "$1/pfx" || return 1
  WINEPREFIX="$1/pfx" XDG_DATA_HOME="$1/xdg"
  export WINEPREFIX XDG_DATA_HOME
  mkdir -p "$XDG_DATA_HOME"
  qlx_wine_env
}

qlx_wine_end_prefix() {
  WINEPREFIX="$1/pfx" wineserver -k 2>/dev/null
  WINEPREFIX="$1/pfx" wineserver -w
  rm -rf "$1"
}

# Why this kernel cannot run 32-bit programs, as one line, and status 1; nothing and
# status 0 when it can. A tiny static -m32 program shows it (the Wine version does not).
# QLX_M32_CC replaces the compiler (for the test of this check).
qlx_m32_problem() {
  _qlx_dir=$(mktemp -d "${TMPDIR:-/tmp}/qlx-m32.XXXXXX") || return 1
  printf 'int main(void) { return 42; }\n' > "$_qlx_dir/probe.c"
  _qlx_rc=0
  if ! ${QLX_M32_CC:-gcc} -m32 -static -o "$_qlx_dir/probe" "$_qlx_dir/probe.c" >"$_qlx_dir/cc.log" 2>&1; then
    echo "no 32-bit program can be built here to try the kernel (gcc -m32 -static failed: g++-multilib is missing)"
    _qlx_rc=1
  else
    _qlx_run=0
    "$_qlx_dir/probe" >/dev/null 2>"$_qlx_dir/run.log" || _qlx_run=$?
    if [ "$_qlx_run" != 42 ]; then
      _qlx_why=$(sed -n '$s/.*: //p' "$_qlx_dir/run.log")
      echo "this kernel cannot run 32-bit programs (a static gcc -m32 program gives \"${_qlx_why:-exit status $_qlx_run}\")"
      _qlx_rc=1
    fi
  fi
  rm -rf "$_qlx_dir"
  return $_qlx_rc
}

# Why 32-bit Windows programs cannot run on this machine, as one line, and status 1;
# nothing and status 0 when they can: the kernel must run 32-bit programs and the 32-bit
# loader of wine32:i386 must start. QLX_WINE32_LOADER replaces the loader (for the test
# of this check).
qlx_wine32_problem() {
  qlx_m32_problem || return 1
  _qlx_loader=${QLX_WINE32_LOADER:-/usr/lib/wine/wine}
  if [ ! -x "$_qlx_loader" ]; then
    echo "32-bit Wine is not installed ($_qlx_loader is missing; tools/install-deps.sh installs wine32:i386)"
    return 1
  fi
  if ! "$_qlx_loader" --version >/dev/null 2>&1; then
    echo "32-bit Wine does not start ($_qlx_loader --version fails)"
    return 1
  fi
  return 0
}

# Status 0 when Wine can run the program FILE here; for a 32-bit program where 32-bit
# Wine cannot run, the reason on standard error (WHO: the script saying it) and status
# 77. Without 32-bit Wine, Wine starts nothing, prints nothing and exits 0: a test would
# pass, a screenshot would show an empty screen. QLX_WINE32_PROBLEM, when set, is the
# finding of an earlier check (tools/wine-ctest.sh makes it once per run).
qlx_wine_can_run() {
  case "$(file -b "$1" 2>/dev/null)" in
    "PE32 "*)
      _qlx_problem=${QLX_WINE32_PROBLEM-$(qlx_wine32_problem)}
      if [ -n "$_qlx_problem" ]; then
        echo "$2: $1 is a 32-bit program and cannot run here: $_qlx_problem" >&2
        return 77
      fi ;;
  esac
  return 0
}
