#!/usr/bin/env bash
# Builds the library and runs every test: once as a plain build (and its API documentation), with the locale-sensitive
# tests run again under a comma-decimal locale; cross-built for Windows with MinGW-w64 and
# run under Wine; once under AddressSanitizer and
# UndefinedBehaviorSanitizer; the concurrency tests under ThreadSanitizer;
# and the fuzzers.
# Every suite runs even when an earlier one fails; the script fails if any did.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-dependencies.sh
scripts/install-test-dependencies.sh
scripts/auth-deps.sh
scripts/network-deps.sh
jobs=$(nproc)
started=$SECONDS
failed=()

configure() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
}

# run_ctest <suite name> <build dir> [ctest arguments...]
run_ctest() {
  local suite=$1 dir=$2
  shift 2
  ctest --test-dir "$dir" -j "$jobs" --output-on-failure "$@" || failed+=("$suite")
}

echo "== Tests"
# Explicitly: scripts/demo.sh configures the same folder without tests and benchmarks.
configure build -DDORSA_BUILD_TESTS=ON -DDORSA_BUILD_BENCHMARKS=ON \
  -DDORSA_BUILD_PYTHON=ON -DPython3_EXECUTABLE=/usr/bin/python3
cmake --build build -j "$jobs"
run_ctest "tests" build -LE python

echo "== Python package: its tests against the emulator, then pip install from a fresh clone"
run_ctest "python package" build -L python

echo "== API documentation (fails on an undocumented public class in any library folder)"
cmake --build build --target docs || failed+=("docs")

echo "== Locale-sensitive tests under de_DE.UTF-8"
DORSA_TEST_LOCALE=de_DE.UTF-8 run_ctest "locale tests" build -L locale

echo "== Windows: the DLL over WinHTTP, its tests and dorsa.exe under Wine"
DORSA_REFERENCE_TOOL=$PWD/build/dorsa scripts/windows-tests.sh || failed+=("Windows")

# The sanitizer builds leave out what they would not run: benchmarks and examples, and
# for ThreadSanitizer everything but the concurrency tests.
echo "== Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
configure build-sanitize -DDORSA_SANITIZE=ON -DDORSA_BUILD_BENCHMARKS=OFF -DDORSA_BUILD_EXAMPLES=OFF
cmake --build build-sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  run_ctest "AddressSanitizer tests" build-sanitize

echo "== Concurrency tests under ThreadSanitizer"
configure build-tsan -DDORSA_SANITIZE_THREAD=ON \
  -DDORSA_BUILD_BENCHMARKS=OFF -DDORSA_BUILD_EXAMPLES=OFF -DDORSA_BUILD_TOOLS=OFF
cmake --build build-tsan -j "$jobs" --target dorsa_concurrency_tests
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  run_ctest "ThreadSanitizer tests" build-tsan -L concurrency

echo "== Fuzzers over their corpora, then for ${FUZZ_SECONDS:-60} s each"
scripts/fuzz.sh || failed+=("fuzzers")

echo "== Done in $((SECONDS - started)) s"
if [ ${#failed[@]} -gt 0 ]; then
  printf 'Failed: %s\n' "${failed[@]}" >&2
  exit 1
fi
