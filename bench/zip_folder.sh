#!/bin/sh
# A folder of mixed files packed two ways in the same run: downloaded from Vireo as a zip archive with
# curl, and packed by `zip -r -q -6` (the same deflate level) into a file. Prints the wall times,
# checks the downloaded archive with `unzip -tq`, and shows how much the server's peak memory grew
# during the download.
# Usage: bench/zip_folder.sh      (SIZE_MB=1024 by default; needs about 3 x SIZE_MB of free space
#                                  in TMPDIR; zip, unzip and curl are installed through bench/bootstrap)
. "$(dirname "$0")/lib.sh"
size_mb=${SIZE_MB:-1024}
folder="$work/site/mixed"

# A quarter each of random bytes (incompressible), base64 text (compresses to about 75%) and zero
# bytes (compresses to almost nothing) in files of 1 to 32 MB, and base64 text in files of up to 36 KB.
quarter=$((size_mb / 4))
make_big_files() {  # kind, folder
    mkdir -p "$2"
    left=$quarter
    i=0
    while [ "$left" -gt 0 ]; do
        mb=$((1 << (i % 6)))
        [ "$mb" -gt "$left" ] && mb=$left
        case $1 in
            random) head -c $((mb << 20)) /dev/urandom ;;
            text) head -c $(((mb << 20) * 3 / 4)) /dev/urandom | base64 ;;
            zero) head -c $((mb << 20)) /dev/zero ;;
        esac >"$2/$1-$i.bin"
        left=$((left - mb))
        i=$((i + 1))
    done
}
make_big_files random "$folder/random"
make_big_files text "$folder/text/nested"
make_big_files zero "$folder/zero"
mkdir -p "$folder/small"
head -c $((quarter << 20)) /dev/urandom | base64 | split -a 5 -C 36k - "$folder/small/part-"
echo "folder: $(du -sm "$folder" | cut -f1) MB in $(find "$folder" -type f | wc -l) files"

start_servers
"$build/vireo" config folder add mixed "$folder" --zip --subfolders >/dev/null

now() { date +%s.%N; }
elapsed() { echo "$1 $2" | awk '{printf "%.2f", $2 - $1}'; }
peak_kb() { awk '/^VmHWM/ {print $2}' "/proc/$vireo_pid/status"; }

# Both runs read the folder from the page cache.
tar -cf - -C "$folder" . >/dev/null

before_kb=$(peak_kb)
start=$(now)
curl -s -o "$work/vireo.zip" "http://127.0.0.1:18080/mixed/?zipdld"
vireo_s=$(elapsed "$start" "$(now)")
after_kb=$(peak_kb)

start=$(now)
(cd "$folder/.." && zip -r -q -6 "$work/zip.zip" mixed)
zip_s=$(elapsed "$start" "$(now)")

# Vireo's writer runs at nice 19; on a busy machine this is the like-for-like figure.
rm -f "$work/zip.zip"
start=$(now)
(cd "$folder/.." && nice -n 19 zip -r -q -6 "$work/zip.zip" mixed)
nice_zip_s=$(elapsed "$start" "$(now)")

unzip -tq "$work/vireo.zip" >/dev/null && verdict=ok || verdict=FAILED
echo "vireo download: ${vireo_s} s, $(($(stat -c %s "$work/vireo.zip") >> 20)) MB, unzip -t $verdict"
echo "zip -r -q -6:   ${zip_s} s, $(($(stat -c %s "$work/zip.zip") >> 20)) MB"
echo "the same at nice 19: ${nice_zip_s} s"
echo "vireo peak memory: ${before_kb} KB before, ${after_kb} KB after the download"
