# Runs inside the demo's Wine session: starts the 64-bit sample editor, reads
# the run at its caret from another process with the shipped 32-bit client,
# which reaches the editor through the bridge, replaces it with the evaluated
# result, then reads it back with the 64-bit client through its own hook;
# screenshots before and after.
set -euo pipefail
bin32="$kst_root/build/win32/bin"
bin64="$kst_root/build/win64/bin"
out="$kst_root/build/demo"
mkdir -p "$out"
wine=/usr/lib/wine/wine64

exec 3< <("$wine" "$bin64/kstsample.exe" 2>/dev/null)
read -r -t 60 ready top edit <&3 || { echo "the sample editor did not start"; exit 1; }
sleep 1

client32() { "$wine" "$bin32/kstclient.exe" "$@" 2>&1 | tr -d '\r'; }
client64() { "$wine" "$bin64/kstclient.exe" "$@" 2>&1 | tr -d '\r'; }
json_field() { sed -n -e "s/.*\"$1\": *\"\\([^\"]*\\)\".*/\\1/p;t" -e "s/.*\"$1\": *\\([^,}]*\\).*/\\1/p"; }
json_point() { sed -n 's/.*"point": {"x": \([-0-9]*\), "y": \([-0-9]*\)}.*/(\1, \2)/p'; }
describe() {
  printf '"%s" from plugin %s at %s, route: %s' "$(printf '%s' "$1" | json_field text)" \
    "$(printf '%s' "$1" | json_field plugin)" "$(printf '%s' "$1" | json_point)" \
    "$(printf '%s' "$1" | json_field route)"
}

echo "Plugins as a client sees them:"
client32 plugins
echo
echo "Sample editor (64-bit): top window $top, edit control $edit; focus window: $(client32 focus)"

import -window root "$out/before.png"
before=$(client32 get --json)
text=$(printf '%s' "$before" | json_field text)
echo "32-bit client reads:   $(describe "$before")"

# Only plain arithmetic is evaluated.
if ! [[ "$text" =~ ^[0-9+*/()\ -]+$ ]]; then
  echo "the text at the caret is no arithmetic expression"; exit 1
fi
result=$(( text ))
echo "32-bit client writes:  $(client32 set "$result")"

after=$(client64 get --json)
echo "64-bit client reads:   $(describe "$after")"
sleep 0.5
import -window root "$out/after.png"
echo
echo "screenshot before: $out/before.png"
echo "screenshot after:  $out/after.png"
