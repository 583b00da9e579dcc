#!/usr/bin/env bash
# Installs what Zelmora needs, cross-compiles the plain layers for Windows,
# builds everything with AddressSanitizer and UndefinedBehaviorSanitizer,
# runs every test, runs the engine and player history tests again under
# ThreadSanitizer, builds the Debian package (the one build with Unix
# Makefiles) and checks it with lintian, and gives every fuzzer a bounded run.
# The thread sanitizer tree, the package and the fuzzers are built while
# the sanitizer tests run.
#
#   bash scripts/test.sh                  everything (what CI runs)
#   SKIP_WIN=1 SKIP_TSAN=1 SKIP_PACKAGE=1 SKIP_FUZZ=1
#                                         only the sanitizer build and its tests
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
JOBS=${JOBS:-$(nproc)}

bash scripts/install-deps.sh

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

if [ -z "${SKIP_WIN:-}" ]; then
  # The plain layers' Windows branches (Winsock, registry, wide file API) and
  # their Qt-free tests, compiled and linked with mingw-w64. CI only builds
  # them; WINE_TESTS=1 also runs the tests under Wine (package wine64, not
  # installed by install-deps.sh).
  echo "== Windows cross build (plain layers, mingw-w64)"
  cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" -DZELMORA_PLAIN_ONLY=ON \
    -DCMAKE_CROSSCOMPILING_EMULATOR="${WINE_TESTS:+/usr/lib/wine/wine64}" >/dev/null
  cmake --build build/win -j "$JOBS"
  if [ -n "${WINE_TESTS:-}" ]; then
    echo "== Windows tests (Wine)"
    WINEDEBUG=-all ctest --test-dir build/win --output-on-failure
  fi
fi

# The sanitizer trees are built with clang and lld: they compile and link in
# well under two thirds of GCC's time, and the package's build below keeps
# GCC at work. Line tables are all a sanitizer's report needs.
SAN_COMPILER=(-DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld
  -DCMAKE_CXX_FLAGS_DEBUG=-gline-tables-only)

echo "== build (address + undefined sanitizers)"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZELMORA_SANITIZE=ON \
  "${SAN_COMPILER[@]}" >/dev/null
cmake --build build/asan -j "$JOBS"

# The sanitizer tests mostly wait on timers and servers. Beside them, at a
# lower priority, the thread sanitizer tree is built, and at the lowest the
# package and the fuzzers. Each job runs in a process group of its own that
# goes with this script; its output is shown when it is waited for.
bg_pids=()
stop_background() {
  local pid
  for pid in "${bg_pids[@]}"; do kill -- "-$pid" 2>/dev/null || true; done
}
trap stop_background EXIT
# start_background NICENESS LOG SCRIPT: runs SCRIPT (bash, ROOT as $1);
# its pid is left in bg_pid.
start_background() {
  setsid -w nice -n "$1" bash -c "set -euo pipefail; $3" background "$ROOT" >"$2" 2>&1 &
  bg_pid=$!
  bg_pids+=("$bg_pid")
}
# wait_background PID LOG WHAT: waits for the job, shows its output, ends
# this script with the job's status when it failed.
wait_background() {
  local status=0
  wait "$1" || status=$?
  cat "$2"
  if [ "$status" -ne 0 ]; then
    echo "== $3 failed (exit $status)" >&2
    exit "$status"
  fi
}

pkg_pid=""
if [ -z "${SKIP_PACKAGE:-}" ] || [ -z "${SKIP_FUZZ:-}" ]; then
  # The package is also CI's one build with Unix Makefiles, CMake's default
  # generator: from a fresh folder, as a packager builds (Ninja makes the
  # folders of a command's outputs by itself and would hide a missing one).
  start_background 19 "$ROOT/build/package-and-fuzzers.log" '
    if [ -z "${SKIP_PACKAGE:-}" ]; then
      echo "== Debian package (CPack, Unix Makefiles from a fresh folder) and lintian"
      bash scripts/package.sh "$1/build/package"
    fi
    if [ -z "${SKIP_FUZZ:-}" ]; then
      echo "== fuzzers (build)"
      FUZZ_BUILD_ONLY=1 bash scripts/fuzz.sh 1 "$1/build/fuzz"
    fi'
  pkg_pid=$bg_pid
fi

tsan_pid=""
if [ -z "${SKIP_TSAN:-}" ]; then
  cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZELMORA_TSAN=ON -DZELMORA_BUILD_UI=OFF \
    -DZELMORA_BUILD_TOOLS=OFF "${SAN_COMPILER[@]}" >/dev/null
  # Only the tests run there are built (a test's target has its name).
  # tools_test_testserver_main starts the test server with QProcess, whose
  # clone() clang 14's ThreadSanitizer runtime cannot follow (a CHECK in its
  # fork handling fails); it has no threads of its own to check and runs in
  # the sanitizer build above, the server's threads in tools_test_testserver.
  TSAN_SKIP=tools_test_testserver_main
  TSAN_LABELS='engine|tools|history'
  mapfile -t tsan_tests < <(ctest --test-dir build/tsan -N -L "$TSAN_LABELS" -E "$TSAN_SKIP" |
    sed -n 's/^ *Test *#[0-9]*: //p')
  start_background 10 "$ROOT/build/tsan-build.log" \
    "cmake --build build/tsan -j $JOBS --target ${tsan_tests[*]}"
  tsan_pid=$bg_pid
fi

echo "== tests (address + undefined sanitizers)"
ctest --test-dir build/asan --output-on-failure -j "$JOBS"

if [ -n "$tsan_pid" ]; then
  echo "== engine and player history tests (thread sanitizer)"
  wait_background "$tsan_pid" "$ROOT/build/tsan-build.log" "the thread sanitizer build"
  # Qt is not built with ThreadSanitizer; the suppressions name Qt frames only.
  TSAN_OPTIONS="suppressions=$ROOT/tests/engine/tsan.supp halt_on_error=1" \
    ctest --test-dir build/tsan --output-on-failure -j "$JOBS" -L "$TSAN_LABELS" -E "$TSAN_SKIP"
fi

if [ -n "$pkg_pid" ]; then
  wait_background "$pkg_pid" "$ROOT/build/package-and-fuzzers.log" "the package or the fuzzers' build"
fi

if [ -z "${SKIP_FUZZ:-}" ] && [ -f scripts/fuzz.sh ]; then
  echo "== fuzzers (bounded run)"
  FUZZ_PARALLEL=${FUZZ_PARALLEL:-2} bash scripts/fuzz.sh "${FUZZ_SECONDS:-10}" "$ROOT/build/fuzz"
fi
echo "== all tests passed"
