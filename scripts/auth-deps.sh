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

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  # The packages' own services (the system-wide Apache and KDC) are not wanted: the tests
  # start their own servers. policy-rc.d keeps the packages from starting theirs.
  policy=/usr/sbin/policy-rc.d
  added_policy=false
  if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' | "${sudo_cmd[@]}" tee "$policy" >/dev/null
    "${sudo_cmd[@]}" chmod 755 "$policy"
    added_policy=true
  fi
  status=0
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" || status=$?
  if $added_policy; then
    "${sudo_cmd[@]}" rm -f "$policy"
  fi
  exit $status
fi
