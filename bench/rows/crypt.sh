# Encryption rows: the ciphers against a plain buffered copy of the same file.
bench_crypt() {
  local out="$WORK/crypt-out.bin" peer_out="$WORK/crypt-peer.bin" key="$WORK/crypt-key.bin"
  local bytes=$((BENCH_MIB * 1048576))
  # Flushing the previous run's dirty pages keeps its write-back out of the next timing.
  local clean="rm -f '$out' '$peer_out'; sync"
  make_random "$key" 1
  bench_row "encrypt XOR, 3-character text key" "dd bs=1M (copy)" \
    '1\n0\n1\n1\n1\n'"$INPUT"'\nabc\n'"$out"'\n\n6\n' \
    "dd if='$INPUT' of='$peer_out' bs=1M" "$bytes" 1.5 "$clean"
  bench_row "decrypt one-time-pad, 1 MiB key file" "dd bs=1M (copy)" \
    '1\n0\n2\n2\n2\n'"$INPUT"'\n'"$key"'\n'"$out"'\n\n6\n' \
    "dd if='$INPUT' of='$peer_out' bs=1M" "$bytes" 1.7 "$clean"
  rm -f "$out" "$peer_out" "$key"
}
