#!/usr/bin/env bash
# Builds the decoder's fuzz target and runs it:
#   fuzz/run.sh <seconds> [format]
# With a format (bmp jpeg png gif ico cur pcx) the run starts from that kind's corpus files;
# without, from all of them. New inputs are kept in build-fuzz/corpus/<format or all>/, crashes,
# timeouts and out-of-memory inputs in build-fuzz/artifacts/<format or all>/.
set -euo pipefail

seconds=${1:?usage: fuzz/run.sh <seconds> [format]}
format=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
build=${ICOGEN_FUZZ_BUILD:-$repo/build-fuzz}

cmake -S "$here" -B "$build" -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build "$build" -j2 --target decode_fuzzer

seeds=$build/seeds
"$here/seed-corpus.sh" "$seeds" $format >/dev/null

name=${format:-all}
work=$build/corpus/$name
artifacts=$build/artifacts/$name
mkdir -p "$work" "$artifacts"
if [ -n "$format" ]; then inputs=("$seeds/$format"); else inputs=("$seeds"/*); fi

exec "$build/decode_fuzzer" "$work" "${inputs[@]}" \
    -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
    -artifact_prefix="$artifacts/" -print_final_stats=1
