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

# A static i386 program that exits with 42: whether this kernel runs the
# 32-bit half of Wine at all.
kst_i386_probe_elf=f0VMRgEBAQAAAAAAAAAAAAIAAwABAAAAVIAECDQAAAAAAAAAAAAAADQAIAABAAAAAAAAAAEAAAAAAAAAAIAECACABAhgAAAAYAAAAAUAAAAAEAAAuAEAAAC7KgAAAM2A
kst_binfmt=/proc/sys/fs/binfmt_misc

# Prints how this machine runs i386 programs: "native" (the kernel's IA-32
# emulation), "qemu-user" (binfmt_misc hands them to qemu-i386) or "none".
kst_i386_mode() {
  local probe rc
  probe=$(mktemp)
  echo "$kst_i386_probe_elf" | base64 -d >"$probe" && chmod +x "$probe"
  "$probe" 2>/dev/null && rc=0 || rc=$?
  rm -f "$probe"
  if [ "$rc" -ne 42 ]; then
    echo none
  elif grep -qs '^enabled' "$kst_binfmt/qemu-i386"; then
    echo qemu-user
  else
    echo native
  fi
}

# For a kernel without IA-32 emulation: qemu-user from the backports suite of
# the Debian archive this machine already uses (bookworm's own qemu 7.2
# cannot run wineboot), registered for i386 programs. The F flag opens the
# emulator once, so it serves inside any mount namespace.
kst_i386_by_qemu() {
  local codename uri keyring
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  uri=$(grep -rhE '^(URIs:|deb) ' /etc/apt/sources.list /etc/apt/sources.list.d/ 2>/dev/null |
    grep -oE 'https?://[^ ]*/debian/?' | head -n 1)
  keyring=/usr/share/keyrings/debian-archive-keyring.gpg
  [ -n "$uri" ] || { echo "no Debian archive in the apt sources for qemu-user"; return 1; }
  printf 'Types: deb\nURIs: %s\nSuites: %s-backports\nComponents: main\nSigned-By: %s\n' \
    "$uri" "$codename" "$keyring" >/etc/apt/sources.list.d/kst-backports.sources
  apt-get update -q
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-remove -t "$codename-backports" qemu-user
  [ -e "$kst_binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$kst_binfmt"
  [ -e "$kst_binfmt/qemu-i386" ] || echo ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:F' >"$kst_binfmt/register"
}

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
  if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    apt-get update -q
    # --no-remove: wine32 pulls in the i386 half of many libraries; should
    # apt ever want to trade away an installed package for it, fail instead.
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-remove "${missing[@]}"
  fi
  local mode
  mode=$(kst_i386_mode)
  if [ "$mode" = none ]; then
    kst_i386_by_qemu
    mode=$(kst_i386_mode)
  fi
  case "$mode" in
    native) echo "i386 programs: native (the kernel's IA-32 emulation)" ;;
    qemu-user) echo "i386 programs: under qemu-user (slower; processor faults may arrive with other codes)" ;;
    *) echo "i386 programs: cannot run on this machine"; return 1 ;;
  esac
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
