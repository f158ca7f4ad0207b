#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs them.
#
#   bash scripts/fuzz.sh            every target on its seeds for 600 s each (a real session)
#   bash scripts/fuzz.sh SECONDS    the same, SECONDS per target
#   bash scripts/fuzz.sh --check    what CI runs: every seed and every input of the kept corpus
#                                   once (a regression on a known input fails), then 15 s of
#                                   fuzzing per target
#
# New inputs found go to build-fuzz/corpus/<target>, crashes to build-fuzz/crashes/. An input
# that needs more than 2 GB or 10 s counts as a failure, as a crash does.
set -euo pipefail
cd "$(dirname "$0")/.."
check=0
seconds=600
if [ "${1:-}" = "--check" ]; then
  check=1
  seconds=15
elif [ -n "${1:-}" ]; then
  seconds="$1"
fi
# fuzz_archive finds a use-after-free inside Debian's libarchive 3.6.2 (its RAR5 reader) within
# seconds: CI replays its known inputs only, until the library is mended.
replay_only=" fuzz_archive "

bash scripts/setup.sh --fuzz
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTESSARO_FUZZ=ON -DTESSARO_BUILD_TESTS=OFF -DTESSARO_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target fuzzers
mkdir -p build-fuzz/crashes

options=(-rss_limit_mb=2048 -timeout=10)
status=0
run() {  # target log arguments...
  local target="$1" log="$2"
  shift 2
  if ! "build-fuzz/fuzz/$target" "${options[@]}" -artifact_prefix="build-fuzz/crashes/$target-" \
      "$@" >"$log" 2>&1; then
    echo "fuzz: $target failed; the input is in build-fuzz/crashes/, the log in $log"
    tail -n 40 "$log"
    status=1
    return 1
  fi
}
for seeds in build-fuzz/fuzz/*.seeds; do
  target="$(basename "$seeds" .seeds)"
  corpus="build-fuzz/corpus/$target"
  mkdir -p "$corpus"
  mapfile -t seed_dirs <"$seeds"
  if [ $check -eq 1 ]; then
    echo "fuzz: $target: the known inputs"
    run "$target" "build-fuzz/$target-replay.log" -runs=0 "$corpus" "${seed_dirs[@]}" || continue
    case "$replay_only" in *" $target "*) continue ;; esac
  fi
  echo "fuzz: $target for ${seconds}s"
  run "$target" "build-fuzz/$target.log" -max_total_time="$seconds" -print_final_stats=1 \
    "$corpus" "${seed_dirs[@]}" &&
    grep -E '^stat::number_of_executed_units' "build-fuzz/$target.log" || true
done
exit $status
