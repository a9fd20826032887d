#!/usr/bin/env bash
# Installs, when missing, the Debian packages the tests need beyond the build's own
# (scripts/install-dependencies.sh): GoogleTest and Google Benchmark, the Python schema
# checkers, zlib for the compressed-reply tests, clang with its sanitizer and libFuzzer
# runtime for the fuzzers, Doxygen for the API documentation, libxml2 for the namespace-aware
# request check, and what builds and tests the Python package; and generates the
# comma-decimal locale (de_DE.UTF-8) that the locale-sensitive tests run under.
set -euo pipefail

packages=(
  libgtest-dev libbenchmark-dev libxml2-dev
  python3-xmlschema python3-jsonschema
  locales zlib1g-dev
  clang libclang-rt-14-dev
  doxygen
  python3-dev pybind11-dev python3-setuptools python3-venv python3-pytest python3-pandas python3-zeep
)
test_locale=de_DE.UTF-8

. "$(dirname "$0")/install-missing.sh"
install_missing "${packages[@]}"

# "locale -a" spells the codeset without its dash: de_DE.utf8.
if ! locale -a 2>/dev/null | grep -qx "de_DE.utf8"; then
  echo "Generating the $test_locale locale"
  "${sudo_cmd[@]}" localedef -i de_DE -f UTF-8 "$test_locale"
fi
