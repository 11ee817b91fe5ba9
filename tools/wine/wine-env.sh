# Sourced by the Wine harness scripts: one throw-away prefix per build tree.
# Usage: source wine-env.sh PREFIX
wine_dir=/usr/lib/wine
export WINEPREFIX=$1
export WINEDEBUG=-all
# No desktop entries, no .NET or Gecko installers, and no debugger that would
# wait forever on a crashed test program.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d;winedbg.exe=d"
export WINEARCH=win64
wine64=$wine_dir/wine64
wineserver=$wine_dir/wineserver
harness_dir=$WINEPREFIX/drive_c/harness

# Creates the prefix once and cuts every tie to the host: no Z:, no links into
# $HOME, no desktop entries; X: shows the build tree. Safe to call from parallel processes.
wine_ensure_prefix() {
  [[ -f $WINEPREFIX/.sandboxed ]] && return 0
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    [[ -f $WINEPREFIX/.sandboxed ]] && exit 0
    rm -rf "$WINEPREFIX"
    "$wine64" wineboot --init </dev/null >/dev/null 2>&1
    "$wineserver" -w
    rm -f "$WINEPREFIX/dosdevices/z:"
    local d
    for d in "$WINEPREFIX"/drive_c/users/*/*; do
      if [[ -L $d ]]; then rm -f "$d"; mkdir -p "$d"; fi
    done
    # X: is the build tree, so tests reach their programs and fixtures.
    ln -s "$(dirname "$WINEPREFIX")" "$WINEPREFIX/dosdevices/x:"
    # Wine's own fonts (Tahoma, Marlett for the caption buttons...) are not
    # found by a 64-bit-only installation; the prefix's fonts folder is read.
    cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    mkdir -p "$harness_dir/requests"
    touch "$WINEPREFIX/.sandboxed"
  ) 9>"$WINEPREFIX.lock"
}

# Starts a persistent server detached from our pipes; a no-op when one runs.
wine_ensure_server() {
  "$wineserver" -p </dev/null >/dev/null 2>&1 || true
}
