#!/usr/bin/env bash
# Builds the library and the dorsa tool, starts the bundled service emulator on a
# free loopback port, and tours the product with the dorsa tool: the catalogue, a search,
# the values of its hits, an export to a file, the import of a new record and the search
# that finds it; then stops the emulator.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-dependencies.sh
# Tests and benchmarks are left out: their packages come with scripts/test.sh.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDORSA_BUILD_TESTS=OFF -DDORSA_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build -j "$(nproc)" --target dorsa material_tour

work=$(mktemp -d)
log="$work/emulator.log"
python3 tools/emulator/dorsa_emulator.py --port 0 >"$log" 2>&1 &
emulator=$!
trap 'kill "$emulator" 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 100); do
  grep -q "listening on" "$log" && break
  sleep 0.1
done
url=$(awk '/listening on/ {print $NF}' "$log")
[ -n "$url" ] || { cat "$log"; echo "the emulator did not start" >&2; exit 1; }
echo "Emulator at $url"

# Shows each command as it would be typed, arguments with spaces quoted.
tour() {
  local shown="" arg
  for arg in "$@"; do
    case $arg in *" "*) shown+=" \"$arg\"" ;; *) shown+=" $arg" ;; esac
  done
  echo
  echo "\$ dorsa$shown"
  build/dorsa --url "$url" "$@"
}
table="Alloys and Polymers"
tour ping
tour databases
tour tables DORSA_SAMPLES
tour attributes DORSA_SAMPLES "$table"
tour tree DORSA_SAMPLES "$table"
tour search DORSA_SAMPLES steel --table "$table"
tour values DORSA_SAMPLES "$table" 1001 1004 --attribute Density --attribute "Yield strength" --attribute Composition
tour find DORSA_SAMPLES --table "$table" --where "Density between 7.8 and 8 g/cm^3"
tour convert DORSA_SAMPLES --from MPa kg/m^3 --system Imperial
tour exporters DORSA_SAMPLES --for 1001 1004
tour export DORSA_SAMPLES sheetwise.csv.v2 1001 1004 -o "$work/steels.csv"
echo "--- $work/steels.csv:"
cat "$work/steels.csv"

tour import examples/new-steel.json
tour search DORSA_SAMPLES steel --table "$table"
tour find DORSA_SAMPLES --table "$table" --where "Density between 7.8 and 8 g/cm^3"

echo
echo "\$ examples/material_tour $url steel    # the same path from a C++ host, through the facades"
build/examples/material_tour "$url" steel
