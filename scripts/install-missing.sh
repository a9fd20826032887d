# Sourced by the install scripts: install_missing PACKAGE... installs, with apt-get, the
# Debian packages of the list that are not installed yet. Services that packages would
# start on installing (a system-wide Apache or KDC, say) are kept from starting: the tests
# start servers of their own.

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

install_missing() {
  local missing=() package
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$package")
    fi
  done
  [ ${#missing[@]} -gt 0 ] || return 0

  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  local policy=/usr/sbin/policy-rc.d added_policy=false status=0
  if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' | "${sudo_cmd[@]}" tee "$policy" >/dev/null
    "${sudo_cmd[@]}" chmod 755 "$policy"
    added_policy=true
  fi
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" ||
    status=$?
  if $added_policy; then
    "${sudo_cmd[@]}" rm -f "$policy"
  fi
  return $status
}
