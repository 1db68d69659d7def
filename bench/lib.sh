# Shared pieces of the benchmark; sourced by bench/run and by the row files in bench/rows/.
# A row file rows/NAME.sh defines a function bench_NAME that calls bench_row once per row.

BENCH_MIB=${BENCH_MIB:-1024}   # size of the default input, in MiB
BENCH_RUNS=${BENCH_RUNS:-5}    # timed runs per side; the median is reported

bench_setup() {
  ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  cmake --preset bench -S "$ROOT" >/dev/null
  cmake --build --preset bench >/dev/null
  VARNELO="$ROOT/build-bench/varnelo"
  WORK=$(mktemp -d "${BENCH_TMP:-/tmp}/varnelo-bench-XXXXXX")
  trap 'rm -rf "$WORK"' EXIT
  INPUT="$WORK/input.bin"
  make_random "$INPUT" "$BENCH_MIB"
  # Written back before any row: the system's write-back would otherwise take a core from the
  # first rows' runs.
  sync
  printf '%-44s %9s %9s %9s  %-28s %9s %7s %7s %9s  %s\n' operation "ours s" "user s" "MiB/s" peer "peer s" ratio \
    target "peak MiB" verdict
}

# make_random FILE MIB: a file of random bytes.
make_random() {
  head -c $(( $2 * 1048576 )) /dev/urandom >"$1"
}

# Seconds taken by one shell command, timed inside the shell that runs it: the start of a shell
# (and of `date`) costs a few milliseconds, as much as a whole run over small files.
time_command() {
  bash -c 'start=$EPOCHREALTIME; eval "$1" >/dev/null 2>&1; end=$EPOCHREALTIME
    echo "$end - $start" | bc -l' _ "$1"
}

median() {
  sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# bench_row OPERATION PEER_LABEL ANSWERS PEER_COMMAND BYTES TARGET [SETUP_COMMAND]
#   ANSWERS        what is typed into the program (printf escapes allowed), ending at its exit
#   PEER_COMMAND   the standard tool doing the same job, as a shell command
#   BYTES          bytes processed, for the MiB/s figure
#   TARGET         the highest acceptable ratio of our time to the peer's
#   SETUP_COMMAND  run, untimed, before every timed run of either side (removing outputs, say)
# Runs both sides alternately BENCH_RUNS times, then prints medians, ratio and peak memory. Our
# user CPU time is printed too: on a virtual machine the system time of writing fresh page cache
# swings far more than the work the program itself does.
bench_row() {
  local answers_file="$WORK/answers-$RANDOM.txt"
  printf "$3" >"$answers_file"
  bench_timed "$1" "$2" "'$VARNELO' <'$answers_file'" "$4" "$5" "$6" "${7:-true}"
}

# bench_command_row OPERATION PEER_LABEL ARGUMENTS PEER_COMMAND BYTES TARGET [SETUP_COMMAND]
#   ARGUMENTS      the command line after the program's name, as shell words
# The same as bench_row, for the program run as a command.
bench_command_row() {
  bench_timed "$1" "$2" "'$VARNELO' $3" "$4" "$5" "$6" "${7:-true}"
}

# Both kinds of row: OUR_COMMAND is the shell command that runs the program. Its peak memory
# must stay under BENCH_PEAK_KIB (8 MiB unless a row set says otherwise).
bench_timed() {
  local operation=$1 peer=$2 our_command=$3 peer_command=$4 bytes=$5 target=$6 setup=$7
  local ours=() users=() theirs=() peak=0 run
  for ((run = 0; run < BENCH_RUNS; run++)); do
    bash -c "$setup" >/dev/null 2>&1 || true
    ours+=("$(time_command "$our_command")")
    # Peak memory and user time come from a run of their own: the measuring program would add
    # its own start to the time.
    bash -c "$setup" >/dev/null 2>&1 || true
    bash -c "/usr/bin/time -f '%M %U' -o '$WORK/memory' $our_command" >/dev/null 2>&1 || true
    local kib user
    read -r kib user < <(tail -n 1 "$WORK/memory")
    users+=("$user")
    ((kib > peak)) && peak=$kib
    bash -c "$setup" >/dev/null 2>&1 || true
    theirs+=("$(time_command "$peer_command")")
  done
  local our_time our_user their_time ratio rate verdict
  our_time=$(printf '%s\n' "${ours[@]}" | median)
  our_user=$(printf '%s\n' "${users[@]}" | median)
  their_time=$(printf '%s\n' "${theirs[@]}" | median)
  ratio=$(echo "$our_time / $their_time" | bc -l)
  rate=$(echo "$bytes / 1048576 / $our_time" | bc -l)
  verdict=met
  (($(echo "$ratio > $target" | bc -l))) && verdict=MISSED
  (($(echo "$peak > ${BENCH_PEAK_KIB:-8192}" | bc -l))) && verdict="$verdict, memory MISSED"
  printf '%-44s %9.3f %9.2f %9.0f  %-28s %9.3f %7.2f %7s %9.1f  %s\n' "$operation" "$our_time" "$our_user" \
    "$rate" "$peer" \
    "$their_time" "$ratio" "$target" "$(echo "$peak / 1024" | bc -l)" "$verdict"
}
