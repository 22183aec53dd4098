#!/usr/bin/env bash
# Writes cp932.txt, the complete code page 932 mapping the tests hold the
# program's converter to. It comes from glibc's iconv ("CP932"), an
# implementation independent of the one under test, asked one code at a time
# so that an undefined code cannot disturb its neighbours.
#
#   D bytes unicode   every byte sequence that decodes: the 128 ASCII bytes,
#                     the 63 half-width katakana, and every double-byte code
#                     (JIS X 0208, the NEC row 13, the NEC-selected IBM
#                     extension rows ED/EE, the IBM extension rows FA-FC, and
#                     the user-defined rows F0-F9, which decode to U+E000-E757).
#                     Single bytes 80, A0 and FD-FF and every other pair are
#                     not code page 932.
#   E unicode bytes   for every character some code decodes to, the bytes it
#                     encodes to. A character with two or three codes encodes
#                     as Windows does: a JIS X 0208 code first (U+2252 as 81E0,
#                     not 8790; U+FFE2 as 81CA, not EEF9 or FA54), then the NEC
#                     row 13 (U+2160 as 8754, not FA4A), then the IBM rows
#                     before the NEC-selected ones (U+2170 as FA40, not EEEF;
#                     U+7E8A as FA5C, not ED40).
#
# iconv also encodes some characters no code decodes to, one way only: U+00A5
# as 5C, U+203E as 7E, U+2014 as 815C, and the JIS forms U+301C, U+2016,
# U+2212, U+00A2, U+00A3, U+00AC as their look-alikes. Those are left out on
# purpose: the program refuses them rather than change the text (the look-alikes
# are mapped where text is typed), so the table lists only characters that
# come back unchanged.
#
# Run from anywhere; takes a few minutes (one iconv process per code).
set -euo pipefail
out="$(dirname "$0")/cp932.txt"
tmp="$(mktemp)"
trap 'rm -f "$tmp" "$tmp.chars"' EXIT

decode() {  # $1: hex bytes without spaces; prints the UTF-16BE code in hex or nothing
    local hex=$1 esc=""
    for ((i = 0; i < ${#hex}; i += 2)); do esc+="\\x${hex:i:2}"; done
    printf "$esc" | iconv -f CP932 -t UTF-16BE 2>/dev/null | od -An -tx1 | tr -d ' \n' || true
}

{
    echo "# code page 932 as glibc iconv CP932 maps it; written by make_cp932_table.sh"
    for ((b = 0; b < 256; ++b)); do
        hex=$(printf '%02X' "$b")
        u=$(decode "$hex")
        if [ -n "$u" ]; then printf "D %s %s\n" "$hex" "${u^^}"; fi
    done
    for lead in $(seq 129 159) $(seq 224 252); do
        for ((trail = 64; trail <= 252; ++trail)); do
            ((trail == 127)) && continue
            hex=$(printf '%02X%02X' "$lead" "$trail")
            u=$(decode "$hex")
            if [ -n "$u" ]; then printf "D %s %s\n" "$hex" "${u^^}"; fi
        done
    done
} >"$tmp"

# Every character that came out of some code, encoded back.
awk '$1 == "D" { print $3 }' "$tmp" | sort -u >"$tmp.chars"
while read -r u; do
    esc="\\x${u:0:2}\\x${u:2:2}"
    b=$(printf "$esc" | iconv -f UTF-16BE -t CP932 | od -An -tx1 | tr -d ' \n')
    printf 'E %s %s\n' "$u" "${b^^}"
done <"$tmp.chars" >>"$tmp"
mv "$tmp" "$out"
chmod 644 "$out"
echo "wrote $out: $(grep -c '^D' "$out") codes, $(grep -c '^E' "$out") characters"
