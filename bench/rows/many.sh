# Rows of many files: several hashed at once across the cores, against the standard tool and
# against one file at a time; a folder walked whole; a thousand small files.

bench_many() {
  local big="$WORK/big" many="$WORK/many" k
  # A few buffers per job.
  local BENCH_PEAK_KIB=16384
  local bytes=$((8 * 128 * 1048576))
  mkdir -p "$big" "$many"
  for ((k = 0; k < 8; k++)); do make_random "$big/f$k" 128; done
  sync
  bench_command_row "sum, 8 files of 128 MiB" "sha256sum" "sum '$big'/*" "sha256sum '$big'/*" "$bytes" 0.6
  bench_command_row "sum, 8 files of 128 MiB" "varnelo sum -j 1" "sum '$big'/*" \
    "'$VARNELO' sum -j 1 '$big'/*" "$bytes" 0.6
  sha256sum "$big"/* >"$WORK/big.sha256"
  bench_command_row "sum --check, 8 files of 128 MiB" "sha256sum -c" "sum --check '$WORK/big.sha256'" \
    "sha256sum -c '$WORK/big.sha256'" "$bytes" 0.6
  bench_command_row "sum --check, 8 files of 128 MiB" "varnelo sum --check -j 1" \
    "sum --check '$WORK/big.sha256'" "'$VARNELO' sum --check -j 1 '$WORK/big.sha256'" "$bytes" 0.6
  rm -rf "$big" "$WORK/big.sha256"

  for ((k = 0; k < 1000; k++)); do head -c 4096 "$INPUT" | tail -c +$((k + 1)) >"$many/f$k"; done
  sync
  # Runs of a few milliseconds swing with whatever else the machine does; more of them steady
  # the medians.
  BENCH_RUNS=$((BENCH_RUNS * 3)) bench_command_row "sum -r, folder of 1000 files of about 4 KiB" "find | sort | xargs sha256sum" \
    "sum -r '$many'" "find '$many' -type f | sort | xargs sha256sum" $((1000 * 4096)) 0.6
  "$VARNELO" sum -r "$many" | sha256sum --check --status || echo "sum -r: sha256sum disagrees" >&2
  rm -rf "$many"
}
