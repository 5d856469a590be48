#!/usr/bin/env bash
# Runs inside the demo's Wine session: starts the sample editor, reads the run
# at its caret from another process through selvor32, replaces it with the
# evaluated result and reads again, with screenshots before and after.
set -euo pipefail
bin="$kst_root/build/win64/bin"
out="$kst_root/build/demo"
mkdir -p "$out"
wine=/usr/lib/wine/wine64

exec 3< <("$wine" "$bin/kstsample.exe" 2>/dev/null)
read -r -t 60 ready top edit <&3 || { echo "the sample editor did not start"; exit 1; }
sleep 1

client() { "$wine" "$bin/kstclient.exe" "$@" 2>&1 | tr -d '\r'; }
json_field() { sed -n "s/.*\"$1\": *\"\\{0,1\\}\\([^\",}]*\\).*/\\1/p"; }
json_point() { sed -n 's/.*"point": {"x": \([-0-9]*\), "y": \([-0-9]*\)}.*/(\1, \2)/p'; }

echo "Plugins as a client sees them:"
client plugins
echo
echo "Sample editor: top window $top, edit control $edit; focus window: $(client focus)"

import -window root "$out/before.png"
before=$(client get --json)
text=$(printf '%s' "$before" | json_field text)
echo "before: \"$text\" from plugin $(printf '%s' "$before" | json_field plugin) at $(printf '%s' "$before" | json_point)"

# Only plain arithmetic is evaluated.
if ! [[ "$text" =~ ^[0-9+*/()\ -]+$ ]]; then
  echo "the text at the caret is no arithmetic expression"; exit 1
fi
result=$(( text ))
client set "$result"

after=$(client get --json)
echo "after:  \"$(printf '%s' "$after" | json_field text)\" from plugin $(printf '%s' "$after" | json_field plugin) at $(printf '%s' "$after" | json_point)"
sleep 0.5
import -window root "$out/after.png"
echo
echo "screenshot before: $out/before.png"
echo "screenshot after:  $out/after.png"
