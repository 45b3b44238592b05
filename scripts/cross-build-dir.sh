# Sourced by the scripts that configure a Windows build.
#   cross_build_configure DIR TOOLCHAIN [CMAKE OPTIONS...]
# configures DIR as a MinSizeRel build with TOOLCHAIN. The compiler is
# cached when a build directory is configured: one configured with another
# toolchain (or an older copy of it) starts over.
_cross_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cross_build_configure() {
  local dir=$1 toolchain=$2
  shift 2
  local stamp
  stamp=$(cat "$toolchain" "$_cross_root/cmake/mingw.cmake")
  [[ $(cat "$dir/toolchain.stamp" 2>/dev/null) == "$stamp" ]] || rm -rf "$dir"
  cmake -S "$_cross_root" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=MinSizeRel "$@" >/dev/null &&
    printf '%s' "$stamp" >"$dir/toolchain.stamp"
}
