# Sourced with the build directory, and the prefix architecture (win32 or
# win64) unless the directory is a Windows build, which names its own
# (wine-arch, written when it is configured): sets up the environment in
# which the project's Windows programs run under Wine. Nothing here is slow.
build_dir=$(cd "$1" && pwd)
if [ -n "${2:-}" ]; then
  WINEARCH=$2
elif [ -f "$build_dir/wine-arch" ]; then
  WINEARCH=$(cat "$build_dir/wine-arch")
else
  echo "wine-env.sh: $build_dir names no Wine architecture (wine-arch); give win32 or win64" >&2
  return 1
fi
export WINEARCH
# Wine's programs by their own paths: Debian's wine and wineserver wrappers
# choose the 32-bit programs whenever wine32 is installed, even on a kernel
# that cannot start them. The wrappers in wine-bin/ call this architecture's
# own. (A 32-bit program started from a 64-bit one goes to 32-bit Wine by
# its fixed path: scripts/windows-build.sh says how a run of the twin makes
# that fail.)
case $WINEARCH in
  win32) _wine_loader=/usr/lib/wine/wine _wine_server=/usr/lib/wine/wineserver32 ;;
  win64) _wine_loader=/usr/lib/wine/wine64 _wine_server=/usr/lib/wine/wineserver64 ;;
  *) echo "wine-env.sh: no Wine architecture $WINEARCH" >&2; return 1 ;;
esac
# Written again whenever one differs from what it should be, so that a
# wrapper an older version of this script wrote never outlives it (read with
# builtins: this runs before every test).
_wine_bin=$build_dir/wine-bin/$WINEARCH
[ -d "$_wine_bin" ] || mkdir -p "$_wine_bin"
for _name in wine wine-stable wineserver wineserver-stable; do
  case $_name in
    wineserver*) _wrapper="exec $_wine_server -p0" ;;
    *) _wrapper="exec $_wine_loader" ;;
  esac
  _wrapper="#!/bin/sh
$_wrapper \"\$@\"
"
  _written=
  # (read ends at the end of the file, with a status that is no failure here)
  if [ -x "$_wine_bin/$_name" ]; then IFS= read -r -d '' _written <"$_wine_bin/$_name" || :; fi
  if [ "$_written" != "$_wrapper" ]; then
    printf '%s' "$_wrapper" >"$_wine_bin/$_name.new.$$" &&
      chmod +x "$_wine_bin/$_name.new.$$" && mv -f "$_wine_bin/$_name.new.$$" "$_wine_bin/$_name"
  fi
done
case ":$PATH:" in *":$_wine_bin:"*) ;; *) export PATH="$_wine_bin:$PATH" ;; esac
export WINELOADER=$_wine_loader WINESERVER=$_wine_server
export WINE_ROOT="$build_dir/wine"
export WINEPREFIX="$WINE_ROOT/prefix"
# A pristine copy of the prefix that nothing runs in: the tests that need a
# prefix of their own copy this one, never the live prefix, where other tests
# create and remove files while the copy is made.
export WINE_TEMPLATE="$WINE_ROOT/template"
export WINEDEBUG=-all
# Keep Wine from writing menu entries and desktop files into the real $HOME.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
# The prefix links Desktop, Documents, ... to $HOME: give it a sandbox.
export HOME="$WINE_ROOT/home"
mkdir -p "$HOME"

# Creates a fresh prefix with a 1024x768 virtual desktop (so windows behave
# as under a window manager), first as the template, then the live prefix as
# a copy of it. Both are complete before any program runs in either.
wine_prefix_create() {
  rm -rf "$WINE_ROOT"
  mkdir -p "$HOME"
  (
    export WINEPREFIX=$WINE_TEMPLATE
    wineboot -i >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
    wineserver -w
  )
  wine_prefix_copy "$WINEPREFIX"
}

# Copies the template to a new prefix at $1 (which must not exist yet, or be
# an empty folder). Fails loudly: a half-copied prefix is no test prefix.
wine_prefix_copy() {
  if [ ! -f "$WINE_TEMPLATE/system.reg" ]; then
    echo "wine_prefix_copy: no template prefix at $WINE_TEMPLATE: run scripts/test.sh, which creates it" >&2
    return 1
  fi
  mkdir -p "$1" && cp -a "$WINE_TEMPLATE/." "$1/"
}

# The life of a prefix copy, for a run whose changes must reach no other:
#   wine_copy_start DIR [COMMAND...]  copies the template to DIR (as
#       wine_prefix_copy), makes DIR the WINEPREFIX, runs COMMAND there (to
#       add drives, say: Wine's mount manager reads them as the server
#       starts) and starts the copy's own server, as wine_server_start;
#   wine_copy_stop DIR  stops the server of the copy at DIR, never another
#       prefix's, and waits until it has ended (so that DIR can go).
wine_copy_start() {
  local copy=$1
  shift
  wine_prefix_copy "$copy" || return 1
  export WINEPREFIX=$copy
  if [ $# -gt 0 ]; then "$@" || return 1; fi
  wine_server_start
}

wine_copy_stop() {
  [ -f "$1/system.reg" ] || return 0
  WINEPREFIX=$1 wineserver -k >/dev/null 2>&1 </dev/null || :
  WINEPREFIX=$1 wineserver -w >/dev/null 2>&1 </dev/null || :
}

# Starts a persistent wineserver and warms it up, so each test starts fast.
# Must not run inside a CTest test: Wine's services would inherit its pipes.
wine_server_start() {
  wineserver -p >/dev/null 2>&1 </dev/null
  wine cmd /c exit >/dev/null 2>&1 </dev/null || true
}

wine_server_stop() {
  wineserver -k >/dev/null 2>&1 || true
}

# The Windows path of a Linux path, on Wine's drive Z:, the Linux root:
# /a/b is Z:\a\b; a relative path is taken from the current folder. Written
# out rather than asked of `winepath -w`, which gives the same but starts a
# Wine process for each path: 0.3 to 0.4 s a path here, 30 to 80 times as
# long, where the benchmark converts hundreds. A path in a prefix's drive_c
# is named on Z: too (winepath would say C:).
wine_path() {
  case $1 in
    /*) set -- "$1" ;;
    *) set -- "$PWD/$1" ;;
  esac
  printf 'Z:%s\n' "${1//\//\\}"
}

# Makes sure a locale Wine needs exists (its name without the encoding:
# ru_RU, ja_JP): Wine takes the ANSI code page from LC_ALL, but maps file
# names in that code page to Unix ones only when the locale really exists.
# A private copy is generated once into the build tree (no change to the
# system's locales); LOCPATH must point at it.
wine_locale() {
  locale_path="$build_dir/locale"
  if [ ! -d "$locale_path/$1.UTF-8" ]; then
    local fresh
    mkdir -p "$locale_path"
    fresh=$(mktemp -d "$locale_path/.new.XXXXXX")
    localedef -i "$1" -f UTF-8 "$fresh/$1.UTF-8" >/dev/null 2>&1 || true
    mv -T "$fresh/$1.UTF-8" "$locale_path/$1.UTF-8" 2>/dev/null || true
    rm -rf "$fresh"
    [ -d "$locale_path/$1.UTF-8" ] || { echo "wine_locale: cannot generate the $1.UTF-8 locale" >&2; return 1; }
  fi
}

wine_russian_locale() { wine_locale ru_RU; }

# Runs a Windows program with Russian regional settings, so its ANSI code
# page is 1251.
wine_russian() {
  wine_russian_locale || return 1
  LOCPATH="$locale_path" LC_ALL=ru_RU.UTF-8 wine "$@"
}
