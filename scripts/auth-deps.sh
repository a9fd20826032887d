#!/usr/bin/env bash
# Installs the Debian packages the authentication tests (tests/auth) need, when missing:
# Apache with its Basic, Digest and GSS-API modules and the htpasswd/htdigest tools, an MIT
# Kerberos KDC with its admin and client tools, and Python's NTLM computations for the
# NTLM test server. libcurl's own GSS-API and NTLM support comes with libcurl4-openssl-dev.
set -euo pipefail

packages=(
  apache2 apache2-utils libapache2-mod-auth-gssapi
  krb5-kdc krb5-admin-server krb5-user
  python3 python3-impacket
)

. "$(dirname "$0")/install-missing.sh"
install_missing "${packages[@]}"
