#!/usr/bin/env bash
# Packs a built Marvesk.exe for Windows users: OUT_DIR/Marvesk-VERSION-win64.zip holds the
# program, release/README.txt and release/THIRD-PARTY-NOTICES.txt (with Windows line breaks), and
# OUT_DIR/Marvesk-VERSION-win64.zip.sha256 its SHA-256 in sha256sum's format. VERSION is the
# product version of resources/Marvesk.rc, the one the program shows. Prints the archive's path.
#
#   bash tools/pack-release.sh MARVESK_EXE OUT_DIR
#
# tools/release.sh packs its Release build with it; the end-to-end scenario release_archive packs
# the tested build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -ne 2 ]; then
  echo "usage: $0 MARVESK_EXE OUT_DIR" >&2
  exit 2
fi
exe=$1
mkdir -p "$2"
out=$(cd "$2" && pwd)

# "PRODUCTVERSION 1,0,0,0" is 1.0.0: the fourth part only when it is not 0, as About shows three.
version=$(sed -nE 's/^[[:space:]]*PRODUCTVERSION[[:space:]]+([0-9]+),[[:space:]]*([0-9]+),[[:space:]]*([0-9]+),[[:space:]]*([0-9]+).*/\1.\2.\3.\4/p' \
  "$root/resources/Marvesk.rc" | head -n 1)
if [ -z "$version" ]; then
  echo "no PRODUCTVERSION in resources/Marvesk.rc" >&2
  exit 1
fi
version=${version%.0}
name="Marvesk-$version-win64.zip"

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$exe" "$stage/Marvesk.exe"
for text in README.txt THIRD-PARTY-NOTICES.txt; do
  sed 's/$/\r/' "$root/release/$text" >"$stage/$text"
done
rm -f "$out/$name" "$out/$name.sha256"
(cd "$stage" && cmake -E tar cf "$out/$name" --format=zip Marvesk.exe README.txt THIRD-PARTY-NOTICES.txt)
(cd "$out" && sha256sum "$name" >"$name.sha256")
echo "$out/$name"
