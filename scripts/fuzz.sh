#!/usr/bin/env bash
# Fuzzes the library's readers with libFuzzer, under AddressSanitizer and
# UndefinedBehaviorSanitizer, with leak detection on.
#
#   scripts/fuzz.sh                      # each target fuzzed for 60 s
#   FUZZ_SECONDS=600 scripts/fuzz.sh     # or for as long as FUZZ_SECONDS says
#
# The targets (fuzz/, a CMake project of its own, built with clang into build-fuzz):
#   reply_fuzzer   a reply body and status through an operation's reply pipeline. Byte 0
#                  picks the operation ('A' GetDatabases, 'B' GetTables, 'C' GetSubsets,
#                  'D' GetUnits, 'E' GetUnitSystems, 'F' GetCurrencies, 'G' GetUnitConversions,
#                  'H' to 'N' the attribute metadata and record operations, 'O' to 'T' the
#                  tree, link and version operations, 'U' to 'W' the searches, 'X' to '['
#                  the exporters, '\' to '^' the imports, in the order of fuzz/ReplyFuzzer.cpp),
#                  byte 1 the status ('a' 200, 'b' 500, 'c' 401, 'd' 404, ... see
#                  fuzz/ReplyFuzzer.cpp), the rest is the body.
#   values_fuzzer  an XML text, every element of it read as an attribute value and
#                  written back in its import form. Also fails when the parser accepts
#                  elements nested past the library's limit, or a written import form
#                  does not read as XML again.
#
# The script installs nothing: it needs clang and its libFuzzer runtime (Debian: clang,
# libclang-rt-14-dev), and skips, successfully, where they are missing. It builds the
# targets, runs every seed of fuzz/corpus/<target> once, then deeply nested inputs it
# generates (too big to keep in the tree), then fuzzes each target from a scratch copy
# of its seeds. It fails when any input crashes, leaks or trips a sanitizer or a check;
# the output names the reproducer and shows the stack. The logs and reproducers of the
# last run stay in build-fuzz/logs and build-fuzz/artifacts.
#
# Running a target by hand:
#   CC=clang CXX=clang++ cmake -S fuzz -B build-fuzz && cmake --build build-fuzz -j"$(nproc)"
#   build-fuzz/reply_fuzzer fuzz/corpus/reply/*          # each seed once
#   build-fuzz/reply_fuzzer path/to/crash-<sha1>         # replay one reproducer
#   mkdir -p /tmp/reply-work && cp fuzz/corpus/reply/* /tmp/reply-work
#   build-fuzz/reply_fuzzer -dict=fuzz/xml.dict -max_total_time=300 /tmp/reply-work
#                                                        # fuzz; new inputs gather in /tmp/reply-work
#   build-fuzz/reply_fuzzer -minimize_crash=1 -runs=100000 path/to/crash-<sha1>
#                                                        # shrink a reproducer
# A useful new input found by hand can join the seeds: keep the corpus small (a few
# dozen files, well under 200 KB in all).
set -euo pipefail
cd "$(dirname "$0")/.."

fuzz_seconds=${FUZZ_SECONDS:-60}
build_dir=build-fuzz
targets=(reply_fuzzer values_fuzzer)
started=$SECONDS
failed=()

if ! command -v clang >/dev/null 2>&1 || ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzzing skipped: clang not found (Debian packages: clang libclang-rt-14-dev)"
  exit 0
fi
probe_dir=$(mktemp -d)
cat >"$probe_dir/probe.cpp" <<'EOF'
#include <cstddef>
#include <cstdint>
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t*, std::size_t) { return 0; }
EOF
if ! clang++ -fsanitize=fuzzer,address,undefined "$probe_dir/probe.cpp" -o "$probe_dir/probe" \
  2>"$probe_dir/probe.log"; then
  cat "$probe_dir/probe.log"
  rm -rf "$probe_dir"
  echo "fuzzing skipped: clang cannot link libFuzzer (Debian package: libclang-rt-14-dev)"
  exit 0
