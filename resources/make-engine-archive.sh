#!/usr/bin/env bash
# make-engine-archive.sh OUT.rar ENGINE.exe MEMBER-NAME PASSWORD: a stand-in
# engine archive. It is a 7z archive (the archiver opens it by its signature
# whatever its name says) whose file data is protected by the password.
set -euo pipefail
out=$1 engine=$2 member=$3 password=$4
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$engine" "$stage/$member"
printf '[Files]\r\n%s\r\n' "$member" >"$stage/resinfo.ini"
printf '[Version]\r\nVers=5.2.0.2\r\n' >"$stage/Versinfo.ini"
rm -f "$out"
(cd "$stage" && 7zz a -bd -bso0 -t7z -ms=off "-p$password" "$out" "$member" resinfo.ini Versinfo.ini)
