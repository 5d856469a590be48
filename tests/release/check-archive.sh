#!/usr/bin/env bash
# Usage: check-archive.sh ARCHIVE EXPECTED_LIST
# Passes when the archive holds exactly the files of EXPECTED_LIST (one path
# a line), and its SHA256SUMS covers every other file with the right hash.
set -euo pipefail
archive=$1 expected=$2
[ -f "$archive" ] || { echo "missing: $archive (made by cmake/release.sh)"; exit 1; }
actual=$(cmake -E tar tf "$archive" | grep -v '/$' | sort)
if ! diff -u <(sort "$expected") <(echo "$actual") >/dev/null; then
  echo "files of $archive differ from the expected list (- missing, + stray):"
  diff -u <(sort "$expected") <(echo "$actual") | sed -n '/^[-+][^-+]/p'
  exit 1
fi
echo "$archive holds exactly the $(echo "$actual" | wc -l) expected files"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && cmake -E tar xf "$archive")
top=$(head -n 1 "$expected"); top=${top%%/*}
cd "$work/$top"
summed=$(sed 's/^[0-9a-f]\{64\}  //' SHA256SUMS | sort)
others=$(find . -type f ! -name SHA256SUMS | sed 's|^\./||' | sort)
if [ "$summed" != "$others" ]; then
  echo "SHA256SUMS does not list exactly the other files:"
  diff -u <(echo "$others") <(echo "$summed") | sed -n '/^[-+][^-+]/p'
  exit 1
fi
sha256sum --quiet -c SHA256SUMS
echo "SHA256SUMS matches all $(echo "$summed" | wc -l) other files"
