# Rows of the compare screen: equality against cmp, containment against a Python search over
# mmap (the pyenv 3.11.7 build; Debian's 3.11.2 crashes on the adversarial case).
PYTHON=${BENCH_PYTHON:-/root/.pyenv/versions/3.11.7/bin/python3}

bench_compare() {
  local bytes=$((BENCH_MIB * 1048576)) here
  here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  local count="$PYTHON $here/count_occurrences.py"

  # Equality of two identical files.
  cp "$INPUT" "$WORK/copy.bin"
  bench_row "compare: equal files" "cmp" \
    '1\n3\n1\n'"$INPUT"'\n'"$WORK/copy.bin"'\n\n6\n' \
    "cmp '$INPUT' '$WORK/copy.bin'" "$bytes" 0.8
  rm -f "$WORK/copy.bin"

  # A 1 MiB slice taken near the end of the random input, searched for in the whole input.
  dd if="$INPUT" of="$WORK/slice.bin" bs=1048576 skip=$((BENCH_MIB - 3)) count=1 status=none
  bench_row "compare: 1 MiB part in random host" "python mmap + bytes.find" \
    '1\n3\n2\n'"$WORK/slice.bin"'\n'"$INPUT"'\n\n6\n' \
    "$count '$INPUT' '$WORK/slice.bin'" "$bytes" 1.5

  # Adversarial: every start nearly matches. 256 MiB of "a" ending in "b", and a part of
  # 4,095 "a" and one "b": the only occurrence is at the very end.
  local host="$WORK/run_of_a.bin" part="$WORK/a4095b.bin" adversarial=$((256 * 1048576))
  { head -c $((adversarial - 1)) /dev/zero | tr '\0' a; printf b; } >"$host"
  { head -c 4095 /dev/zero | tr '\0' a; printf b; } >"$part"
  bench_row "compare: a...ab part in a...ab host" "python mmap + bytes.find" \
    '1\n3\n2\n'"$part"'\n'"$host"'\n\n6\n' \
    "$count '$host' '$part'" "$adversarial" 0.5
  printf '1\n3\n1\n%s\n%s\n\n6\n' "$host" "$host" >"$WORK/equal_answers.txt"
  bench_row "compare: a...ab part in a...ab host" "our equality of that host" \
    '1\n3\n2\n'"$part"'\n'"$host"'\n\n6\n' \
    "'$VARNELO' <'$WORK/equal_answers.txt'" "$adversarial" 1.5
  rm -f "$host" "$part" "$WORK/slice.bin"
}
