#!/usr/bin/env bash
# Installs the Debian packages that building the library, the dorsa tool and the examples
# needs, and the Python that runs the bundled emulator, when missing: what scripts/demo.sh
# builds. scripts/install-test-dependencies.sh adds what the tests need.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  librapidxml-dev libcurl4-openssl-dev
  libcli11-dev nlohmann-json3-dev
  python3
)

. "$(dirname "$0")/install-missing.sh"
install_missing "${packages[@]}"
