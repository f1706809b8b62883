#!/usr/bin/env bash
# The executable under test ($WRENPOST_EXE, or the first argument) stands
# alone: it imports only system DLLs (no MinGW, C++ or threads runtime),
# carries its asInvoker manifest and is a GUI program.
set -euo pipefail
exe=${1:-${WRENPOST_EXE:?WRENPOST_EXE is not set: run tools/test_windows.sh}}
objdump=${WRENPOST_OBJDUMP:-x86_64-w64-mingw32-objdump}
system_dlls='^(ADVAPI32|KERNEL32|msvcrt|ole32|OLEAUT32|USER32|VERSION)\.dll$'
headers=$("$objdump" -p "$exe")
status=0
foreign=$(sed -n 's/^\tDLL Name: //p' <<<"$headers" | grep -Eiv "$system_dlls" || true)
if [ -n "$foreign" ]; then echo "$exe imports $(tr '\n' ' ' <<<"$foreign")" >&2; status=1; fi
if ! grep -q 'requestedExecutionLevel level="asInvoker"' "$exe"; then
  echo "$exe has no asInvoker manifest" >&2; status=1
fi
if ! grep -q 'Subsystem.*Windows GUI' <<<"$headers"; then
  echo "$exe is not a GUI program" >&2; status=1
fi
[ $status -eq 0 ] && echo "$exe: imports $(sed -n 's/^\tDLL Name: //p' <<<"$headers" | tr '\n' ' ')"
exit $status
