#!/usr/bin/env bash
# Copies the shared picture corpus into per-kind seed folders for the fuzz target:
#   fuzz/seed-corpus.sh <destination> [format]
# <destination>/<format>/ gets every file of that kind the manifest lists (well-formed,
# malformed and questionable alike), each behind one leading byte that picks the size hint
# (the target's first byte), cycling through the four choices.
set -euo pipefail

dest=${1:?usage: seed-corpus.sh <destination> [format]}
only=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
testdata=${ICOGEN_TESTDATA:-$here/../../shared/testdata}
manifest=$testdata/MANIFEST.tsv
[ -f "$manifest" ] || { echo "no picture corpus at $testdata" >&2; exit 1; }

formats=(bmp jpeg png gif ico cur pcx)
if [ -n "$only" ]; then
    case " ${formats[*]} " in *" $only "*) formats=("$only") ;;
        *) echo "unknown format '$only' (one of ${formats[*]})" >&2; exit 1 ;; esac
fi

for format in "${formats[@]}"; do
    mkdir -p "$dest/$format"
    n=0
    while IFS=$'\t' read -r path kind _; do
        [ "$kind" = "$format" ] || continue
        # The name is the file's hash, so that odd characters in corpus names do not matter.
        name=$(sha1sum < "$testdata/$path" | cut -c1-16)
        printf "\\x$(printf %02x $((n % 4)))" | cat - "$testdata/$path" > "$dest/$format/$name"
        n=$((n + 1))
    done < <(tail -n +2 "$manifest")
    echo "$format: $n seeds in $dest/$format"
done
