#!/usr/bin/env bash
# Both builds' run-time libraries export exactly the names a caller looks up,
# undecorated, each build's binaries are of its own machine type, and the
# console program imports no window library.
# Arguments: the top of the build folders (holding win32/ and win64/).
set -uo pipefail
top=$1
expected_KP6600HidDriver="KP6600Close KP6600InitFlash KP6600Open KP6600Program KP6600SetFlashInfo"
expected_TuneMill="ConvertMP3ToAPMWithResample ConvertMP3ToMDMWithResample ConvertWAVToAPMWithResample ConvertWAVToMDMWithResample"
expected_PicMill="ConvertImageResourceToRBF"
failed=0
for flavour in win32 win64; do
  case $flavour in
    win32) objdump=i686-w64-mingw32-objdump; format=pei-i386 ;;
    win64) objdump=x86_64-w64-mingw32-objdump; format=pei-x86-64 ;;
  esac
  bin="$top/$flavour/bin"
  if [ ! -f "$bin/Tessaline.exe" ]; then
    echo "FAIL $flavour: not built (scripts/test.sh builds both flavours)"; failed=1; continue
  fi
  for file in Tessaline.exe tessa.exe KP6600HidDriver.dll TuneMill.dll PicMill.dll; do
    if ! "$objdump" -f "$bin/$file" | grep -q "file format $format"; then
      echo "FAIL $flavour/$file: not $format"; failed=1
    fi
  done
  windowing=$("$objdump" -p "$bin/tessa.exe" | awk '/DLL Name:/ { print tolower($3) }' \
              | grep -E '^(user32|gdi32|comctl32|comdlg32|gdiplus)\.dll$' | tr '\n' ' ')
  if [ -n "$windowing" ]; then
    echo "FAIL $flavour/tessa.exe imports $windowing"; failed=1
  fi
  for lib in KP6600HidDriver TuneMill PicMill; do
    want_var="expected_$lib"
    got=$("$objdump" -p "$bin/$lib.dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' \
          | awk '/^\t\[/ { print $3 }' | sort | tr '\n' ' ' | sed 's/ $//')
    if [ "$got" = "${!want_var}" ]; then
      echo "ok   $flavour/$lib.dll: $got"
    else
      echo "FAIL $flavour/$lib.dll exports '$got', expected '${!want_var}'"; failed=1
    fi
  done
done
exit $failed
