#!/bin/sh
# Writes a small seed corpus for load_jpeg_fuzzer into FOLDER (created if missing): tiny JPEGs of
# every kind the decoder treats differently, each behind the control byte the fuzzer reads first.
# Needs cjpeg (libjpeg-turbo-progs); the CMYK seeds also need ImageMagick's convert.
set -eu
out=${1:?usage: make-seeds.sh FOLDER}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C

# A plain-text PPM with a different colour at every pixel, so that the colour shift meets many hues.
ppm() { # width height file
    awk -v w="$1" -v h="$2" 'BEGIN {
        print "P3"; print w, h; print 255
        for (y = 0; y < h; y++) for (x = 0; x < w; x++)
            printf "%d %d %d\n", x * 255 / (w > 1 ? w - 1 : 1), y * 255 / (h > 1 ? h - 1 : 1), (x * 7 + y * 37) % 256
    }' >"$3"
}

# Overwrites one byte of FILE at OFFSET with the value given in octal.
patch_byte() { # file offset octal
    printf '%b' "\\0$3" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}

offset_of() { # file text
    grep -obUa "$2" "$1" | head -n 1 | cut -d: -f1
}

ppm 24 16 "$work/small.ppm"
ppm 1 1 "$work/dot.ppm"
ppm 17 9 "$work/odd.ppm"
ppm 130 3 "$work/wide.ppm"
ppm 3 70 "$work/tall.ppm"

# Each component in a scan of its own: a sequential file with several scans.
printf '0;\n1;\n2;\n' >"$work/separate.scans"

jpeg() { # name cjpeg-options... (the input is the last option)
    name=$1
    shift
    cjpeg "$@" >"$work/$name.jpg"
}
jpeg base -quality 75 "$work/small.ppm"
jpeg s444 -sample 1x1 "$work/small.ppm"
jpeg s422 -sample 2x1 "$work/small.ppm"
jpeg s440 -sample 1x2 "$work/odd.ppm"
jpeg s411 -sample 4x1 "$work/wide.ppm"
jpeg grey -grayscale "$work/small.ppm"
jpeg rgb -rgb "$work/odd.ppm"
jpeg dot "$work/dot.ppm"
# Quality 20 needs quantization values above 255 (16-bit tables); cjpeg says so on stderr.
jpeg tall -quality 20 "$work/tall.ppm"
jpeg prog -progressive "$work/small.ppm"
jpeg prog-grey -progressive -grayscale "$work/odd.ppm"
jpeg prog-444 -progressive -sample 1x1 "$work/wide.ppm"
jpeg arith -arithmetic "$work/small.ppm"
jpeg arith-prog -arithmetic -progressive "$work/odd.ppm"
jpeg restart -restart 1 "$work/small.ppm"
jpeg restart-prog -restart 1B -progressive "$work/odd.ppm"
jpeg optimize -optimize -quality 95 -dct float "$work/small.ppm"
jpeg separate -scans "$work/separate.scans" "$work/small.ppm"

# The scans of a tiny progressive file repeated, to just under and just over the decoder's limit
# of 500 scans (kMaxProgressiveScans); arithmetic coding keeps each scan a few bytes long.
awk 'BEGIN { print "P2 8 8 255"; for (i = 0; i < 64; i++) print (i * 37) % 256 }' >"$work/grey8.pgm"
cjpeg -grayscale -progressive -arithmetic "$work/grey8.pgm" >"$work/scans.jpg"
sos=$(grep -obUaP '\xff\xda' "$work/scans.jpg" | head -n 1 | cut -d: -f1)
eoi=$(grep -obUaP '\xff\xd9' "$work/scans.jpg" | tail -n 1 | cut -d: -f1)
tail -c +$((sos + 1)) "$work/scans.jpg" | head -c $((eoi - sos)) >"$work/scans.part"
scans=$(grep -obUaP '\xff\xda' "$work/scans.part" | wc -l)
under=$((500 / scans))
for copies in "$under" $((under + 1)); do
    head -c "$sos" "$work/scans.jpg" >"$work/scans-$copies.jpg"
    i=0
    while [ "$i" -lt "$copies" ]; do
        cat "$work/scans.part" >>"$work/scans-$copies.jpg"
        i=$((i + 1))
    done
    printf '\377\331' >>"$work/scans-$copies.jpg"
done
rm "$work/scans.jpg"

# An EXIF segment right after SOI, as cameras write it.
{ printf '\377\330\377\341\000\010Exif\000\000'; tail -c +3 "$work/base.jpg"; } >"$work/exif.jpg"
# Cut short inside the entropy-coded data: the decoder warns and pads.
head -c 300 "$work/prog.jpg" >"$work/truncated.jpg"

if command -v convert >/dev/null 2>&1; then
    # ImageMagick chooses the Adobe transform itself (YCCK at the time of writing); the byte is
    # set below so that both transforms are seeded whatever it chose.
    convert -size 20x12 gradient:red-blue -colorspace CMYK -quality 80 "$work/cmyk.jpg"
    convert -size 9x17 gradient:yellow-green -colorspace CMYK -interlace JPEG "$work/cmyk-prog.jpg"
    adobe=$(offset_of "$work/cmyk.jpg" Adobe)
    if [ -n "$adobe" ]; then
        cp "$work/cmyk.jpg" "$work/cmyk-adobe.jpg"
        patch_byte "$work/cmyk-adobe.jpg" $((adobe + 11)) 000
        cp "$work/cmyk.jpg" "$work/ycck.jpg"
        patch_byte "$work/ycck.jpg" $((adobe + 11)) 002
        # "Adobx" is not recognised: plain CMYK, which is not stored inverted.
        cp "$work/cmyk.jpg" "$work/cmyk-plain.jpg"
        patch_byte "$work/cmyk-plain.jpg" $((adobe + 4)) 170
        rm "$work/cmyk.jpg"
    fi
else
    echo "make-seeds.sh: convert not found, no CMYK seeds" >&2
fi

n=0
# Every file four times, once per scale; the other bits of the control byte vary from file to file.
for file in "$work"/*.jpg; do
    for scale in 0 1 2 3; do
        control=$(((n * 8 + scale) % 256))
        { printf '%b' "\\0$(printf %03o "$control")"; cat "$file"; } >"$out/$(basename "$file" .jpg)-$scale"
    done
    n=$((n + 1))
done
echo "make-seeds.sh: $(find "$out" -type f | wc -l) seeds in $out"
