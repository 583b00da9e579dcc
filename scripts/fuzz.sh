#!/usr/bin/env bash
# Builds the libFuzzer targets with clang-14 in a build folder of their own and
# runs each for a bounded time. Exits non-zero as soon as a target finds a
# crash (the reproducer is left in the build folder).
#
# Usage: scripts/fuzz.sh [seconds-per-target] [build-folder]
#   seconds-per-target  default 30
#   build-folder        default ../build-fuzz beside the source tree
set -euo pipefail

secs="${1:-30}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${2:-${root}/../build-fuzz}"

if ! [[ "$secs" =~ ^[0-9]+$ ]] || [ "$secs" -lt 1 ]; then
  echo "fuzz.sh: seconds must be a positive number, got '$secs'" >&2
  exit 2
fi

CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZELMORA_FUZZ=ON -DZELMORA_BUILD_UI=OFF -DZELMORA_BUILD_TESTS=OFF \
  -DZELMORA_SANITIZE=OFF -DZELMORA_TSAN=OFF
cmake --build "$build" --target fuzz_status fuzz_records fuzz_replies

status=0
for target in fuzz_status fuzz_records fuzz_replies; do
  corpus="$build/corpus/$target"
  artifacts="$build/artifacts/$target/"
  mkdir -p "$corpus" "$artifacts"
  # Seeds are copied so the checked-in corpus never collects generated inputs.
  seeds="$root/fuzz/corpus/$target"
  if [ -d "$seeds" ]; then cp -n "$seeds"/* "$corpus"/ 2>/dev/null || true; fi
  echo "== $target for ${secs}s"
  if ! "$build/fuzz/$target" "$corpus" -max_len=9000 -max_total_time="$secs" -timeout=10 \
      -artifact_prefix="$artifacts" -print_final_stats=1; then
    echo "fuzz.sh: $target failed; reproducers in $artifacts" >&2
    status=1
    break
  fi
done
exit "$status"
