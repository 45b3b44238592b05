# Sourced by the scripts that configure a build.
#   configure_build DIR PRESET [CMAKE OPTIONS...]
# configures DIR with one of CMakePresets.json's configurations (DIR and the
# options take the place of the preset's own). The compiler is cached when
# a build directory is configured: a directory configured with another
# preset, or with older presets or toolchain files, starts over.
_presets_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
configure_build() {
  local dir=$1 preset=$2
  shift 2
  local stamp
  stamp=$(printf '%s\n' "$preset" && cat "$_presets_root/CMakePresets.json" "$_presets_root"/cmake/mingw*.cmake)
  [[ $(cat "$dir/preset.stamp" 2>/dev/null) == "$stamp" ]] || rm -rf "$dir"
  (cd "$_presets_root" && cmake --preset "$preset" -B "$dir" "$@" >/dev/null) &&
    printf '%s' "$stamp" >"$dir/preset.stamp"
}

# The setting NAME (PRODUCT_NAME, ...) of the product settings file FILE,
# read by CMake as the build reads it.
#   product_setting FILE NAME
product_setting() {
  cmake -DPRODUCT_SETTINGS="$1" -DNAME="$2" -P "$_presets_root/cmake/PrintProductSetting.cmake"
}
