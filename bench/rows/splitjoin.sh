# Split and join rows: cutting the input into 4 equal pieces beside it, joining 4 pieces back, and
# joining a set that is checked against its list of sums.

bench_splitjoin() {
  local bytes=$((BENCH_MIB * 1048576))

  bench_row "split into 4 equal pieces" "split -n 4" \
    '1\n1\n1\n'"$INPUT"'\n4\n1\n\n6\n' \
    "cd '$WORK/split-peer' && split -n 4 '$INPUT' part." \
    "$bytes" 0.8 \
    "rm -f '$INPUT'.00[1-4]; rm -rf '$WORK/split-peer'; mkdir '$WORK/split-peer'"
  rm -rf "$INPUT".00[1-4] "$WORK/split-peer"
  printf '1\n1\n1\n%s\n4\n1\n\n6\n' "$INPUT" | "$VARNELO" >/dev/null
  cat "$INPUT".00[1-4] | cmp -s - "$INPUT" || echo "split: the pieces do not add up to the input" >&2
  rm -f "$INPUT".00[1-4]

  # The same four pieces as the split above writes (equal sizes), under the names a join looks for.
  split -n 4 -a 3 --numeric-suffixes=1 "$INPUT" "$WORK/joined.bin."
  bench_row "automatic join of 4 pieces" "cat pieces > file" \
    '1\n2\n1\n'"$WORK/joined.bin"'.001\n\n6\n' \
    "cat '$WORK'/joined.bin.00[1-4] > '$WORK/cat.bin'" \
    "$bytes" 1.0 \
    "rm -f '$WORK/joined.bin' '$WORK/cat.bin'"
  printf '1\n2\n1\n%s.001\n\n6\n' "$WORK/joined.bin" | "$VARNELO" >/dev/null
  cmp -s "$INPUT" "$WORK/joined.bin" || echo "automatic join: the joined file differs from the input" >&2
  rm -f "$WORK"/joined.bin* "$WORK/cat.bin"

  # A set of 16 pieces with its list of sums: the join checks every piece as it copies it, and
  # should take little longer than hashing the same pieces alone on every core.
  "$VARNELO" split "$INPUT" --pieces 16 --sums --prefix "$WORK/set" >/dev/null
  # The hashing threads hold a few buffers each beside the copy's.
  BENCH_PEAK_KIB=16384 bench_command_row "join with its list (16 pieces)" "varnelo sum -j 2 of the pieces" \
    "join '$WORK/set.001'" \
    "'$VARNELO' sum -j 2 '$WORK'/set.0[0-9][0-9]" \
    "$bytes" 1.1 \
    "rm -f '$WORK/set'; sync"
  "$VARNELO" join -f "$WORK/set.001" && cmp -s "$INPUT" "$WORK/set" ||
    echo "join with its list: the joined file differs from the input" >&2
  rm -f "$WORK"/set*
}
