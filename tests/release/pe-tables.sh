# Readers of PE tables through mingw's objdump, shared by the release checks.
# pe_exports OBJDUMP FILE: the names FILE exports, sorted.
pe_exports() {
  "$1" -p "$2" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p' | sort
}

# pe_imports OBJDUMP FILE DLL: the names FILE imports from DLL, sorted.
pe_imports() {
  "$1" -p "$2" | awk -v dll="$3" '
    /^[[:space:]]*DLL Name: / { name = $3; next }
    /^[[:space:]]*$/ { name = "" }
    tolower(name) == tolower(dll) && $1 ~ /^[0-9a-f]+$/ && NF >= 3 { print $3 }' | sort
}

# pe_format OBJDUMP FILE: "pei-i386" or "pei-x86-64".
pe_format() {
  "$1" -f "$2" | sed -n 's/.*file format //p'
}

# same_lines WHAT EXPECTED ACTUAL: passes when both lists are equal, else
# says which lines are missing (-) or too many (+).
same_lines() {
  if [ "$2" != "$3" ]; then
    echo "$1 differ (- missing, + unexpected):"
    diff -u <(echo "$2") <(echo "$3") | sed -n '/^[-+][^-+]/p'
    return 1
  fi
}
