#!/usr/bin/env bash
# Times icogen-convert against ImageMagick and Pillow on three large pictures, one tool after the
# other, and reports median wall time, median peak memory and the ratios.
#
#   bench/compare.sh [ICOGEN_CONVERT]      (default: build/bin/icogen-convert; use a Release build)
#
# Environment: RUNS (runs per tool and picture, default 5; the 20000x20000 picture gets
# max(3, RUNS/2)), BENCH_DIR (where the pictures are made and kept, default /tmp/icogen-bench).
# The peers are Debian packages (imagemagick, python3-pil, time) installed here when missing; they
# are not needed by the tests.
set -euo pipefail
cd "$(dirname "$0")/.."

icogen=$(realpath "${1:-build/bin/icogen-convert}")
runs=${RUNS:-5}
dir=${BENCH_DIR:-/tmp/icogen-bench}
[ -x "$icogen" ] || { echo "no icogen-convert at $icogen: build it first (Release)" >&2; exit 2; }

# --- the peers -------------------------------------------------------------------------------
need=()
[ -x /usr/bin/convert ] || need+=(imagemagick)
[ -x /usr/bin/time ] || need+=(time)
/usr/bin/python3 -c 'import PIL' 2>/dev/null || need+=(python3-pil)
if [ ${#need[@]} -gt 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "compare.sh needs: ${need[*]}; install them as root: apt-get install ${need[*]}" >&2
        exit 2
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq || true
    apt-get install -y --no-install-recommends "${need[@]}" >/dev/null
fi
magick=/usr/bin/convert   # the packaged ImageMagick, whatever else is first on PATH
python=/usr/bin/python3

# Debian's ImageMagick policy refuses pictures wider than 16K pixels and holds at most 256 MiB
# in memory; give it room so that it can finish at all and does not page to disk.
mkdir -p "$dir/im-policy"
cat >"$dir/im-policy/policy.xml" <<'POLICY'
<policymap>
  <policy domain="resource" name="memory" value="16GiB"/>
  <policy domain="resource" name="map" value="16GiB"/>
  <policy domain="resource" name="width" value="64KP"/>
  <policy domain="resource" name="height" value="64KP"/>
  <policy domain="resource" name="area" value="4GP"/>
  <policy domain="resource" name="disk" value="32GiB"/>
</policymap>
POLICY
export MAGICK_CONFIGURE_PATH="$dir/im-policy"

# --- the pictures ----------------------------------------------------------------------------
jpeg=$dir/photo-6000x4000.jpg
png=$dir/photo-6000x4000.png
huge=$dir/huge-20000x20000.png
if [ ! -s "$jpeg" ]; then
    echo "making $jpeg" >&2
    "$magick" -size 6000x4000 -seed 7 plasma:fractal -quality 90 -interlace none \
        -sampling-factor 2x2 "$jpeg"
fi
if [ ! -s "$png" ]; then
    echo "making $png" >&2
    "$magick" "$jpeg" "$png"
fi
if [ ! -s "$huge" ]; then
    echo "making $huge" >&2
    # A streaming PNG writer: 20000 rows of a colour ramp in steps of 16 pixels, shifted from row
    # to row, so that it compresses about as well as a large chart or screenshot would.
    "$python" - "$huge" <<'PY'
import struct, sys, zlib
w = h = 20000
def chunk(f, kind, data):
    f.write(struct.pack(">I", len(data)) + kind + data)
    f.write(struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
ramp = bytearray()
for x in range(2 * w):
    step = x // 16
    ramp += bytes(((step * 7) & 255, (step * 3 + 40) & 255, (x // 1280 * 9) & 255))
ramp = bytes(ramp)
with open(sys.argv[1] + ".part", "wb") as f:
    f.write(b"\x89PNG\r\n\x1a\n")
    chunk(f, b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
    z = zlib.compressobj(6)
    pending = bytearray()
    for y in range(h):
        s = (y * 5) % w
        pending += b"\x00" + ramp[s * 3:(s + w) * 3]
        if len(pending) > (8 << 20):
            out = z.compress(bytes(pending)); pending.clear()
            if out: chunk(f, b"IDAT", out)
    out = z.compress(bytes(pending)) + z.flush()
    chunk(f, b"IDAT", out)
    chunk(f, b"IEND", b"")
import os; os.replace(sys.argv[1] + ".part", sys.argv[1])
PY
fi

# --- timing ----------------------------------------------------------------------------------
out=$dir/out
mkdir -p "$out"

# once NAME COMMAND...: runs the command once and appends "wall user system peak_kib" to
# $out/NAME.txt.
once() {
    local name=$1; shift
    rm -f "$out"/*.ico
    if ! /usr/bin/time -f "%e %U %S %M" -o "$out/time.txt" "$@" >/dev/null 2>"$out/err.txt"; then
        echo "$name failed:" >&2
        cat "$out/err.txt" >&2
        echo "nan nan nan nan" >>"$out/$name.txt"
        return
    fi
    cat "$out/time.txt" >>"$out/$name.txt"
}

pillow_jpeg='import sys; from PIL import Image; im = Image.open(sys.argv[1]); im.draft("RGB", (32, 32)); im.save(sys.argv[2], sizes=[(16, 16), (32, 32)])'
# Pillow refuses pictures over 179 million pixels unless told otherwise.
pillow_png='import sys; from PIL import Image; Image.MAX_IMAGE_PIXELS = None; im = Image.open(sys.argv[1]); im.save(sys.argv[2], sizes=[(16, 16), (32, 32)])'

report=$dir/report.md
{
    echo "| picture | file size | tool | median wall time (s) | median CPU time (s) | median peak RSS (MiB) | wall time / icogen-convert's |"
    echo "|---|---|---|---|---|---|---|"
} >"$report"
status=0
for picture in "$jpeg" "$png" "$huge"; do
    n=$runs
    [ "$picture" = "$huge" ] && n=$(( runs / 2 > 3 ? runs / 2 : 3 ))
    size=$(stat -c %s "$picture")
    if [ "$picture" = "$jpeg" ]; then pillow=$pillow_jpeg; else pillow=$pillow_png; fi
    echo "timing $(basename "$picture"), $n runs of each tool, taking turns" >&2
    rm -f "$out"/{icogen,magick,pillow}.txt
    for ((i = 0; i < n; i++)); do
        once icogen "$icogen" --size 16,32 --force -o "$out/icogen.ico" "$picture"
        once magick "$magick" "$picture" -resize '32x32!' "$out/magick.ico"
        once pillow "$python" -c "$pillow" "$picture" "$out/pillow.ico"
    done
    "$python" - "$report" "$(basename "$picture")" "$size" "$out" \
        "$([ "$picture" = "$jpeg" ] && echo jpeg || echo png)" <<'PY' || status=1
import statistics, sys
report, name, size, out, kind = sys.argv[1:]
size = int(size)
def medians(tool):
    rows = [[float(v) for v in line.split()] for line in open(f"{out}/{tool}.txt")]
    return [statistics.median(r[0] for r in rows), statistics.median(r[1] + r[2] for r in rows),
            statistics.median(r[3] for r in rows)]
(ti, ci, mi), (tm, cm, mm), (tp, cp, mp) = (medians(t) for t in ("icogen", "magick", "pillow"))
mi, mm, mp = (m / 1024 for m in (mi, mm, mp))
rows = [("icogen-convert", ti, ci, mi), ("ImageMagick", tm, cm, mm), ("Pillow", tp, cp, mp)]
with open(report, "a") as f:
    for tool, t, c, m in rows:
        ratio = "1" if tool == "icogen-convert" else f"{t / ti:.2f}"
        f.write(f"| {name} | {size / 2**20:.1f} MiB | {tool} | {t:.3f} | {c:.3f} | {m:.1f} | {ratio} |\n")
need_im, need_pil = (5.0, 1.5) if kind == "jpeg" else (1.0, 1.0)
faster = (lambda r, need: r >= need) if kind == "jpeg" else (lambda r, need: r > need)
limit = size / 2**20 + 32
ok = faster(tm / ti, need_im) and faster(tp / ti, need_pil) and mi <= limit
print(f"{name}: ImageMagick/icogen {tm / ti:.2f} (target >= {need_im}), "
      f"Pillow/icogen {tp / ti:.2f} (target >= {need_pil}), "
      f"icogen peak {mi:.1f} MiB (target <= {limit:.1f}): {'met' if ok else 'MISSED'}",
      file=sys.stderr)
sys.exit(0 if ok else 1)
PY
done
cat "$report"
exit $status
