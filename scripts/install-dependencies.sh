#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the tools need, when missing, and
# generates the comma-decimal locale (de_DE.UTF-8) that the locale-sensitive tests run under.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  librapidxml-dev libcurl4-openssl-dev
  libgtest-dev libxml2-dev python3 python3-xmlschema python3-jsonschema
  libcli11-dev nlohmann-json3-dev libbenchmark-dev
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
