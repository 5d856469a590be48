#!/usr/bin/env bash
# Usage: check-msvc-libs.sh ARCHIVE
# The Visual C++ import libraries (NAME.lib) of both bitnesses: each carries,
# for every export of its DLL, the symbols a Visual C++ client references
# (_name@N and __imp__name@N for x86, name and __imp_name for x64), and
# imports the export by its undecorated name. A client compiled in Visual
# C++ mode from the public headers links against them with lld-link, and
# its import table must name every export of both DLLs.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/pe-tables.sh"
archive=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && cmake -E tar xf "$archive")
pkg=$(echo "$work"/*/)
failed=0

# The names of a .def (the lines after EXPORTS, comments left out),
# decorated for x86; with "named", only those the DLL exports by name (not
# NONAME).
def_names() {
  sed -n '/^EXPORTS/,$p' "$1" | sed '1d' |
    awk -v only="${2:-}" 'NF && $1 !~ /^;/ && !(only == "named" && / NONAME/) { print $1 }' | sort
}

for entry in x86:i686:x86:undecorate x64:x86_64:x64:name; do
  IFS=: read -r arch triplet machine name_type <<<"$entry"
  objdump=$triplet-w64-mingw32-objdump
  libs=()
  for lib in "$pkg/$arch"/lib/*.lib; do
    name=$(basename "$lib" .lib)
    libs+=("$lib")
    exports=$(pe_exports "$objdump" "$pkg/$arch/bin/$name.dll")
    names=$(def_names "$pkg/$arch/lib/$name.def")
    same_lines "$arch $name.def names without @N and $name.dll exports" "$exports" \
      "$(def_names "$pkg/$arch/lib/$name.def" named | sed 's/@[0-9]*$//' | sort)" || failed=1
    if [ "$arch" = x86 ]; then
      grep -qv '@[0-9]\+$' <<<"$names" && { echo "$arch $name.def: a name without @N"; failed=1; }
      expected=$(sed 's/^/_/; p; s/^/__imp_/' <<<"$names" | sort)
    else
      expected=$(sed 'p; s/^/__imp_/' <<<"$names" | sort)
    fi
    symbols=$(llvm-nm "$lib" | awk '$2 == "T" { print $3 }' | sort)
    same_lines "$arch $name.lib symbols" "$expected" "$symbols" || failed=1
    # Imports by ordinal for the exports that have no name.
    expected_types=$name_type
    grep -q ' NONAME' "$pkg/$arch/lib/$name.def" && expected_types=$(printf '%s\nordinal' "$name_type" | sort)
    types=$(llvm-readobj "$lib" | sed -n 's/^Name type: //p' | sort -u)
    same_lines "$arch $name.lib import name types" "$expected_types" "$types" || failed=1
  done

  clang --target="$triplet-pc-windows-msvc" -nostdinc -I"$here/msvc" -I"$pkg/include" \
    -c "$here/msvc/every_export.c" -o "$work/client-$arch.obj"
  if ! lld-link /nologo /machine:"$machine" /entry:entry /subsystem:console /nodefaultlib \
      /out:"$work/client-$arch.exe" "$work/client-$arch.obj" "${libs[@]}"; then
    echo "$arch: a Visual C++ client does not link against ${libs[*]##*/}"
    failed=1
    continue
  fi
  for lib in "${libs[@]}"; do
    name=$(basename "$lib" .lib)
    same_lines "$arch client's imports from $name.dll" \
      "$(pe_exports "$objdump" "$pkg/$arch/bin/$name.dll")" \
      "$(pe_imports "$objdump" "$work/client-$arch.exe" "$name.dll")" || failed=1
  done
  [ $failed -eq 0 ] && echo "$arch: $(basename -a "${libs[@]}" | tr '\n' ' ')resolve every export as Visual C++ names it"
done
exit $failed
