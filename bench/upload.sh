#!/bin/sh
# One big file uploaded with curl (-F, multipart/form-data) two ways in the same run: posted to a Vireo
# folder that allows posting, and to nginx, which stores the request body whole in a file
# (client_body_in_file_only). Prints the best wall time of each over several runs, their ratio, and
# Vireo's peak memory (VmHWM) before and after; checks that the stored files are complete (Vireo's
# byte for byte against the source), so a fast but wrong upload cannot pass.
# Usage: bench/upload.sh   (SIZE_MB=2048 and RUNS=3 by default; needs about 3 x SIZE_MB of free
#                           space in TMPDIR; curl and nginx are installed through bench/bootstrap)
. "$(dirname "$0")/lib.sh"
# A server left running on either port would answer in place of the ones started here.
for port in 18080 18081; do
    if curl -s -o /dev/null "http://127.0.0.1:$port/"; then
        echo "port $port is already in use" >&2
        exit 1
    fi
done
size_mb=${SIZE_MB:-2048}
runs=${RUNS:-3}
source_file="$work/big.bin"
head -c $((size_mb << 20)) /dev/urandom >"$source_file"
mkdir -p "$work/inbox"

start_servers
"$build/vireo" config folder add inbox "$work/inbox" --post >/dev/null
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"

peak_kb() { awk '/^VmHWM/ {print $2}' "/proc/$vireo_pid/status"; }
best() { echo "$1 $2" | awk '{print ($2 == "" || $1 < $2) ? $1 : $2}'; }
# Posts the source file; prints "seconds bytes-sent http-status".
post() {
    curl -s -o "$work/answer.html" -w '%{time_total} %{size_upload} %{http_code}' -F "fp=@$source_file" "$1"
}

before_kb=$(peak_kb)
vireo_best=""
nginx_best=""
verdict=ok
i=0
while [ $i -lt "$runs" ]; do
    # Dirty pages of the previous run are written out first, so that neither server pays for them.
    sync
    set -- $(post "http://127.0.0.1:18080/inbox/?postfile")
    vireo_best=$(best "$1" "$vireo_best")
    echo "vireo run $((i + 1)): $1 s, status $3, $(grep -o '1 Files: [^<]*' "$work/answer.html")"
    if [ "$3" != 200 ] || [ "$(stat -c %s "$work/inbox/big.bin")" != "$(stat -c %s "$source_file")" ] ||
        ! cmp -s "$source_file" "$work/inbox/big.bin"; then
        verdict=FAILED
    fi
    rm -f "$work/inbox/big.bin"

    sync
    set -- $(post "http://127.0.0.1:18081/upload/")
    nginx_best=$(best "$1" "$nginx_best")
    echo "nginx run $((i + 1)): $1 s, status $3"
    # nginx keeps the whole request body (the multipart framing included) in one file.
    stored=$(find "$work/nginx-upload" -type f -exec stat -c %s {} +)
    [ "$3" = 200 ] && [ "$stored" = "$2" ] || verdict=FAILED
    find "$work/nginx-upload" -type f -delete
    i=$((i + 1))
done
after_kb=$(peak_kb)

echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "vireo upload: ${vireo_best} s (best of $runs), stored file $verdict"
echo "nginx upload: ${nginx_best} s (best of $runs)"
echo "ratio: $(echo "$vireo_best $nginx_best" | awk '{printf "%.2f", $1 / $2}')"
echo "vireo peak memory: ${before_kb} KB before, ${after_kb} KB after the uploads"
