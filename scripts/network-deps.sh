#!/usr/bin/env bash
# Installs the Debian packages the network tests (tests/network) need, when missing:
# nginx (TLS sites and one that asks for a client certificate), squid (a proxy with and
# without Basic authentication, its basic_ncsa_auth helper included) and openssl (the
# throw-away CA and its certificates).
set -euo pipefail

packages=(nginx-light squid openssl)

. "$(dirname "$0")/install-missing.sh"
install_missing "${packages[@]}"
