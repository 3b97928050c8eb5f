# Shared by the benchmark scripts: builds Vireo, starts it and nginx side by side on loopback
# (Vireo on 18080, nginx on 18081), both serving $work/site, and stops both on exit.
# nginx runs one worker without keep-alive, like Vireo's one process and one request per connection.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build/release}
work=$(mktemp -d)
vireo_pid=""
nginx_pid=""
cleanup() {
    # Either server may have ended already; the clean-up must still reach the end.
    [ -n "$vireo_pid" ] && kill "$vireo_pid" 2>/dev/null || true
    [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
# nginx workers run as another user: they must be able to read what is served.
chmod 755 "$work"
mkdir -p "$work/site"

start_servers() {
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVIREO_TESTS=OFF >/dev/null
    cmake --build "$build" >/dev/null
    cat >"$work/nginx.conf" <<CONF
worker_processes 1;
daemon off;
pid $work/nginx.pid;
error_log $work/nginx-error.log;
events { worker_connections 1024; }
http {
    access_log off;
    sendfile on;
    server {
        listen 127.0.0.1:18081; root $work; keepalive_timeout 0; autoindex on;
        # Uploads: the body is stored whole in a file, then passed to an upstream that does not exist,
        # so nginx receives all of it before it answers (200 through the 502 page).
        location /upload/ {
            client_body_in_file_only on; client_body_temp_path $work/nginx-upload; client_max_body_size 0;
            proxy_pass http://unix:$work/no-upstream.sock; error_page 502 = @stored;
        }
        location @stored { return 200 "stored\\n"; }
    }
}
CONF
    nginx -c "$work/nginx.conf" &
    nginx_pid=$!
    export XDG_CONFIG_HOME="$work/config"
    "$build/vireo" config set listen_port 18080 >/dev/null
    "$build/vireo" config set listen_ip 127.0.0.1 >/dev/null
    "$build/vireo" config folder add site "$work/site" --subfolders >/dev/null
    "$build/vireo" serve >/dev/null &
    vireo_pid=$!
    sleep 1
}

# Requests per second of wrk at 50 connections, each request on a new connection.
rate() {
    wrk -t2 -c50 -d"${SECONDS_PER_RUN:-10}s" -H 'Connection: close' "$1" | awk '/Requests\/sec/ {print $2}'
}
