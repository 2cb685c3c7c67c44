#!/usr/bin/env bash
# run-peers.sh [CORPUS_DIR]
#
# Builds (or checks) the photo corpus with the shared make-corpus.sh, then times trelvo-shrink
# against the peer tools with the shared peers.sh, at scale 1/2 and quality 60:
#   on-j1   colour on,  --jobs 1, against every peer
#   on-j2   colour on,  --jobs 2, against the djpeg|cjpeg floor only
#   off-j1  colour off, --jobs 1, against the djpeg|cjpeg floor only; its outputs are compared
#           byte for byte with the floor's (the product omits the JFIF header for an EXIF
#           source, so for those the floor's JFIF segment is left out of the comparison)
# and prints our wall-time ratios to the floor with the targets.
#
# Environment:
#   CORPUS        corpus folder when no argument is given, default <repo>/../corpus
#   SHARED_BENCH  folder of make-corpus.sh and peers.sh, default <repo>/../shared/bench
#   BUILD         build folder holding tools/trelvo-shrink, default <repo>/build-bench
#   RESULTS       where each run's tables and outputs are kept, default /tmp/trelvo-peers
#   RUNS          timed runs per batch, default 3 (WARMUP is passed through to peers.sh)
#   PEERS         peers of the first run, default all of peers.sh's
#   SKIP_CORPUS=1 use the corpus folder as it is, without running make-corpus.sh
#   NO_RSS=1      passed to peers.sh: no peak-RSS measurement
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
REPO=$(cd "$HERE/.." && pwd)
SHARED_BENCH=${SHARED_BENCH:-$HERE/../../shared/bench}
BUILD=${BUILD:-$REPO/build-bench}
CORPUS=${1:-${CORPUS:-$REPO/../corpus}}
RESULTS=${RESULTS:-/tmp/trelvo-peers}
RUNS=${RUNS:-3}
DENOM=2
QUALITY=60
TOOL=$BUILD/tools/trelvo-shrink

for script in make-corpus.sh peers.sh; do
  [ -x "$SHARED_BENCH/$script" ] || { echo "missing $SHARED_BENCH/$script (set SHARED_BENCH)" >&2; exit 1; }
done
[ -x "$TOOL" ] || {
  echo "missing $TOOL; build it first:" >&2
  echo "  cmake -S $REPO -B $BUILD -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF && cmake --build $BUILD -j2" >&2
  exit 1
}
SHARED_BENCH=$(cd "$SHARED_BENCH" && pwd)
mkdir -p "$CORPUS" "$RESULTS"
CORPUS=$(cd "$CORPUS" && pwd)
RESULTS=$(cd "$RESULTS" && pwd)

# Our tool takes a single PATH containing "jpg" (any case) for a photo, not a folder; peers.sh
# hands it the corpus folder and, for the peak-RSS run, a folder under RESULTS.
for dir in "$CORPUS" "$RESULTS"; do
  case ${dir,,} in
    *jpg*) echo "$dir: a folder whose path contains \"jpg\" would be taken for a photo; choose another" >&2; exit 1 ;;
  esac
done

if [ "${SKIP_CORPUS:-0}" != 1 ]; then
  echo "== corpus: $SHARED_BENCH/make-corpus.sh $CORPUS" >&2
  "$SHARED_BENCH/make-corpus.sh" "$CORPUS" >&2
fi

# run NAME PEER_LIST OUR_OPTIONS...: one peers.sh run, kept in $RESULTS/NAME
run() {
  local name=$1 peers=$2
  shift 2
  local work=$RESULTS/$name
  rm -rf "$work"
  mkdir -p "$work"
  local ours="$TOOL --quiet $* -d {denom} -q {quality} -o {out} {in}"
  echo "== $name: OURS=\"$ours\" PEERS=\"${peers:-all}\"" >&2
  local vars=(SCALES="$DENOM" QUALITY="$QUALITY" RUNS="$RUNS" OURS="$ours" WORK="$work" KEEP=1)
  [ -n "$peers" ] && vars+=(PEERS="$peers")
  env "${vars[@]}" "$SHARED_BENCH/peers.sh" "$CORPUS" | tee "$work/table.txt"
}

