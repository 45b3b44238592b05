# Sourced: decides once which Windows build this machine's Windows tests,
# main job and benchmark run, and sets
#   windows_build   win (the shipped 32-bit programs, under 32-bit Wine)
#                   or win64 (their 64-bit twins, under 64-bit Wine)
#   windows_arch    the Wine prefix architecture: win32 or win64
#   windows_reason  why, in a few words
# The twin runs where the kernel starts no 32-bit program (32-bit Wine
# fails with "Exec format error", status 126: 32-bit emulation switched off),
# or everywhere with WINDOWS_TWIN=1, so that both ways can be tried on one
# machine. Any other failure of 32-bit Wine is a broken installation, not a
# kernel without 32-bit programs: it ends the script that asked, with Wine's
# message. Only the 32-bit build ships. Call after scripts/install-deps.sh
# (the probe starts 32-bit Wine's loader).
_windows_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [[ ${WINDOWS_TWIN:-} == 1 ]]; then
  windows_build=win64
  windows_reason="WINDOWS_TWIN=1 forces the 64-bit twin"
elif _probe=$(/usr/lib/wine/wine --version 2>&1); then
  windows_build=win
  windows_reason="this kernel starts 32-bit programs ($_probe)"
else
  _status=$?
  if [[ $_status != 126 || $_probe != *"Exec format error"* ]]; then
    echo "windows-build.sh: 32-bit Wine fails, and not as on a kernel without 32-bit programs" \
      "(status $_status, not 126 \"Exec format error\"): $_probe" >&2
    return 1
  fi
  windows_build=win64
  windows_reason="this kernel starts no 32-bit program (32-bit Wine: ${_probe##*: })"
fi
if [[ -n ${WINDOWS_32_BIT_BLOCKED:-} ]]; then
  windows_reason+="; 32-bit Wine is made to fail here as on a kernel without 32-bit programs"
fi
# The twin forced where the kernel does start 32-bit programs: the script
# that asked starts again in a mount namespace of its own, where 32-bit
# Wine's loader and server are files of a format the kernel refuses, as a
# kernel without 32-bit programs refuses them ("Exec format error", 126).
# A 32-bit program started anywhere in the run then fails there too,
# instead of passing unnoticed.
if [[ $windows_build == win64 && -z ${WINDOWS_32_BIT_BLOCKED:-} ]] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
  _refused=$_windows_root/build/refused-format
  mkdir -p "${_refused%/*}"
  python3 -c 'import sys; d = bytearray(open("/usr/lib/wine/wine", "rb").read(4096)); d[18:20] = b"\xff\xff"; open(sys.argv[1], "wb").write(d)' "$_refused"
  chmod +x "$_refused"
  export WINDOWS_32_BIT_BLOCKED=1
  exec unshare --mount --propagation private bash -c \
    'for f in /usr/lib/wine/wine /usr/lib/wine/wineserver32; do mount --bind "$0" "$f" || exit 1; done; exec bash "$@"' \
    "$_refused" "$0" "$@"
fi
case $windows_build in
  win) windows_arch=win32 ;;
  win64) windows_arch=win64 ;;
esac
windows_build_line() {
  if [[ $windows_build == win ]]; then
    echo "Windows build: the shipped 32-bit programs (build/win) under 32-bit Wine: $windows_reason"
  else
    echo "Windows build: the 64-bit twin (build/win64) under 64-bit Wine: $windows_reason"
  fi
}
