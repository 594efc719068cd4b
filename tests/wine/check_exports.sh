#!/usr/bin/env bash
# The add-in DLL exports exactly its four entry points, as objdump reads the
# export table.
set -euo pipefail
dll=$1
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}
actual=$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
         sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p' | sort | tr '\n' ' ')
expected="DllCanUnloadNow DllGetClassObject ORVRegisterServer ORVUnregisterServer "
if [ "$actual" = "$expected" ]; then
    echo "1 passed, 0 failed"
else
    echo "exports: [$actual], expected [$expected]"
    echo "0 passed, 1 failed"
    exit 1
fi
