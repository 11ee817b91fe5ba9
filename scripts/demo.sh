#!/usr/bin/env bash
# The installer on the demo payload, from a fresh machine: installs what is
# missing, builds the installer and the demo payload, seals the installer for
# it and runs it under Wine onto a drive D: of its own.
#   - with DISPLAY set, on that display, for you to click through;
#   - otherwise under Xvfb, where demo-driver runs one complete installation
#     by itself and leaves screenshots and a listing of what was installed.
# Everything lands in build/demo-run (OUT below). TARIFEX_DEMO_HEADLESS=1 forces
# the driven run even with a display.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/build/demo-run
jobs=${TARIFEX_JOBS:-2}

bash scripts/setup.sh
cmake --preset host >/dev/null && cmake --build --preset host -j "$jobs" --target tarifex-pack
pack=$root/build/host/tools/pack/tarifex-pack
for preset in wine product; do
  cmake --preset "$preset" -DTARIFEX_PACK="$pack" >/dev/null
done
cmake --build --preset wine -j "$jobs" --target TARIFEX_Installer demo_payload demo_driver
cmake --build --preset product -j "$jobs" --target TARIFEX_Installer

rm -rf "$out"
mkdir -p "$out/media" "$out/release" "$out/drive-d"
payload=$root/build/wine/demo/txTopics.lum
cp "$payload" "$out/media/txTopics.lum"
# The run uses the x86_64 build (Wine's 32-bit side cannot run here); the
# shipped i686 installer is sealed the same way beside it.
"$pack" seal --installer build/wine/src/app/TARIFEX_Installer.exe --payload "$payload" \
  --name TARIFEX_Installer.exe --out "$out/media/TARIFEX_Installer.exe"
"$pack" seal --installer build/product/src/app/TARIFEX_Installer.exe --payload "$payload" \
  --name TARIFEX_Installer.exe --out "$out/release/TARIFEX_Installer.exe"
cp "$payload" "$out/release/txTopics.lum"
"$pack" verify --installer "$out/release/TARIFEX_Installer.exe" --payload "$out/release/txTopics.lum"

headless=${TARIFEX_DEMO_HEADLESS:-}
[[ -z ${DISPLAY:-} ]] && headless=1
prefix=$out/prefix
export TARIFEX_DEMO_OUT=$out
if [[ -z $headless ]]; then
  TARIFEX_KEEP_DISPLAY=1 exec tools/wine/session --prefix "$prefix" -- bash -c '
    ln -sfn "$TARIFEX_DEMO_OUT/drive-d" "$WINEPREFIX/dosdevices/d:"
    ln -sfn "$TARIFEX_DEMO_OUT/media" "$WINEPREFIX/dosdevices/m:"
    /usr/lib/wine/wine64 "M:\\TARIFEX_Installer.exe"'
fi

# The engine stand-in finishes by itself in the driven run.
export TARIFEX_ENGINE_AUTOFINISH=4000
exec tools/wine/session --prefix "$prefix" -- bash -s <<'INNER'
set -euo pipefail
out=$TARIFEX_DEMO_OUT
wine=/usr/lib/wine/wine64
ln -sfn "$out/drive-d" "$WINEPREFIX/dosdevices/d:"
ln -sfn "$out/media" "$WINEPREFIX/dosdevices/m:"
ln -sfn "$(dirname "$out")/wine" "$WINEPREFIX/dosdevices/x:"
work=$WINEPREFIX/drive_c/demo-work
mkdir -p "$work"

"$wine" explorer /desktop=Tarifex,800x680 'X:\tools\demo\demo-driver.exe' 'M:\TARIFEX_Installer.exe' 'C:\demo-work' \
  </dev/null >/dev/null 2>&1 &
desktop=$!
# Screenshots when the driver asks for them; it waits until each is taken.
deadline=$((SECONDS + 1200))
until grep -qE '^(done|the |cannot )' "$work/driver.log" 2>/dev/null; do
  for request in "$work"/*.shot; do
    [[ -e $request ]] || continue
    name=$(basename "$request" .shot)
    import -window root "$out/$name.png"
    echo "demo: screenshot $out/$name.png"
    rm -f "$request"
  done
  ((SECONDS < deadline)) || { echo "demo: the driven installation did not end in time" >&2; break; }
  sleep 0.2
done
sleep 1
kill "$desktop" 2>/dev/null || true

{
  echo "# What the demo installation did"
  echo
  echo "## The driver's log"
  cat "$work/driver.log"
  echo
  echo "## Files under D:\\ (size, mode, path)"
  (cd "$out/drive-d" && find . -mindepth 1 -printf '%10s  %M  D:\\%P\n' | sed 's#/#\\#g' | sort -k3)
  echo
  echo "## Registry: HKLM\\SOFTWARE\\LUM as the 32-bit installer sees it"
  "$wine" reg query 'HKLM\Software\Wow6432Node\LUM' /s 2>/dev/null | tr -d '\r' | sed '/^$/d'
  echo
  echo "## Fonts folder (files)"
  ls "$WINEPREFIX/drive_c/windows/Fonts" | grep -i -c '\.ttf$' | sed 's/^/TrueType files: /'
  echo
  echo "## Desktop"
  ls -la "$WINEPREFIX/drive_c/users/$(id -un)/Desktop" 2>/dev/null | tail -n +2
  echo
  echo "## Work folder D:\\LUM\\Tarifex\\tmp after clean-up"
  ls -la "$out/drive-d/LUM/Tarifex/tmp" 2>/dev/null | tail -n +2
} >"$out/listing.txt"
echo "demo: listing $out/listing.txt"
grep -q '^done' "$work/driver.log"
INNER
