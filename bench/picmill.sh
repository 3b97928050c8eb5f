#!/bin/sh
# picmill beside ImageMagick on a folder of 12-megapixel JPEG photos (PICTURES, default 500): time
# and peak memory, ImageMagick run once per file as a shell loop would ("convert -thumbnail
# 120x120"). Then the rate of the thumbnail page of that folder beside the rate of a 200-file
# listing, both served by Vireo.
# Usage: bench/picmill.sh   (ImageMagick, GNU time and wrk are installed through bench/bootstrap)
. "$(dirname "$0")/lib.sh"
count=${PICTURES:-500}
photos="$work/site/photos"
mkdir -p "$photos" "$work/site/list200" "$work/convert"
build_vireo

# One photo-like picture (a gradient with grain, so it compresses as photos do), copied under
# $count names.
convert -size 4000x3000 gradient:navy-orange -attenuate 0.4 +noise Gaussian -quality 90 "$work/master.jpg"
i=1
while [ "$i" -le "$count" ]; do
    cp "$work/master.jpg" "$photos/IMG_$(printf %04d "$i").jpg"
    i=$((i + 1))
done
echo "$count JPEGs of 4000x3000, $(du -sh "$photos" | cut -f1) in all"

measure() {  # label, command...
    label=$1
    shift
    /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" >/dev/null
    read -r seconds kilobytes <"$work/time.txt"
    echo "$label: ${seconds} s, peak $((kilobytes / 1024)) MB"
}
measure "picmill" "$build/picmill" "$photos" 0
measure "ImageMagick convert, one per file" sh -c \
    'for f in "$1"/*.jpg; do convert "$f" -thumbnail 120x120 "$2/$(basename "$f").bmp"; done' _ "$photos" \
    "$work/convert"

i=1
while [ "$i" -le 200 ]; do
    head -c 1000 /dev/zero >"$work/site/list200/file_$i.txt"
    i=$((i + 1))
done
start_vireo
echo "thumbnail page of $count records: $(rate 'http://127.0.0.1:18080/site/photos/ruvededa.$$$') requests/s"
echo "listing of 200 files: $(rate http://127.0.0.1:18080/site/list200/) requests/s"
