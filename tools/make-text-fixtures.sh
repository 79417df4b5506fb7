#!/usr/bin/env bash
# Writes the text files that the file tests load: files made by other programs (Python and
# iconv), not by Marvesk, in every scheme Marvesk reads, with every kind of line end. The outputs
# are committed under tests/data/text/; run this again only to change them.
set -euo pipefail

out="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/tests/data/text"
mkdir -p "$out"

# UTF-8 with and without a byte order mark (Python's "utf-8-sig" writes one).
python3 - "$out" <<'PY'
import sys, pathlib
out = pathlib.Path(sys.argv[1])
text = "Gr\u00fc\u00dfe, \u043c\u0438\u0440\r\nzweite Zeile\r\n"
(out / "utf8-bom-crlf.txt").write_bytes(text.encode("utf-8-sig"))
(out / "utf8-nobom-lf.txt").write_bytes("caf\u00e9\nna\u00efve\n".encode("utf-8"))
(out / "utf8-bom-emoji.txt").write_bytes("smile \U0001F600 end\n".encode("utf-8-sig"))
(out / "utf16le-bom-emoji.txt").write_bytes("smile \U0001F600 end\n".encode("utf-16"))
PY

# UTF-16 both ways with iconv: the byte order mark is put in front by hand, so the mark is the
# one each order needs whatever iconv's own default is.
printf 'line one\rline two\r\xe2\x82\xac 5' | iconv -f UTF-8 -t UTF-16LE >"$out/utf16le-body.tmp"
{ printf '\xff\xfe'; cat "$out/utf16le-body.tmp"; } >"$out/utf16le-bom-cr.txt"
printf 'alpha\nbeta\r\ngamma\r\xce\xa9' | iconv -f UTF-8 -t UTF-16BE >"$out/utf16be-body.tmp"
{ printf '\xfe\xff'; cat "$out/utf16be-body.tmp"; } >"$out/utf16be-bom-mixed.txt"
rm -f "$out/utf16le-body.tmp" "$out/utf16be-body.tmp"

# ANSI (Windows-1252) without a mark.
printf 'caf\xc3\xa9 \xe2\x80\x93 \xe2\x82\xac10\r\nna\xc3\xafve\r\n' | iconv -f UTF-8 -t CP1252 >"$out/ansi1252-crlf.txt"

ls -l "$out"
