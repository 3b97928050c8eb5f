#!/bin/sh
# What one request costs each server, Vireo beside nginx (one worker) in the same run:
# - a 1 KB file and a listing of 200 files, with one wrk thread at 50 connections and
#   "Connection: close": requests/s and the server's processor time per request (user + system,
#   read from /proc before and after);
# - system calls per request, counted with strace -c -f over a fixed number of requests;
# - the 1 KB file at 10, 200 and 1000 concurrent connections (two wrk threads), with Vireo's
#   resident memory at its peak.
# Usage: bench/request_cost.sh   (wrk, nginx, curl and strace come through bench/bootstrap;
#                                 SECONDS_PER_RUN=10 by default, COUNTED_REQUESTS=2000, SHOW_CALLS=1
#                                 lists each call's count per request)
. "$(dirname "$0")/lib.sh"
seconds=${SECONDS_PER_RUN:-10}
counted=${COUNTED_REQUESTS:-2000}
head -c 1024 /dev/urandom >"$work/site/small.bin"
mkdir -p "$work/site/many"
i=0
while [ $i -lt 200 ]; do head -c $((i * 37)) /dev/zero >"$work/site/many/file-$i.txt"; i=$((i + 1)); done
start_servers
# Enough descriptors for 1000 connections on both sides.
ulimit -n 8192 2>/dev/null || true
nginx_worker=$(pgrep -P "$nginx_pid" | head -n 1)

# System calls per request of one server: strace counts every call of every thread while curl
# makes the requests one after another.
calls() {  # pid, url
    strace -c -f -q -o "$work/strace.txt" -p "$1" &
    tracer=$!
    sleep 1
    n=0
    while [ $n -lt "$counted" ]; do
        curl -s -o /dev/null "$2"
        n=$((n + 1))
    done
    sleep 0.5
    kill -INT "$tracer"
    wait "$tracer" 2>/dev/null || true
    awk -v n="$counted" '$NF == "total" {printf "%.1f", $4 / n}' "$work/strace.txt"
    # SHOW_CALLS=1: each call's count per request as well, on stderr.
    if [ -n "${SHOW_CALLS:-}" ]; then
        awk -v n="$counted" '$4 ~ /^[0-9]+$/ && $NF != "total" {printf "    %-16s %.2f\n", $NF, $4 / n}' \
            "$work/strace.txt" >&2
    fi
}

peak_memory() {
    awk '/VmHWM/ {printf "%.0f MB", $2 / 1024}' "/proc/$1/status"
}

echo "1 KB file, one wrk thread"
echo "  vireo: $(cost "$vireo_pid" http://127.0.0.1:18080/site/small.bin)"
echo "  nginx: $(cost "$nginx_worker" http://127.0.0.1:18081/site/small.bin)"
echo "200-file listing, one wrk thread"
echo "  vireo: $(cost "$vireo_pid" http://127.0.0.1:18080/site/many/)"
echo "  nginx: $(cost "$nginx_worker" http://127.0.0.1:18081/site/many/)"
echo "system calls per 1 KB file request"
echo "  vireo: $(calls "$vireo_pid" http://127.0.0.1:18080/site/small.bin)"
echo "  nginx: $(calls "$nginx_worker" http://127.0.0.1:18081/site/small.bin)"
echo "1 KB file by concurrent connections (requests/s, two wrk threads)"
for connections in 10 200 1000; do
    v=$(wrk -t2 -c$connections -d"${seconds}s" -H 'Connection: close' http://127.0.0.1:18080/site/small.bin |
        awk '/Requests\/sec/ {print $2}')
    n=$(wrk -t2 -c$connections -d"${seconds}s" -H 'Connection: close' http://127.0.0.1:18081/site/small.bin |
        awk '/Requests\/sec/ {print $2}')
    echo "  $connections: vireo $v, nginx $n"
done
echo "vireo peak resident memory: $(peak_memory "$vireo_pid")"