run on-j1 "${PEERS:-}" --color -j1
run on-j2 djpeg-cjpeg --color -j2
run off-j1 djpeg-cjpeg --no-color -j1

# Byte comparison of the colour-off outputs with the floor's.
compare=$RESULTS/off-j1/compare.txt
python3 - "$CORPUS" "$RESULTS/off-j1/out-ours-$DENOM" "$RESULTS/off-j1/out-djpeg-cjpeg-$DENOM" > "$compare" <<'PY'
import glob, os, sys
corpus, ours_dir, floor_dir = sys.argv[1:]

def without_jfif(data):
    # SOI, then an APP0 "JFIF" segment whose length field counts itself
    if data[2:4] == b"\xff\xe0" and data[6:11] == b"JFIF\x00":
        return data[:2] + data[4 + int.from_bytes(data[4:6], "big"):]
    return data

counts = {"identical": 0, "identical-but-jfif": 0, "different": 0, "missing": 0}
for src in sorted(glob.glob(os.path.join(corpus, "*.jpg"))):
    base = os.path.splitext(os.path.basename(src))[0] + "s.jpg"
    head = open(src, "rb").read(12)
    exif = head[:4] == b"\xff\xd8\xff\xe1" and head[6:10] == b"Exif"
    try:
        ours = open(os.path.join(ours_dir, base), "rb").read()
        floor = open(os.path.join(floor_dir, base), "rb").read()
    except OSError:
        counts["missing"] += 1
        print("missing  ", base)
        continue
    if ours == floor:
        verdict = "identical"
    elif exif and ours == without_jfif(floor):
        verdict = "identical-but-jfif"
    else:
        verdict = "different"
    counts[verdict] += 1
    print("%-18s %-28s %s" % (verdict, base, "EXIF source" if exif else "no EXIF"))
print("summary: " + ", ".join("%s %d" % kv for kv in counts.items()))
PY

# Our row and the floor's row of each run's results.tsv:
# peer, scale, median, min, max, CPU s, MP/s, files, out MB, peak RSS MiB
summary_row() {
  local name=$1 target=$2 op=$3
  awk -F'\t' -v name="$name" -v target="$target" -v op="$op" -v d="1/$DENOM" '
    $2 == d && $1 == "djpeg-cjpeg" { fw = $3; fc = $6 }
    $2 == d && $1 == "ours" { ow = $3; oc = $6; orss = $10 }
    END {
      if (fw == "" || ow == "") { printf "%-8s no result\n", name; exit }
      r = ow / fw
      met = (op == "<" ? r < target : r <= target) ? "met" : "MISSED"
      printf "%-8s %9.3f %9.3f %8.2fx %9.2f %9.2f %8.2fx %8s   %s %.2fx: %s\n",
        name, ow, fw, r, oc, fc, oc / fc, orss, op, target, met
    }' "$RESULTS/$name/results.tsv"
}

echo
echo "Summary: trelvo-shrink against the djpeg|cjpeg floor, scale 1/$DENOM, quality $QUALITY, RUNS=$RUNS"
photos=("$CORPUS"/*.jpg)
echo "$(nproc) cores; corpus $CORPUS (${#photos[@]} photos); results kept in $RESULTS"
printf '%-8s %9s %9s %9s %9s %9s %9s %8s   %s\n' run "ours s" "floor s" "x floor" "ours CPU" "floor CPU" "x CPU" "RSS MiB" target
summary_row on-j1 1.45 "<="
summary_row on-j2 1.0 "<"
summary_row off-j1 1.2 "<="
echo "colour off vs floor outputs: $(tail -1 "$compare" | sed 's/^summary: //') (details: $compare)"
