#!/usr/bin/env bash
# Builds Ravlin and runs every test: the include direction between the layers, language
# texts by name and never by number, the normal build (core, command-line tool, simulator,
# desktop program and its offscreen GUI tests), every test again under AddressSanitizer +
# UndefinedBehaviorSanitizer, the worker tests and the desktop program's tests under
# ThreadSanitizer, and each fuzz harness for a short while.
# Warnings are errors in every build here.
#   FUZZ_SECONDS   seconds per fuzz harness (default 10)
#   JOBS           parallel build jobs (default 2)
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
JOBS=${JOBS:-2}
FUZZ_SECONDS=${FUZZ_SECONDS:-10}

# Each stage's time is printed when it ends, so a slow stage shows in the log.
stage_name=""
stage_start=$SECONDS
stage() {
  [ -n "$stage_name" ] && echo "-- $stage_name: $((SECONDS - stage_start)) s"
  stage_name=$1
  stage_start=$SECONDS
  [ -n "$1" ] && echo "== $1 =="
  return 0
}

stage "packages"
bash scripts/setup.sh || exit 1

passed=0
failed=0
status=0

# Runs ctest in a build folder and adds its counts to the totals.
run_ctest() {
  local dir=$1; shift
  local log
  log=$(mktemp)
  (cd "$dir" && ctest --output-on-failure --timeout 600 -j "$JOBS" "$@") 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  local line total nfail
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
  if [ -n "$line" ]; then
    nfail=$(echo "$line" | sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/')
    total=$(echo "$line" | sed -E 's/.* failed out of ([0-9]+).*/\1/')
    passed=$((passed + total - nfail))
    failed=$((failed + nfail))
  elif [ "$rc" -ne 0 ]; then
    failed=$((failed + 1))
  fi
  rm -f "$log"
  [ "$rc" -eq 0 ] || status=1
}

# Every build here treats warnings as errors (a plain user build does not).
# build DIR [CMAKE OPTIONS...] [-- TARGETS...]: configures and builds DIR (every target
# unless some are named).
build() {
  local dir=$1; shift
  local options=() targets=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do options+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  targets=("$@")
  cmake -S "$ROOT" -B "$dir" -G Ninja -DRAVLIN_WERROR=ON "${options[@]}" >/dev/null ||
    { echo "configure $dir failed"; return 1; }
  if [ ${#targets[@]} -gt 0 ]; then
    cmake --build "$dir" -j "$JOBS" --target "${targets[@]}" || { echo "build $dir failed"; return 1; }
  else
    cmake --build "$dir" -j "$JOBS" || { echo "build $dir failed"; return 1; }
  fi
}

stage "include direction between the layers, language texts by name, formatting"
for check in check-layers.sh check-texts.sh check-format.sh; do
  if bash "scripts/$check"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1)); status=1
  fi
done

stage "build and test"
if build build -DCMAKE_BUILD_TYPE=RelWithDebInfo; then
  run_ctest build
else
  status=1; failed=$((failed + 1))
fi

stage "every test, the desktop program's included, under AddressSanitizer + UBSan"
if build build-asan -DCMAKE_BUILD_TYPE=Debug -DRAVLIN_SANITIZE=ON -DRAVLIN_BENCH=OFF; then
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    run_ctest build-asan
else
  status=1; failed=$((failed + 1))
fi

# The worker and session tests and the desktop program's tests under ThreadSanitizer. Qt is
# not instrumented: its own locking is invisible to the sanitizer, so only what our code does
# is checked (ignore_noninstrumented_modules); our hand-overs between the window thread and
# the workers use std::mutex and std::thread, which it sees. Tests that run other programs
# (LibreOffice, the demo's settings script) fork: the child only executes the program.
stage "worker, session and desktop program tests under ThreadSanitizer"
# Only the programs these tests need are built, which keeps this stage short.
tsan_targets="test_receiver test_bridge ravlin-sim ravlin-cli"
for t in tests/ui/*.cpp; do tsan_targets="$tsan_targets gui_$(basename "$t" .cpp)"; done
# shellcheck disable=SC2086
if build build-tsan -DCMAKE_BUILD_TYPE=Debug -DRAVLIN_TSAN=ON -DRAVLIN_BENCH=OFF -- $tsan_targets; then
  TSAN_OPTIONS="halt_on_error=1 ignore_noninstrumented_modules=1 die_after_fork=0" \
    run_ctest build-tsan -R '^(receiver\.|bridge\.|gui\.)'
else
  status=1; failed=$((failed + 1))
fi

if ls fuzz/fuzz_*.cpp >/dev/null 2>&1; then
  stage "fuzz harnesses, ${FUZZ_SECONDS}s each"
  if CC=clang CXX=clang++ build build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRAVLIN_FUZZ=ON \
       -DRAVLIN_GUI=OFF -DRAVLIN_BENCH=OFF -DBUILD_TESTING=OFF; then
    for h in build-fuzz/bin/fuzz_*; do
      name=$(basename "$h")
      corpus=$(mktemp -d)
      # Seeds: fuzz/seeds/<name>/ when present, otherwise the delivered data files.
      if [ -d "fuzz/seeds/$name" ]; then cp -r "fuzz/seeds/$name/." "$corpus/"; else cp data/*.* "$corpus/" 2>/dev/null; fi
      # The longest input: the harness's "// max_len: N" line, long enough to reach the
      # limits of what it reads (libFuzzer's own default is 4096 bytes).
      maxlen=$(sed -n 's#^// max_len: \([0-9][0-9]*\).*#\1#p' "fuzz/$name.cpp" | head -1)
      if "$h" -max_total_time="$FUZZ_SECONDS" -rss_limit_mb=2048 -print_final_stats=0 \
           ${maxlen:+-max_len="$maxlen"} "$corpus" >"build-fuzz/$name.log" 2>&1; then
        echo "fuzz $name: ok ($(grep -c . "build-fuzz/$name.log") log lines)"
        passed=$((passed + 1))
      else
        echo "fuzz $name: FAILED"; tail -40 "build-fuzz/$name.log"
        failed=$((failed + 1)); status=1
      fi
      rm -rf "$corpus"
    done
  else
    status=1; failed=$((failed + 1))
  fi
fi

stage ""
echo
echo "all: $passed passed, $failed failed in $SECONDS s"
exit $status
