#!/usr/bin/env bash
# run-install-benchmark.sh [BUILD_DIR [MEMBERS]]: generates a payload of
# MEMBERS small members (default 2000; TARIFEX.exe is one of them), builds
# install-benchmark in the Wine build BUILD_DIR (default build/wine) and runs
# it in a Wine session. It prints seconds per member for the installer and
# for one archiver run over the whole payload. Takes minutes, not seconds.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../../.." && pwd)
build=$(cd "${1:-$repo/build/wine}" && pwd)
members=${2:-2000}
export LC_ALL=C.UTF-8

out=$build/bench
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
printf '[VersionData]\r\nVersion=5.12\r\nBuild=0412\r\n' >"$stage/verinfo.ini"
printf 'MZ stand-in of the main executable\r\n' >"$stage/TARIFEX.exe"
{
  printf 'TARIFEX.exe\r\n'
  for ((i = 1; i < members; i++)); do printf 'm%05d.dat\r\n' "$i"; done
} >"$stage/resinfo.ini"
for ((i = 1; i < members; i++)); do
  printf 'small member %05d of the benchmark payload\r\n' "$i" >"$stage/$(printf 'm%05d.dat' "$i")"
done
mkdir -p "$out"
rm -f "$out/many-members.lum"
(cd "$stage" && 7zz a -bd -bso0 -t7z -ms=off '-prq%7mUXA?' "$out/many-members.lum" verinfo.ini resinfo.ini TARIFEX.exe 'm*.dat')

cmake --build "$build" --target install_benchmark TARIFEX_Installer -j2 >/dev/null
cd "$build"
"$repo/tools/wine/session" --prefix "$build/prefix" -- \
  "$repo/tools/wine/wine-run" --prefix "$build/prefix" "$build/tests/install-benchmark.exe" 'X:\bench\many-members.lum'
