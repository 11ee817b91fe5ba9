#!/usr/bin/env bash
# make-fonts-archive.sh OUT.7z: 13 DejaVu TrueType fonts, LZMA, solid, not
# encrypted; four of them carry the read-only attribute inside the archive.
set -euo pipefail
out=$1
src=/usr/share/fonts/truetype/dejavu
fonts=(DejaVuSans.ttf DejaVuSans-Bold.ttf DejaVuSans-Oblique.ttf DejaVuSans-BoldOblique.ttf
       DejaVuSansMono.ttf DejaVuSansMono-Bold.ttf DejaVuSansMono-Oblique.ttf DejaVuSansMono-BoldOblique.ttf
       DejaVuSerif.ttf DejaVuSerif-Bold.ttf DejaVuSerif-Italic.ttf DejaVuSerif-BoldItalic.ttf
       DejaVuSansCondensed.ttf)
read_only=(DejaVuSansMono.ttf DejaVuSansMono-Bold.ttf DejaVuSerif.ttf DejaVuSerif-Bold.ttf)
stage=$(mktemp -d)
trap 'chmod -R u+w "$stage"; rm -rf "$stage"' EXIT
for f in "${fonts[@]}"; do cp "$src/$f" "$stage/$f"; chmod 644 "$stage/$f"; done
for f in "${read_only[@]}"; do chmod 444 "$stage/$f"; done
rm -f "$out"
(cd "$stage" && 7zz a -bd -bso0 -t7z -m0=lzma -ms=on "$out" "${fonts[@]}")
