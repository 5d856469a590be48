#!/bin/sh
# Usage: check-bridge.sh OBJDUMP FORMAT BRIDGE_EXE SELVOR32_DLL
# Passes when both files are of FORMAT (pei-i386, pei-x86-64), the bridge
# imports only KERNEL32, USER32 and msvcrt and exports nothing, and the DLL
# exports the hook procedure at ordinal 10 without a name.
set -eu
objdump=$1 format=$2 exe=$3 dll=$4
for file in "$exe" "$dll"; do
  [ -f "$file" ] || { echo "missing: $file"; exit 1; }
  "$objdump" -f "$file" | grep -q "file format $format\$" || { echo "$file is not $format"; exit 1; }
done

imports=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort | tr '\n' ' ')
[ "$imports" = "kernel32.dll msvcrt.dll user32.dll " ] || { echo "$exe imports: $imports"; exit 1; }
if "$objdump" -p "$exe" | grep -q 'There is an export table'; then
  echo "$exe has an export table"; exit 1
fi

table=$("$objdump" -p "$dll")
rva=$(echo "$table" | sed -n 's/^[[:space:]]*\[ *[0-9]*\] +base\[ *10\] \([0-9a-f]*\) Export RVA$/\1/p')
[ -n "$rva" ] && [ "$((0x$rva))" -ne 0 ] || { echo "$dll exports nothing at ordinal 10"; exit 1; }
# The name table lists each name by its ordinal less the base (1): no name for 10.
if echo "$table" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | grep -q '^[[:space:]]*\[ *9\] '; then
  echo "$dll names its ordinal 10"; exit 1
fi
# Where the symbols are still there, ordinal 10 must be the hook procedure.
nm=$(echo "$objdump" | sed 's/objdump$/nm/')
base=$(echo "$table" | sed -n 's/^ImageBase[[:space:]]*\([0-9a-f]*\)$/\1/p')
symbol=$("$nm" "$dll" 2>/dev/null | sed -n 's/^\([0-9a-f]*\) T _\{0,1\}kst_hook_proc\(@12\)\{0,1\}$/\1/p' | head -1)
if [ -n "$symbol" ] && [ "$((0x$symbol - 0x$base))" -ne "$((0x$rva))" ]; then
  echo "$dll: ordinal 10 at $rva is not kst_hook_proc ($symbol)"; exit 1
fi
echo "$exe ($format) imports $imports; $dll exports the hook procedure at ordinal 10, unnamed"
