# Sourced by the scripts that configure a Windows build. The compiler is
# cached when a build directory is configured: one configured with another
# toolchain file starts over.
#   cross_build_dir_check DIR    before configuring DIR
#   cross_build_dir_stamp DIR    after DIR was configured
_toolchain=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/cmake/mingw-i686.cmake
cross_build_dir_check() { cmp -s "$_toolchain" "$1/toolchain.cmake" 2>/dev/null || rm -rf "$1"; }
cross_build_dir_stamp() { cp "$_toolchain" "$1/toolchain.cmake"; }
