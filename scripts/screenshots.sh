#!/usr/bin/env bash
# Screenshots of the installer's window as it opens, in a Wine virtual desktop
# under Xvfb: at 96 DPI, with the component panel open, and at 144 DPI.
# Usage: scripts/screenshots.sh [OUT-DIR]   (default build/screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build/screenshots}")
bash scripts/setup.sh >/dev/null
cmake --preset wine >/dev/null
cmake --build --preset wine --target TARIFEX_Installer ui_poke tarifex_test_fixtures >/dev/null

shots=$PWD/build/wine/screens
mkdir -p "$out" "$shots/media"
cp build/wine/src/app/TARIFEX_Installer.exe "$shots/media/"
cp build/wine/tests/txTopics.lum "$shots/media/"

exec tools/wine/session --prefix "$shots/prefix" -- bash -s "$out" "$shots" <<'INNER'
set -euo pipefail
out=$1 shots=$2
wine=/usr/lib/wine/wine64 server=/usr/lib/wine/wineserver
# A drive D:, so the window proposes the usual folder.
mkdir -p "$WINEPREFIX/drive_c/d-drive"
ln -sfn "$WINEPREFIX/drive_c/d-drive" "$WINEPREFIX/dosdevices/d:"
ln -sfn "$shots/media" "$WINEPREFIX/dosdevices/m:"

window_geometry() { # prints W H X Y of the installer's window inside the desktop
  xwininfo -root -tree | sed -n 's/.*"Installer - [^"]*": ("[^"]*" "[^"]*")  *\([0-9]*\)x\([0-9]*\)+\([0-9-]*\)+\([0-9-]*\).*/\1 \2 \3 \4/p' | head -n 1
}

shoot() { # dpi desktop-size name [control-to-press]
  local dpi=$1 size=$2 name=$3 press=${4:-}
  "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  "$server" -k || true; sleep 1
  "$wine" explorer "/desktop=Tarifex,$size" 'M:\TARIFEX_Installer.exe' </dev/null >/dev/null 2>&1 &
  local geometry=""
  for _ in $(seq 150); do geometry=$(window_geometry); [[ -n $geometry ]] && break; sleep 0.2; done
  [[ -n $geometry ]] || { echo "screenshots: the window did not open" >&2; exit 1; }
  sleep 2
  # Started in the same virtual desktop, where it can see the window.
  if [[ -n $press ]]; then "$wine" explorer "/desktop=Tarifex,$size" 'X:\tools\stubs\ui-poke.exe' "$press" </dev/null >/dev/null 2>&1; sleep 2; fi
  read -r w h x y <<<"$geometry"
  import -window root -crop "$((w + 16))x$((h + 16))+$((x - 8))+$((y - 8))" +repage "$out/$name.png"
  echo "screenshots: $out/$name.png"
  "$server" -k || true; sleep 1
}

ln -sfn "$(dirname "$WINEPREFIX")/.." "$WINEPREFIX/dosdevices/x:"
shoot 96 640x640 window-96dpi
shoot 96 640x640 components-96dpi 1004
shoot 144 900x920 window-144dpi
"$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
INNER
