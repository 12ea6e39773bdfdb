#!/usr/bin/env bash
# Runs one libFuzzer target for a long campaign, then merges what it found into the committed
# seed corpus, so that coverage accumulates from one campaign to the next.
#   scripts/fuzz.sh TARGET SECONDS
# The corpus is rebuilt with -merge=1 from the old corpus, the generated seeds and the new
# inputs, keeping the smallest inputs that together reach every code edge seen (without telling
# hit counts apart, which would keep many more large inputs). Inputs are capped at 64 KiB,
# which holds every structure the readers walk. Crash inputs are left in
# build/fuzz/artifacts/TARGET/.
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ $# -ne 2 ]]; then
    echo "usage: scripts/fuzz.sh TARGET SECONDS" >&2
    exit 2
fi
target=$1
seconds=$2

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target ventora_fuzzers
ctest --preset fuzz -R "^${target}_seeds\$" >/dev/null

binary=build/fuzz/bin/$target
corpus=fuzz/corpus/$target
seeds=build/fuzz/fuzz/seeds/$target
artifacts=build/fuzz/artifacts/$target
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$corpus" "$artifacts" "$work/found" "$work/merged"

"$binary" -max_len=65536 -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$artifacts/" \
    "$work/found" "$corpus" "$seeds"
"$binary" -max_len=65536 -use_counters=0 -merge=1 "$work/merged" "$corpus" "$seeds" "$work/found"
rm -rf "$corpus"
mv "$work/merged" "$corpus"
echo "$corpus: $(find "$corpus" -type f | wc -l) inputs, $(du -sk --apparent-size "$corpus" | cut -f1) KiB"
