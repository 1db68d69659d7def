# Encoding and decoding text against coreutils base64 and basenc, on a 256 MiB file of its own.
# Every timed run starts with no output left and nothing waiting to be written back, since the
# outputs run to gigabytes. Each side decodes the same text: base64's 76-column lines, basenc's upper-case hexadecimal and
# its unbroken binary digits.

bench_encoding() {
  local data="$WORK/encoding.bin" mime="$WORK/encoding.b64" hex="$WORK/encoding.hex" bits="$WORK/encoding.bits"
  local ours="$WORK/ours" theirs="$WORK/theirs" mib=256
  make_random "$data" "$mib"
  base64 -w 76 "$data" >"$mime"
  basenc --base16 -w0 "$data" >"$hex"
  basenc --base2msbf -w0 "$data" >"$bits"
  sync
  local bytes=$((mib * 1048576)) clean="rm -f '$ours' '$ours.txt' '$theirs'; sync"
  # Typed: English, extra-feature menu, encode (3) or decode (4), mode, paths, ..., exit (6).
  local encode='1\n0\n3\n' decode='1\n0\n4\n'

  bench_row "encode MIME, 77 per line" "base64 -w 76" \
    "$encode"'3\n'"$data"'\n'"$ours"'\n77\n\n6\n' "base64 -w 76 '$data' >'$theirs'" "$bytes" 0.5 "$clean"
  bench_row "decode MIME" "base64 -d" \
    "$decode"'3\n'"$mime"'\n'"$ours"'\n\n6\n' "base64 -d '$mime' >'$theirs'" "$(stat -c %s "$mime")" 0.5 "$clean"
  bench_row "encode hexadecimal, 65535 per line" "basenc --base16 -w0" \
    "$encode"'2\n'"$data"'\n'"$ours"'\n65535\n\n6\n' "basenc --base16 -w0 '$data' >'$theirs'" "$bytes" 0.5 "$clean"
  bench_row "decode hexadecimal (upper case)" "basenc -d --base16" \
    "$decode"'2\n'"$hex"'\n'"$ours"'\n\n6\n' "basenc -d --base16 '$hex' >'$theirs'" "$(stat -c %s "$hex")" 0.25 "$clean"
  bench_row "encode binary, 65535 per line" "basenc --base2msbf -w0" \
    "$encode"'1\n'"$data"'\n'"$ours"'\n65535\n\n6\n' "basenc --base2msbf -w0 '$data' >'$theirs'" "$bytes" 0.3 "$clean"
  bench_row "decode binary" "basenc -d --base2msbf" \
    "$decode"'1\n'"$bits"'\n'"$ours"'\n\n6\n' "basenc -d --base2msbf '$bits' >'$theirs'" "$(stat -c %s "$bits")" 0.25 "$clean"
  # The decode command reads strictly, finding any character outside the notation.
  bench_command_row "decode --base64 command" "base64 -d" \
    "decode --base64 '$mime' '$ours'" "base64 -d '$mime' >'$theirs'" "$(stat -c %s "$mime")" 0.5 "$clean"
  bench_command_row "decode --hex command (upper case)" "basenc -d --base16" \
    "decode --hex '$hex' '$ours'" "basenc -d --base16 '$hex' >'$theirs'" "$(stat -c %s "$hex")" 0.25 "$clean"
  bench_command_row "decode --binary command" "basenc -d --base2msbf" \
    "decode --binary '$bits' '$ours'" "basenc -d --base2msbf '$bits' >'$theirs'" "$(stat -c %s "$bits")" 0.25 "$clean"
  "$VARNELO" decode --binary "$bits" "$ours" && cmp -s "$ours" "$data" || echo "decode --binary: wrong bytes" >&2
  rm -f "$data" "$mime" "$hex" "$bits" "$ours" "$ours.txt" "$theirs"
}
