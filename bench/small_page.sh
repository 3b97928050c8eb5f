#!/bin/sh
# Requests per second for a small page with "Connection: close" at 50 concurrent connections:
# Vireo's echo page beside nginx serving a 1 KB file, both on loopback, in the same run.
# Usage: bench/small_page.sh [build-dir]   (needs wrk and nginx: apt-get install wrk nginx-light)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
seconds=${SECONDS_PER_RUN:-10}
work=$(mktemp -d)
trap 'kill $vireo_pid $nginx_pid 2>/dev/null || true; rm -rf "$work"' EXIT

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVIREO_TESTS=OFF >/dev/null
cmake --build "$build" >/dev/null

# nginx with one worker: Vireo answers from one process too.
head -c 1024 /dev/zero | tr '\0' 'x' >"$work/small.html"
cat >"$work/nginx.conf" <<CONF
worker_processes 1;
daemon off;
pid $work/nginx.pid;
error_log $work/nginx-error.log;
events { worker_connections 1024; }
http {
    access_log off;
    server { listen 127.0.0.1:18081; root $work; keepalive_timeout 0; }
}
CONF
nginx -c "$work/nginx.conf" &
nginx_pid=$!

export XDG_CONFIG_HOME="$work/config"
"$build/vireo" config set listen_port 18080 >/dev/null
"$build/vireo" config set listen_ip 127.0.0.1 >/dev/null
"$build/vireo" serve >/dev/null &
vireo_pid=$!
sleep 1

echo "vireo: $(wrk -t2 -c50 -d"${seconds}s" -H 'Connection: close' 'http://127.0.0.1:18080/??' | grep Requests/sec)"
echo "nginx: $(wrk -t2 -c50 -d"${seconds}s" -H 'Connection: close' http://127.0.0.1:18081/small.html | grep Requests/sec)"
