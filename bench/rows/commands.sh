# Rows of the batch commands: every digest of a file in one pass against rhash doing the same,
# many small files against sha256sum (where start-up counts), and compare, split and encode
# against the same operation through the menus.

bench_commands() {
  local bytes=$((BENCH_MIB * 1048576))

  if command -v rhash >/dev/null; then
    bench_command_row "sum --all (8 digests, one pass)" "rhash, the 7 standard digests" \
      "sum --all '$INPUT'" \
      "rhash --sha512 --sha384 --sha256 --sha224 --sha1 --ripemd160 --md5 '$INPUT'" "$bytes" 0.6
  else
    echo "sum --all: skipped, rhash is missing (scripts/setup-deps rhash)" >&2
  fi

  # A thousand files of 4 KiB.
  local many="$WORK/many" k
  mkdir -p "$many"
  for ((k = 0; k < 1000; k++)); do head -c 4096 "$INPUT" | tail -c +$((k + 1)) >"$many/f$k"; done
  sync
  # Runs of a few milliseconds swing with whatever else the machine does; more of them steady
  # the medians.
  BENCH_RUNS=$((BENCH_RUNS * 3)) bench_command_row "sum --sha256, 1000 files of about 4 KiB" "sha256sum" \
    "sum --sha256 '$many'/*" "sha256sum '$many'/*" $((1000 * 4096)) 0.6
  "$VARNELO" sum --sha256 "$many"/* | sha256sum --check --status || echo "sum: sha256sum disagrees" >&2
  rm -rf "$many"

  cp "$INPUT" "$WORK/copy.bin"
  bench_command_row "compare, equal files" "the same through the menus" \
    "compare '$INPUT' '$WORK/copy.bin'" \
    "'$VARNELO' <<<\$'1\\n3\\n1\\n$INPUT\\n$WORK/copy.bin\\n\\n6\\n'" "$bytes" 1.05
  rm -f "$WORK/copy.bin"

  # Every timed run starts with nothing of the last one's pieces waiting to be written back.
  bench_command_row "split --pieces 4" "the same through the menus" \
    "split '$INPUT' --pieces 4" \
    "'$VARNELO' <<<\$'1\\n1\\n1\\n$INPUT\\n4\\n1\\n\\n6\\n'" "$bytes" 1.05 \
    "rm -f '$INPUT'.00[1-4]; sync"
  rm -f "$INPUT".00[1-4]

  # The encoding rows' size: the text runs to 1.35 times the data.
  local data="$WORK/encode.bin" text="$WORK/encoded" mib=256
  make_random "$data" "$mib"
  bench_command_row "encode --base64 (256 MiB)" "the same through the menus" \
    "encode --base64 '$data' '$text'" \
    "'$VARNELO' <<<\$'1\\n0\\n3\\n3\\n$data\\n$text\\n77\\n\\n6\\n'" $((mib * 1048576)) 1.05 \
    "rm -f '$text' '$text.txt'; sync"
  rm -f "$data" "$text" "$text.txt"
}
