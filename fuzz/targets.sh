# Shared by scripts/fuzz and scripts/fuzz-smoke (sourced, not run): the fuzz targets, where
# their seeds and dictionaries are, how to build them and how to run one.

fuzz_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
fuzz_build=${QVCHAT_FUZZ_BUILD:-"$fuzz_root/build-fuzz"}

# target:seed-corpus:dictionary
fuzz_targets=(
  fuzz_incoming_stream:incoming_stream:stream
  fuzz_config:config:config
  fuzz_word_wrap:word_wrap:word_wrap
  fuzz_process_input:process_input:process_input
  fuzz_read_loop:read_loop:stream
  fuzz_text_matcher:text_matcher:text_matcher
  fuzz_key_decoder:key_decoder:key_decoder
  fuzz_name_list_file:name_list_file:name_list
  fuzz_log_records:log_records:log_records
  fuzz_triggers:triggers:triggers
)

# Above 65,537 bytes, so that one input can hold a full-size frame (3 + 65,534 bytes) and more.
fuzz_max_len=70000

# fuzz_build_targets [target...]: builds the targets named, or all of them.
fuzz_build_targets() {
  local targets=("$@")
  if [ "${#targets[@]}" -eq 0 ]; then
    targets=(fuzz_targets)
  fi
  CC=clang CXX=clang++ cmake -S "$fuzz_root" -B "$fuzz_build" -G Ninja -DQVCHAT_BUILD_FUZZ=ON \
    -DQVCHAT_BUILD_TESTS=OFF -DQVCHAT_BUILD_BENCH=OFF >/dev/null
  cmake --build "$fuzz_build" --target "${targets[@]}" -- -j"$(nproc)"
}

# fuzz_run <target> <seed-corpus> <dictionary> <seconds> <log> [runs]: fuzzes one target, at low
# priority, from its seeds plus what earlier runs found (kept in the build tree, not in the
# repository), for the seconds given or until it has run that many inputs (0 or -1: no limit);
# crash inputs land in the build tree's artifacts/<target>/. Returns libFuzzer's status.
fuzz_run() {
  local target=$1 seeds=$2 dict=$3 seconds=$4 log=$5 runs=${6:--1}
  local found="$fuzz_build/fuzz-corpus/$target" artifacts="$fuzz_build/artifacts/$target/"
  mkdir -p "$found" "$artifacts"
  nice -n 10 "$fuzz_build/fuzz/$target" "$found" "$fuzz_root/fuzz/corpus/$seeds" \
    -dict="$fuzz_root/fuzz/dict/$dict.dict" -max_len="$fuzz_max_len" \
    -max_total_time="$seconds" -runs="$runs" -timeout=60 -rss_limit_mb=4096 \
    -artifact_prefix="$artifacts" -print_final_stats=1 >"$log" 2>&1
}

# fuzz_replay <target>: runs every committed regression input of the target once.
fuzz_replay() {
  local target=$1 folder="$fuzz_root/fuzz/regressions/$1"
  local inputs=()
  if [ -d "$folder" ]; then
    mapfile -t inputs < <(find "$folder" -type f | sort)
  fi
  if [ "${#inputs[@]}" -eq 0 ]; then
    return 0
  fi
  "$fuzz_build/fuzz/$target" -runs=1 "${inputs[@]}" >"$fuzz_build/replay-$target.log" 2>&1
}

# fuzz_executions <log>: the number of inputs the run executed.
fuzz_executions() {
  sed -n 's/^stat::number_of_executed_units: *//p' "$1" | tail -n 1
}
