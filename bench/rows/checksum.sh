# Checksum rows: every type of the checksum menu on $INPUT, against the standard tool computing
# the same digest in the same run (Checksum64 against reading the file with cat).
bench_checksum() {
  local bytes=$((BENCH_MIB * 1048576))
  local row
  # SHA-2 variant answer, name, openssl option and target ratio.
  for row in "1 SHA-512 sha512 1.1" "2 SHA-384 sha384 1.1" "3 SHA-256 sha256 0.9" "4 SHA-224 sha224 0.9"; do
    set -- $row
    bench_row "checksum $2" "openssl dgst -$3" '1\n4\n1\n'"$INPUT"'\n'"$1"'\nn\n\n6\n' \
      "openssl dgst -$3 '$INPUT'" "$bytes" "$4"
  done
  bench_row "checksum SHA-1" "openssl dgst -sha1" '1\n4\n2\n'"$INPUT"'\nn\n\n6\n' \
    "openssl dgst -sha1 '$INPUT'" "$bytes" 0.9
  if command -v rhash >/dev/null; then
    bench_row "checksum RIPEMD-160" "rhash --ripemd160" '1\n4\n3\n'"$INPUT"'\nn\n\n6\n' \
      "rhash --ripemd160 '$INPUT'" "$bytes" 1.0
  else
    echo "checksum RIPEMD-160: skipped, rhash is missing (scripts/setup-deps rhash)" >&2
  fi
  bench_row "checksum MD5" "openssl dgst -md5" '1\n4\n4\n'"$INPUT"'\nn\n\n6\n' \
    "openssl dgst -md5 '$INPUT'" "$bytes" 1.1
  # At least 2.5 GiB/s: cat reads a warm file at about 5 GiB/s here, so at most twice its time.
  bench_row "checksum Checksum64" "cat FILE > /dev/null" '1\n4\n5\n'"$INPUT"'\nn\n\n6\n' \
    "cat '$INPUT' > /dev/null" "$bytes" 2.0
}
