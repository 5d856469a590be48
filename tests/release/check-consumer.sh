#!/usr/bin/env bash
# Usage: check-consumer.sh ARCHIVE SOURCE_DIR
# A client developer's first hour with the release: unpack it into a fresh
# folder, build the C client of consumer/ for i686 and x86_64 with the mingw
# toolchain files and nothing of this tree but find_package(selvor32 CONFIG),
# run the x86_64 client under wine64, and read the i686 client's imports.
# Before that, the package's choice of files for each bitness and toolchain.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/pe-tables.sh"
archive=$1 source_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && cmake -E tar xf "$archive")
pkg=$(echo "$work"/*/)
pkg=${pkg%/}
cp -r "$here/consumer" "$work/src"
failed=0

# What the package hands a build of each pointer size and toolchain, taken
# without a compiler: a probe project says it as a Visual C++ or a MinGW
# build would (MSVC is what CMake sets for cl and clang-cl).
mkdir "$work/probe"
cat >"$work/probe/CMakeLists.txt" <<'PROBE'
cmake_minimum_required(VERSION 3.21)
project(probe NONE)
set(CMAKE_SIZEOF_VOID_P ${PROBE_POINTER_SIZE})
set(MSVC ${PROBE_MSVC})
find_package(selvor32 CONFIG REQUIRED)
foreach(name selvor32 marbeck)
  get_target_property(dll selvor32::${name} IMPORTED_LOCATION)
  get_target_property(implib selvor32::${name} IMPORTED_IMPLIB)
  get_target_property(include selvor32::${name} INTERFACE_INCLUDE_DIRECTORIES)
  message(STATUS "probe: ${dll} ${implib} ${include}")
endforeach()
PROBE
while read -r size msvc expected; do
  got=$(cmake -S "$work/probe" -B "$work/probe-$size-$msvc" -DCMAKE_PREFIX_PATH="$pkg" \
          -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/toolchain-x86_64-w64-mingw32.cmake" \
          -DPROBE_POINTER_SIZE="$size" -DPROBE_MSVC="$msvc" |
        sed -n "s|^-- probe: ||p" | sed "s|$pkg/||g" | tr '\n' ' ')
  expected=${expected//,/ }
  same_lines "package files for pointer size $size, MSVC=$msvc" "$expected" "${got% }" || failed=1
done <<'TABLE'
4 0 x86/bin/selvor32.dll,x86/lib/libselvor32.dll.a,include,x86/bin/marbeck.dll,x86/lib/libmarbeck.dll.a,include
4 1 x86/bin/selvor32.dll,x86/lib/selvor32.lib,include,x86/bin/marbeck.dll,x86/lib/marbeck.lib,include
8 0 x64/bin/selvor32.dll,x64/lib/libselvor32.dll.a,include,x64/bin/marbeck.dll,x64/lib/libmarbeck.dll.a,include
8 1 x64/bin/selvor32.dll,x64/lib/selvor32.lib,include,x64/bin/marbeck.dll,x64/lib/marbeck.lib,include
TABLE
# Without a compiler's pointer size the package refuses, and says why.
if cmake -S "$work/probe" -B "$work/probe-none" -DCMAKE_PREFIX_PATH="$pkg" -DPROBE_POINTER_SIZE= \
     -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/toolchain-x86_64-w64-mingw32.cmake" \
     >"$work/probe-none.log" 2>&1 || ! grep -q "CMAKE_SIZEOF_VOID_P" "$work/probe-none.log"; then
  echo "the package does not refuse a build without a pointer size:"; cat "$work/probe-none.log"
  failed=1
fi

for entry in i686:x86:pei-i386 x86_64:x64:pei-x86-64; do
  IFS=: read -r triplet arch format <<<"$entry"
  build=$work/build-$triplet
  cmake -S "$work/src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/toolchain-$triplet-w64-mingw32.cmake" \
    -DCMAKE_PREFIX_PATH="$pkg" >"$work/configure-$triplet.log" ||
    { cat "$work/configure-$triplet.log"; exit 1; }
  cmake --build "$build" >"$work/build-$triplet.log" || { cat "$work/build-$triplet.log"; exit 1; }
  objdump=$triplet-w64-mingw32-objdump
  same_lines "$triplet client format" "$format" "$(pe_format "$objdump" "$build/consumer.exe")" || failed=1
  # The DLLs the package named for this bitness, copied beside the client.
  for dll in selvor32.dll marbeck.dll; do
    cmp -s "$pkg/$arch/bin/$dll" "$build/$dll" || { echo "$triplet: $dll is not $arch/bin/$dll"; failed=1; }
  done
done

# The i686 client imports by the undecorated names the DLLs export.
exe=$work/build-i686/consumer.exe
same_lines "i686 client's imports from selvor32.dll" \
  "$(printf '%s\n' kst_get_last_used_plugin kst_get_window_text kst_set_window_text)" \
  "$(pe_imports i686-w64-mingw32-objdump "$exe" selvor32.dll)" || failed=1
same_lines "i686 client's imports from marbeck.dll" save_auth_params \
  "$(pe_imports i686-w64-mingw32-objdump "$exe" marbeck.dll)" || failed=1

# The x86_64 client reads and replaces at the caret of its own edit control.
if ! (cd "$work/build-x86_64" && /usr/lib/wine/wine64 consumer.exe); then
  echo "the x86_64 client failed under wine64"
  failed=1
fi
[ $failed -eq 0 ] && echo "a client built from the archive alone works for both bitnesses"
exit $failed
