#!/usr/bin/env bash
# Runs every fuzz target for the given number of seconds (default 30) from its seed corpus and
# what earlier runs found. A single input that takes over two minutes counts as a finding.
# Findings are written to build/fuzz/findings, never into the source tree.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
for fuzzer in build/fuzz/bin/velmora_*; do
    [ -x "$fuzzer" ] || continue
    name=$(basename "$fuzzer")
    corpus="build/fuzz/corpus/$name"
    mkdir -p "$corpus" build/fuzz/findings
    seeds="fuzz/seeds/${name#velmora_}"
    [ -d "$seeds" ] && cp -n "$seeds"/* "$corpus"/ 2>/dev/null || true
    echo "fuzz: $name for ${seconds}s"
    "$fuzzer" -max_total_time="$seconds" -timeout=120 -print_final_stats=1 \
        -artifact_prefix="build/fuzz/findings/$name-" "$corpus" 2>&1 | tail -n 12
done
