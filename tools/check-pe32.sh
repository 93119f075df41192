#!/bin/sh
# tools/check-pe32.sh BUILD_DIR -- every program of a win32 build, the test programs and
# their doubles (the recording MAPI32.DLL, the Notes automation server, the stand-ins)
# included, is a 32-bit (i386) PE that imports no DLL beyond the system's, and every
# library exports its names undecorated, as Windows looks them up (a stdcall "Name@8"
# would not be found by GetProcAddress, COM or regsvr32); notes.dll exports NotesSendMail
# alone, as a function with the C calling convention.
# The one 64-bit library that the 32-bit setup carries for 64-bit Windows
# (shellext64/quillext.dll) must be an x86-64 PE with the same system-only imports.
# The self-extractor, which runs from download folders and travels in every package,
# imports only from the system's core libraries and stays within 200 KiB. Setup and the
# uninstaller run as administrator from folders others may write to (downloads, the
# temporary folder): they import only libraries the system keeps as known libraries,
# never looked for beside the program (the common controls they load themselves from
# the system folder). The sizes of the shipped programs are printed.
set -e
found=0
for exe in $(find "$1" \( -iname '*.exe' -o -iname '*.dll' \) -not -path '*/CMakeFiles/*' -not -path '*/googletest/*'); do
  found=1
  case "$exe" in
    */shellext64/quillext.dll) want='^PE32+ .*x86-64' objdump=x86_64-w64-mingw32-objdump ;;
    *) want='^PE32 .*Intel 80386' objdump=i686-w64-mingw32-objdump ;;
  esac
  file -b "$exe" | grep -q "$want" || { echo "check-pe32: $exe is not a 32-bit program: $(file -b "$exe")" >&2; exit 1; }
  extra=$("$objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p' |
          grep -viE '^(kernel32|user32|gdi32|advapi32|shell32|shlwapi|comctl32|comdlg32|ole32|oleaut32|uxtheme|version|msvcrt|ws2_32|uuid)\.dll$' || true)
  [ -z "$extra" ] || { echo "check-pe32: $exe needs non-system DLLs: $extra" >&2; exit 1; }
  case "$exe" in
    *.dll|*.DLL)
      decorated=$("$objdump" -p "$exe" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
                  sed -n 's/^\s*\[ *[0-9]*\] //p' | grep '@' || true)
      [ -z "$decorated" ] || { echo "check-pe32: $exe exports decorated names:" $decorated >&2; exit 1; } ;;
  esac
  if [ "$(basename "$exe")" = extractor.exe ]; then
    extra=$(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' |
            grep -viE '^(kernel32|user32|gdi32|shell32|shlwapi|comctl32|comdlg32|ole32|msvcrt)\.dll$' || true)
    [ -z "$extra" ] || { echo "check-pe32: the extractor imports more than it needs: $extra" >&2; exit 1; }
    size=$(stat -c %s "$exe")
    [ "$size" -le 204800 ] || { echo "check-pe32: the extractor is $size bytes, more than 200 KiB" >&2; exit 1; }
  fi
  case "$(basename "$exe")" in
    setup.exe|remover.exe|setup_payloads.exe)
      extra=$(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' |
              grep -viE '^(kernel32|user32|gdi32|advapi32|shell32|ole32|msvcrt)\.dll$' || true)
      [ -z "$extra" ] || { echo "check-pe32: $exe runs as administrator and imports what is not a known library: $extra" >&2; exit 1; } ;;
  esac
  if [ "$(basename "$exe")" = notes.dll ]; then   # the one export, under its plain C name
    exports=$(i686-w64-mingw32-objdump -p "$exe" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
              sed -n 's/^\s*\[ *[0-9]*\] //p')
    [ "$exports" = NotesSendMail ] || { echo "check-pe32: $exe exports \"$exports\", not NotesSendMail" >&2; exit 1; }
    # ... and it is a function with the C calling convention: the caller removes the
    # arguments, so its returns are a plain "ret", never "ret $n" (a stdcall function
    # exported under the .def name would pass the name test above). The programs are
    # stripped, so the body is read from the export's own address up to its first return.
    dump=$(i686-w64-mingw32-objdump -p "$exe")
    base=$(echo "$dump" | sed -n 's/^ImageBase\s*//p')
    rva=$(echo "$dump" | sed -n 's/^\s*\[ *0\] +base\[ *1\] *\([0-9a-f]*\) Export RVA$/\1/p')
    [ -n "$base" ] && [ -n "$rva" ] ||
      { echo "check-pe32: $exe: the address of NotesSendMail is not readable" >&2; exit 1; }
    start=$((0x$base + 0x$rva))
    ret=$(i686-w64-mingw32-objdump -d --start-address=$start --stop-address=$((start + 65536)) "$exe" |
          grep -m1 -E '\sret[lw]?( |$)' || true)
    [ -n "$ret" ] || { echo "check-pe32: $exe: no return found in NotesSendMail" >&2; exit 1; }
    echo "$ret" | grep -q 'ret[lw]\? *\$' &&
      { echo "check-pe32: $exe: NotesSendMail removes its own arguments (not the C calling convention)" >&2; exit 1; }
  fi
done
[ "$found" = 1 ] || { echo "check-pe32: no programs in $1" >&2; exit 1; }
for shipped in app/Quillnox.exe shellext64/quillext.dll extractor/extractor.exe notes/notes.dll shellext/quillext.dll setup/setup.exe remover/remover.exe; do
  [ -f "$1/$shipped" ] && echo "check-pe32: $(stat -c %s "$1/$shipped") bytes  $shipped"
done
echo "check-pe32: all programs in $1 are 32-bit (but the carried 64-bit shell extension) and need only system DLLs"