fi
rm -rf "$probe_dir"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

echo "== Building the fuzz targets in $build_dir"
CC=clang CXX=clang++ cmake -S fuzz -B "$build_dir" >/dev/null
cmake --build "$build_dir" -j "$(nproc)" --target "${targets[@]}"

logs=$build_dir/logs
artifacts=$build_dir/artifacts
generated=$build_dir/generated
rm -rf "$logs" "$artifacts" "$generated"
mkdir -p "$logs" "$generated/reply_fuzzer" "$generated/values_fuzzer"

# `count` copies of `text`, by doubling: a hundred thousand appends would take bash minutes.
repeat() {
  local power=$1 count=$2 result=""
  while ((count > 0)); do
    if ((count & 1)); then
      result+=$power
    fi
    power+=$power
    count=$((count >> 1))
  done
  printf '%s' "$result"
}

# Nesting far past the parser's limit of 2000 levels, in shapes the nesting pre-scan
# must see through: behind a DOCTYPE internal subset (an opened comment or processing
# instruction, or closing tags the parser skips there), behind quote characters in
# names, which a scan for quoted attribute values takes for the start of one, and
# behind closing tags in a processing instruction opened by "<?>", which the parser
# reads as "<?" and the start of an instruction running to the next "?>". The plain
# DOCTYPE form is there too.
generate_deep_inputs() {
  local depth=100000 opens block r v
  opens=$(repeat '<a>' "$depth")
  r=$generated/reply_fuzzer
  v=$generated/values_fuzzer
  printf 'Aa<!DOCTYPE x [ <!ELEMENT a ANY> ]>%s' "$opens" >"$r/doctype-subset-$depth"
  printf 'Aa<!DOCTYPE x [ <!ELEMENT a ANY> <!-- ]>%s' "$opens" >"$r/doctype-subset-comment-$depth"
  printf 'Ba<!DOCTYPE x [ <!ELEMENT a ANY> <? ]>%s' "$opens" >"$r/doctype-subset-pi-$depth"
  printf "Ca<a'>%s" "$opens" >"$r/quote-in-element-name-$depth"
  printf "Db<a b'=\"x\">%s" "$opens" >"$r/quote-in-attribute-name-$depth"
  printf 'Ea<a">%s' "$opens" >"$r/double-quote-in-element-name-$depth"
  # Each block opens 1900 levels and hides 1900 closing tags from the parser in a subset:
  # the pre-scan counts them, the parser goes 1900 levels deeper with every block.
  block="$(repeat '<a>' 1900)<!DOCTYPE x [ $(repeat '</a>' 1900) ]>"
  printf 'Fa%s' "$(repeat "$block" 50)" >"$r/doctype-subset-closing-tags-95000"
  block="$(repeat '<a>' 1900)<?>$(repeat '</a>' 1900)?>"
  printf 'Ga%s' "$(repeat "$block" 50)" >"$r/pi-closing-tags-95000"
  printf '%s' "$(repeat "$block" 50)" >"$v/pi-closing-tags-95000"
  printf '<!DOCTYPE x [ <!ELEMENT a ANY> <!-- ]>%s' "$opens" >"$v/doctype-subset-comment-$depth"
  printf "<a'>%s" "$opens" >"$v/quote-in-element-name-$depth"
  generate_deep_tree "$r"
}

# A tree of records nested as deep as the parser lets through, each the only child of the
# one above, for GetChildNodes ('P'), whose reader follows the tree down record by record:
# Envelope, Body, the response and "treeRecords" take four levels, each tree level two, the
# deepest record and its "shortName" two more, so 997 levels reach the limit of 2000.
generate_deep_tree() {
  local levels=997 head tail
  head='Pa<s:Envelope xmlns:s="http://schemas.xmlsoap.org/soap/envelope/"><s:Body><GetChildNodesResponse><treeRecords>'
  tail='</treeRecords></GetChildNodesResponse></s:Body></s:Envelope>'
  printf '%s%s<treeRecord><shortName>deepest</shortName></treeRecord>%s%s' "$head" \
    "$(repeat '<treeRecord><children>' "$levels")" "$(repeat '</children></treeRecord>' "$levels")" "$tail" \
    >"$1/tree-records-nested-$levels"
}

