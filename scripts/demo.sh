#!/usr/bin/env bash
# Builds the library and the dorsa tool, starts the bundled service emulator on a
# free loopback port, takes a short tour of its catalogue, and stops it again.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-dependencies.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target dorsa

log=$(mktemp)
python3 tools/emulator/dorsa_emulator.py --port 0 >"$log" 2>&1 &
emulator=$!
trap 'kill "$emulator" 2>/dev/null || true; rm -f "$log"' EXIT
for _ in $(seq 100); do
  grep -q "listening on" "$log" && break
  sleep 0.1
done
url=$(awk '/listening on/ {print $NF}' "$log")
[ -n "$url" ] || { cat "$log"; echo "the emulator did not start" >&2; exit 1; }
echo "Emulator at $url"

tour() {
  echo
  echo "\$ dorsa --url $url $*"
  build/dorsa --url "$url" "$@"
}
tour ping
tour databases
tour tables DORSA_SAMPLES --selector NonMetaAttributes
tour subsets DORSA_SAMPLES "Alloys and Polymers"
tour units DORSA_SAMPLES
tour convert DORSA_SAMPLES --from MPa kg/m^3 USD/kg --system Imperial --currency EUR
tour attributes DORSA_SAMPLES "Alloys and Polymers"
tour values DORSA_SAMPLES "Alloys and Polymers" 1001 1003 --attribute Density --attribute "Yield strength" --attribute Composition
tour exporters DORSA_SAMPLES --for 1001 1003
tour export DORSA_SAMPLES strata.card.v3 1001 --unit-system Imperial --sig-figs 4
