#!/bin/sh
# Usage: check-exports.sh OBJDUMP DLL NAME...
# Passes when DLL exports exactly the given names, undecorated.
set -eu
objdump=$1 dll=$2
shift 2
[ -f "$dll" ] || { echo "missing: $dll"; exit 1; }
actual=$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p' | sort)
expected=$(printf '%s\n' "$@" | sort)
if [ "$actual" != "$expected" ]; then
  echo "exports of $dll differ:"
  echo "expected:"; echo "$expected"
  echo "actual:"; echo "$actual"
  exit 1
fi
echo "$dll exports exactly: $(echo $expected)"
