# Shared steps of the project's commands: install what is missing, build both
# targets, and run a command inside a fresh Wine prefix on a virtual display.
# Sourced by cmake/test.sh, cmake/demo.sh and cmake/release.sh.

kst_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
kst_packages=(wine64 g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools
  xvfb xauth x11-apps imagemagick cmake ninja-build googletest
  llvm clang lld)

# The shipped libraries are 32-bit: wine32 beside wine64 makes the win64
# prefix a WoW64 one, running i686 and x86_64 programs under one wineserver.
kst_packages+=(wine32:i386)

kst_install() {
  local missing=() pkg
  # The kernel runs i386 programs natively; dpkg needs the architecture to
  # install wine32 at all.
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  for pkg in "${kst_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'ok installed' || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing: ${missing[*]}"
  apt-get update -q
  # --no-remove: wine32 pulls in the i386 half of many libraries; should apt
  # ever want to trade away an installed package for it, fail instead.
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-remove "${missing[@]}"
}

kst_build() {
  (cd "$kst_root" &&
    cmake --preset win32 >/dev/null && cmake --build --preset win32 &&
    cmake --preset win64 >/dev/null && cmake --build --preset win64)
}

# kst_release: after kst_build, packs both trees into the release archive,
# build/selvor32-VERSION.zip, and writes its SHA-256 beside it (.sha256).
kst_release() {
  (cd "$kst_root" &&
    rm -f build/win64/release/*.zip &&
    cpack --config build/win64/CPackConfig.cmake >/dev/null &&
    local zip && zip=$(basename build/win64/release/*.zip) &&
    cp build/win64/release/"$zip" build/"$zip" &&
    (cd build && sha256sum "$zip" >"$zip.sha256") &&
    echo "release: build/$zip ($(stat -c %s build/"$zip") bytes)")
}

# kst_with_wine COMMAND...: runs COMMAND with one wineserver kept alive in a
# prefix made new for this run, on its own virtual X display.
kst_with_wine() {
  export WINEPREFIX="$kst_root/build/win64/wineprefix"
  export WINEARCH=win64 WINEDEBUG=-all
  # No Mono or Gecko: there is nothing to download them from, and their
  # install prompts would wait for a click forever. No debugger either: a
  # crashing test program ends at once instead of waiting in winedbg.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
  export KST_WINESERVER=/usr/lib/wine/wineserver
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    "$KST_WINESERVER" -p
    /usr/lib/wine/wine64 wineboot -u >/dev/null 2>&1
    "$@"
    rc=$?
    "$KST_WINESERVER" -k
    exit $rc' kst-wine "$@"
}
