#!/usr/bin/env bash
# Builds the libFuzzer targets with clang-14 in a build folder of their own and
# runs each for a bounded time: one target per input that a server or an
# operator's file reaches. Exits non-zero as soon as a target finds a crash
# (the reproducer is left in the build folder). Each target's last figures
# (runs, coverage, corpus) are collected in <build-folder>/summary.txt.
#
# Usage: scripts/fuzz.sh [seconds-per-target] [build-folder] [target...]
#   seconds-per-target  default 30
#   build-folder        default ../build-fuzz beside the source tree
#   target...           default: all of them
# FUZZ_PARALLEL=N runs N targets at a time (default 1); FUZZ_BUILD_ONLY=1 only
# builds them.
set -euo pipefail

secs="${1:-30}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${2:-${root}/../build-fuzz}"
shift $(( $# < 2 ? $# : 2 ))
ALL=(fuzz_status fuzz_statustable fuzz_console fuzz_listings fuzz_cvarreply fuzz_rpf
  fuzz_namelists fuzz_guidtext fuzz_guidsdat fuzz_configini fuzz_records fuzz_commands)
targets=("$@")
((${#targets[@]})) || targets=("${ALL[@]}")
parallel="${FUZZ_PARALLEL:-1}"

if ! [[ "$secs" =~ ^[0-9]+$ ]] || [ "$secs" -lt 1 ]; then
  echo "fuzz.sh: seconds must be a positive number, got '$secs'" >&2
  exit 2
fi

CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZELMORA_FUZZ=ON -DZELMORA_BUILD_UI=OFF -DZELMORA_BUILD_TESTS=OFF \
  -DZELMORA_SANITIZE=OFF -DZELMORA_TSAN=OFF >/dev/null
cmake --build "$build" --target "${targets[@]}"
# FUZZ_BUILD_ONLY=1: built, not run.
if [ -n "${FUZZ_BUILD_ONLY:-}" ]; then exit 0; fi

run_one() {
  local target=$1
  local corpus="$build/corpus/$target"
  local artifacts="$build/artifacts/$target/"
  mkdir -p "$corpus" "$artifacts"
  # Seeds are copied so the checked-in corpus never collects generated inputs.
  local seeds="$root/fuzz/corpus/$target"
  if [ -d "$seeds" ]; then cp -n "$seeds"/* "$corpus"/ 2>/dev/null || true; fi
  "$build/fuzz/$target" "$corpus" -max_len=9000 -max_total_time="$secs" -timeout=10 \
    -artifact_prefix="$artifacts" -print_final_stats=1 >"$build/$target.log" 2>&1
}

status=0
: >"$build/summary.txt"
pending=("${targets[@]}")
while ((${#pending[@]})); do
  batch=("${pending[@]:0:parallel}")
  pending=("${pending[@]:parallel}")
  pids=()
  for t in "${batch[@]}"; do
    echo "== $t for ${secs}s"
    run_one "$t" & pids+=($!)
  done
  for i in "${!pids[@]}"; do
    t=${batch[$i]}
    if wait "${pids[$i]}"; then result=ok; else result=FAILED; status=1; fi
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$build/$t.log" | grep -o '[0-9]*$' || true)
    last=$(grep -E '^#[0-9]+[[:space:]]+(DONE|pulse|NEW|REDUCE|INITED)' "$build/$t.log" | tail -1 || true)
    cov=$(echo "$last" | grep -o 'cov: [0-9]*' | grep -o '[0-9]*' || true)
    ft=$(echo "$last" | grep -o 'ft: [0-9]*' | grep -o '[0-9]*' || true)
    corp=$(echo "$last" | grep -o 'corp: [0-9]*' | grep -o '[0-9]*' || true)
    crashes=$(find "$build/artifacts/$t" -type f | wc -l)
    printf '%s %s seconds=%s runs=%s cov=%s ft=%s corpus=%s crashes=%s\n' "$t" "$result" "$secs" \
      "${runs:-?}" "${cov:-?}" "${ft:-?}" "${corp:-?}" "$crashes" | tee -a "$build/summary.txt"
    if [ "$result" != ok ]; then
      echo "fuzz.sh: $t failed; reproducers in $build/artifacts/$t/" >&2
      tail -30 "$build/$t.log" >&2
    fi
  done
  [ "$status" -eq 0 ] || break
done
exit "$status"
