#!/usr/bin/env bash
# make-demo-payload.sh BUILD_DIR OUT: the demo payload txTopics.lum for the
# demo product built in BUILD_DIR (a Wine or product build: BUILD_DIR/demo
# holds TARIFEX.exe, txcore.dll, txprint_v2.dll and the configured
# verinfo.ini). The files of demo/payload/ are added, pictures and database
# table stand-ins are generated, and tarifex-pack payload packs the folder
# with the same checks and archive rules as a release.
# tarifex-pack is a host program: $TARIFEX_PACK names a built one; otherwise
# it is built once in BUILD_DIR/demo/pack-tool from this repository.
set -euo pipefail
[[ $# -eq 2 ]] || { echo "usage: make-demo-payload.sh BUILD_DIR OUT" >&2; exit 2; }
build=$(cd "$1" && pwd)
out=$2
here=$(cd "$(dirname "$0")" && pwd)
repo=$(dirname "$here")
export LC_ALL=C.UTF-8

for f in TARIFEX.exe txcore.dll txprint_v2.dll verinfo.ini; do
  [[ -f $build/demo/$f ]] || { echo "make-demo-payload.sh: $build/demo/$f is missing (build the demo first)" >&2; exit 1; }
done

pack=${TARIFEX_PACK:-}
if [[ -z $pack ]]; then
  tool_build=$build/demo/pack-tool
  # A plain host build of the tool alone; the cross toolchain of BUILD_DIR must not leak in.
  env -u CC -u CXX -u MAKEFLAGS cmake -S "$repo" -B "$tool_build" -DTARIFEX_TESTS=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
  env -u MAKEFLAGS cmake --build "$tool_build" --target tarifex-pack -j2 >/dev/null
  pack=$tool_build/tools/pack/tarifex-pack
fi

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
(cd "$here/payload" && find . -type f ! -name '*.in' -exec cp --parents {} "$stage" \;)
cp "$build/demo/TARIFEX.exe" "$build/demo/txcore.dll" "$build/demo/txprint_v2.dll" "$build/demo/verinfo.ini" "$stage/"

# Pictures: a 2x2 24-bit BMP (blue, white / white, red) and a 1x1 GIF.
printf 'BM\x46\x00\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00\x28\x00\x00\x00\x02\x00\x00\x00\x02\x00\x00\x00\x01\x00\x18\x00\x00\x00\x00\x00\x10\x00\x00\x00\x13\x0b\x00\x00\x13\x0b\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00' >"$stage/LOGO.BMP"
printf '\xff\x00\x00\xff\xff\xff\x00\x00\xff\xff\xff\x00\x00\xff\x00\x00' >>"$stage/LOGO.BMP"
printf 'GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x33\x99\xff\xff\xff\x21\xf9\x04\x00\x00\x00\x00\x00\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3b' >"$stage/flag.gif"

# Stand-ins for the database engine's tables: a table, its memo file, primary
# and secondary indexes and a family file.
for f in TNVED.DB TNVED.MB TNVED.PX TNVED.XG0 TNVED.YG0 NSI.FAM; do
  printf 'stand-in for the Paradox file %s\r\n' "$f" >"$stage/$f"
done

mkdir -p "$(dirname "$out")"
"$pack" payload --from "$stage" --out "$out"
