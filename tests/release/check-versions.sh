#!/usr/bin/env bash
# Usage: check-versions.sh ARCHIVE FIXTURE VERSION
# Every DLL and EXE of the archive carries a version resource stamped with
# VERSION (read under wine64 by FIXTURE's versioninfo role, for the i686
# files too), and the x64 tools print it for --version.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/pe-tables.sh"
archive=$1 fixture=$2 version=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && cmake -E tar xf "$archive")
pkg=$(echo "$work"/*/)
pkg=${pkg%/}
failed=0
# The four numbers of the fixed version: the version, padded with zeros.
fixed=$(echo "$version.0.0.0" | cut -d. -f1-4)

mapfile -t files < <(cd "$pkg" && find . -type f \( -name '*.dll' -o -name '*.exe' \) | sed 's|^\./||' | sort)
[ ${#files[@]} -gt 0 ] || { echo "no DLL or EXE in $archive"; exit 1; }
for file in "${files[@]}"; do
  name=${file##*/}
  case $name in *.exe) type=app ;; *) type=dll ;; esac
  line=$(/usr/lib/wine/wine64 "$fixture" versioninfo "Z:$pkg/$file" | tr -d '\r') || true
  line=${line#*: }
  described=${line##*|FileDescription=}
  expected="file=$fixed product=$fixed type=$type|FileVersion=$version|ProductVersion=$version"
  expected+="|ProductName=selvor32|OriginalFilename=$name|FileDescription=$described"
  if [ "$line" != "$expected" ] || [ -z "$described" ] || [ "$described" = "(none)" ]; then
    echo "$file: version resource differs:"
    echo "  expected: ${expected%|FileDescription=*}|FileDescription=<a description>"
    echo "  actual:   $line"
    failed=1
  else
    echo "$file: $version, \"$described\""
  fi
done

for tool in kstclient marbeckctl; do
  said=$(/usr/lib/wine/wine64 "$pkg/x64/bin/$tool.exe" --version | tr -d '\r') || true
  same_lines "$tool --version" "$tool $version" "$said" || failed=1
done
exit $failed
