# Shared by scripts/run, scripts/test and scripts/screenshot. Sourced, not run.

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

# Installs the Debian/Ubuntu packages that are missing; quiet when all are there.
need_packages() {
  local missing=() package
  for package in "$@"; do
    dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
  done
  [[ ${#missing[@]} -eq 0 ]] && return 0
  local sudo=()
  [[ $(id -u) -ne 0 ]] && sudo=(sudo)
  echo "Installing ${missing[*]} ..." >&2
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq >/dev/null
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
}

# What the Windows build and its runs under Wine need. Plain 64-bit Wine
# runs the 64-bit program; no i386 architecture is needed. fonts-wine holds
# Wine's own fonts: without them caption buttons show letters and the
# dialogs' fonts fall back to whatever X offers.
windows_packages=(cmake make mingw-w64 wine wine64 fonts-wine xvfb xauth)

windows_build=$repo/build/windows
# Optimised as shipped; no debug information, which would triple the size
# of the statically linked programs and the time to build them.
windows_options=(
  -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64.cmake"
  -DCMAKE_BUILD_TYPE=Release
  -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG"
)

configure_windows() {
  cmake -S "$repo" -B "$windows_build" "${windows_options[@]}" >/dev/null
}

# Pairlook.exe and ReadMe.htm in build/windows, and the Wine prefix beside them.
build_program() {
  configure_windows
  cmake --build "$windows_build" --target Pairlook -j"$jobs"
  "$repo/scripts/wine-run" --prepare "$windows_build"
}