# The first sanitizer, libFuzzer or terminate report of a log, with its stack; frames
# that repeat one shown already (a stack overflow's recursion) are counted, not shown.
show_report() {
  local log=$1 line
  line=$(grep -n -m1 -E 'ERROR: |runtime error:|terminate called|^dorsafuzz: ' "$log" | cut -d: -f1 || true)
  if [ -z "$line" ]; then
    tail -n 40 "$log"
    return
  fi
  tail -n "+$line" "$log" | awk '
    function flush() { if (repeated) print "    ... " repeated " more frames repeating those above"; repeated = 0 }
    /^ *#[0-9]+ / {
      frame = $0
      sub(/^ *#[0-9]+ 0x[0-9a-f]+ /, "", frame)
      if (frame in seen) { repeated++; next }
      seen[frame] = 1
    }
    { flush(); print }
    /^SUMMARY:/ { exit }
    END { flush() }' | head -n 60
  grep -E 'Test unit written to' "$log" || true
}

# replay <target> <label> <inputs...>: runs each input once. Prints the inputs that
# crash, one a line, on file descriptor 3.
replay() {
  local target=$1 label=$2
  shift 2
  local log=$logs/$target-$label.log input single
  if "$build_dir/$target" -timeout=10 -rss_limit_mb=2048 "$@" >"$log" 2>&1; then
    echo "   $target: $# $label inputs ran clean"
    return 0
  fi
  echo "   $target: a $label input failed; running each on its own"
  for input in "$@"; do
    single=$logs/$target-$label-${input##*/}.log
    if ! "$build_dir/$target" -timeout=10 -rss_limit_mb=2048 "$input" >"$single" 2>&1; then
      echo "!! $target crashed on $input (log: $single)"
      show_report "$single" | sed 's/^/   | /'
      echo "$input" >&3
    fi
  done
  return 1
}

echo "== Generating deeply nested inputs in $generated"
generate_deep_inputs

for target in "${targets[@]}"; do
  corpus=fuzz/corpus/${target%_fuzzer}
  echo "== $target: replaying $corpus and $generated/$target"
  crashed_list=$logs/$target-crashed.txt
  : >"$crashed_list"
  replay "$target" seed "$corpus"/* 3>>"$crashed_list" || failed+=("$target seeds")
  replay "$target" generated "$generated/$target"/* 3>>"$crashed_list" || failed+=("$target generated inputs")

  # Seeds that crash already are reported above; left in, they would end the fuzzing
  # run before it starts.
  echo "== $target: fuzzing for $fuzz_seconds s"
  work=$(mktemp -d "$build_dir/work-$target.XXXXXX")
  for seed in "$corpus"/*; do
    grep -qxF "$seed" "$crashed_list" || cp "$seed" "$work/"
  done
  mkdir -p "$artifacts/$target"
  log=$logs/$target-fuzz.log
  if "$build_dir/$target" -dict=fuzz/xml.dict -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 \
    -detect_leaks=1 -print_final_stats=1 -artifact_prefix="$artifacts/$target/" "$work" >"$log" 2>&1; then
    grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | sed 's/^/   /' || true
  else
    echo "!! $target: fuzzing found a failure (log: $log)"
    show_report "$log" | sed 's/^/   | /'
    failed+=("$target fuzzing")
  fi
  rm -rf "$work"
done

echo "== Done in $((SECONDS - started)) s"
if [ ${#failed[@]} -gt 0 ]; then
  echo "Failed: ${failed[*]}"
  exit 1
fi
echo "No crash, leak or sanitizer report"
