#!/usr/bin/env bash
# The Windows stage: cross-builds the library (a DLL over WinHTTP), its tests and the dorsa
# tool with MinGW-w64 (CMake preset "mingw", folder build-mingw) and runs them under Wine,
# headless:
#   1. every library test that needs no Linux-only server, under ctest;
#   2. dorsa.exe for the README's tables against the emulator (started here, on
#      127.0.0.1), with the output of the Linux build's tool (DORSA_REFERENCE_TOOL,
#      by default build/dorsa when it exists) byte for byte;
#   3. the Linux build's tests of real servers (DORSA_LINUX_BUILD, by default build), which
#      start Apache, the NTLM test server, nginx, squid and the emulator here and hand their calls to
#      dorsa_call_client.exe under Wine: Basic against Apache, NTLM through Samba's
#      ntlm_auth (winbind), as Wine's NTLM works, TLS with the client's own authorities and
#      a client certificate, proxies; the network options of dorsa.exe likewise;
#   4. the ZIP package: unpacked, a host built from it with MinGW runs against the emulator.
# Every part runs even when an earlier one fails; the script fails if any did.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++-mingw-w64-x86-64-posix libz-mingw-w64-dev googletest librapidxml-dev libcli11-dev nlohmann-json3-dev wine wine64 python3 winbind)
. scripts/install-missing.sh
install_missing "${packages[@]}"
scripts/auth-deps.sh
scripts/network-deps.sh

started=$SECONDS
jobs=$(nproc)
build=build-mingw
failed=()

echo "== Windows: cross-building library, tests and tool"
cmake --preset mingw >/dev/null
cmake --build "$build" -j "$jobs"
echo "   built in $((SECONDS - started)) s"

# One Wine prefix in the build folder, for ctest (its emulator sets the same) and the
# scripts; its server runs through the whole stage, so that a program starts in well
# under a second instead of three, and is stopped at the end.
export WINEPREFIX=$PWD/$build/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
mkdir -p "$WINEPREFIX"
stop_wine() { wineserver -k 2>/dev/null || true; }
trap stop_wine EXIT
wineserver -p
# The first program makes the prefix; before ctest, so that no test waits on it with
# its output pipe held.
wine "$build/bin/dorsa.exe" --version >/dev/null 2>&1 || true

echo "== Windows: library tests under Wine"
ctest --test-dir "$build" -j "$jobs" --timeout 300 --output-on-failure || failed+=("Windows tests")

echo "== Windows: dorsa.exe for the README's tables"
reference=${DORSA_REFERENCE_TOOL:-}
if [ -z "$reference" ] && [ -x build/dorsa ]; then
  reference=$PWD/build/dorsa
fi
DORSA_TOOL=$PWD/$build/bin/dorsa.exe DORSA_TOOL_LAUNCHER=wine DORSA_REFERENCE_TOOL=$reference \
  DORSA_EMULATOR=$PWD/tools/emulator/dorsa_emulator.py \
  python3 tests/tools/readme_examples_test.py || failed+=("dorsa.exe README examples")

echo "== Windows: real servers through WinHTTP under Wine (Apache, the NTLM server, nginx, squid, the emulator)"
linux_build=${DORSA_LINUX_BUILD:-build}
if [ ! -f "$linux_build/CMakeCache.txt" ]; then
  cmake -S . -B "$linux_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDORSA_BUILD_TESTS=ON >/dev/null
fi
server_tests=(auth/ApacheAuthTest auth/NtlmAuthTest network/NetworkServersTest ContentUploadTest)
if cmake --build "$linux_build" -j "$jobs" --target "${server_tests[@]##*/}" >/dev/null; then
  for test in "${server_tests[@]}"; do
    DORSA_CALL_CLIENT=$PWD/$build/bin/dorsa_call_client.exe DORSA_CALL_CLIENT_LAUNCHER=wine \
      DORSA_TOOL=$PWD/$build/bin/dorsa.exe DORSA_TOOL_LAUNCHER=wine \
      "$linux_build/tests/$test" --gtest_brief=1 || failed+=("Windows ${test##*/}")
  done
else
  failed+=("the Linux tests of real servers (build)")
fi

echo "== Windows: the ZIP package and a host built from it"
package_check() {
  local scratch
  scratch=$(mktemp -d)
  # shellcheck disable=SC2064
  trap "rm -rf '$scratch'" RETURN
  (cd "$build" && cpack -G ZIP -B "$scratch/package" >/dev/null)
  local zip
  zip=$(ls "$scratch"/package/*.zip)
  echo "   $(basename "$zip"): $(du -h "$zip" | cut -f1)"
  python3 -m zipfile -e "$zip" "$scratch/unpacked"
  local root
  root=$(ls -d "$scratch"/unpacked/*/)
  for file in bin/libDorsaServiceLayer.dll bin/dorsa.exe lib/libDorsaServiceLayer.dll.a \
              lib/cmake/DorsaServiceLayer/DorsaServiceLayerConfig.cmake include/dorsa/ServiceLayer.h \
              include/rapidxml/rapidxml.hpp LICENSE; do
    [ -e "$root/$file" ] || { echo "   the package lacks $file"; return 1; }
  done
  cmake -S tests/install -B "$scratch/host" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw/toolchain-x86_64-w64-mingw32.cmake" \
    -DDorsaServiceLayer_DIR="$root/lib/cmake/DorsaServiceLayer" >/dev/null
  cmake --build "$scratch/host" >/dev/null
  # The host finds the DLL beside it, as a Windows user would put it.
  cp "$root/bin/libDorsaServiceLayer.dll" "$scratch/host/"
  python3 - "$scratch/host/install_host.exe" <<'PY'
import os, subprocess, sys
sys.path.insert(0, os.path.join("tests", "tools"))
from emulator_process import EmulatorProcess
emulator = EmulatorProcess(os.path.join("tools", "emulator", "dorsa_emulator.py"))
try:
    result = subprocess.run(["wine", sys.argv[1], emulator.url], capture_output=True, text=True, timeout=120)
finally:
    emulator.stop()
print("   " + result.stdout.replace("\n", "\n   ").rstrip())
sys.exit(0 if result.returncode == 0 and "DORSA_SAMPLES" in result.stdout else 1)
PY
}
package_check || failed+=("Windows package")

echo "== Windows stage done in $((SECONDS - started)) s"
if [ ${#failed[@]} -gt 0 ]; then
  printf 'Failed: %s\n' "${failed[@]}" >&2
  exit 1
fi
