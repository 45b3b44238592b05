# Sourced with one argument, the build directory: sets up the environment in
# which the project's Windows programs run under Wine. Nothing here is slow.
build_dir=$(cd "$1" && pwd)
export WINE_ROOT="$build_dir/wine"
export WINEPREFIX="$WINE_ROOT/prefix"
# A pristine copy of the prefix that nothing runs in: the tests that need a
# prefix of their own copy this one, never the live prefix, where other tests
# create and remove files while the copy is made.
export WINE_TEMPLATE="$WINE_ROOT/template"
export WINEARCH=win32
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

# Starts a persistent wineserver and warms it up, so each test starts fast.
# Must not run inside a CTest test: Wine's services would inherit its pipes.
wine_server_start() {
  wineserver -p >/dev/null 2>&1 </dev/null
  wine cmd /c exit >/dev/null 2>&1 </dev/null || true
}

wine_server_stop() {
  wineserver -k >/dev/null 2>&1 || true
}

# Makes sure the Russian locale Wine needs exists: Wine takes the code page
# from LC_ALL, but maps Cyrillic file names to Unix ones only when that
# locale really exists. A private copy is generated once into the build tree
# (no change to the system's locales); LOCPATH must point at it.
wine_russian_locale() {
  russian_locpath="$build_dir/locale"
  if [ ! -d "$russian_locpath/ru_RU.UTF-8" ]; then
    local fresh
    mkdir -p "$russian_locpath"
    fresh=$(mktemp -d "$russian_locpath/.new.XXXXXX")
    localedef -i ru_RU -f UTF-8 "$fresh/ru_RU.UTF-8" >/dev/null 2>&1 || true
    mv -T "$fresh/ru_RU.UTF-8" "$russian_locpath/ru_RU.UTF-8" 2>/dev/null || true
    rm -rf "$fresh"
    [ -d "$russian_locpath/ru_RU.UTF-8" ] || { echo "wine_russian: cannot generate the ru_RU.UTF-8 locale" >&2; return 1; }
  fi
}

# Runs a Windows program with Russian regional settings, so its ANSI code
# page is 1251.
wine_russian() {
  wine_russian_locale || return 1
  LOCPATH="$russian_locpath" LC_ALL=ru_RU.UTF-8 wine "$@"
}
