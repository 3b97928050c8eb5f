# Shared by the benchmark scripts: installs what they need (bench/bootstrap), builds Vireo, starts it
# and nginx side by side on loopback (Vireo on 18080, nginx on 18081), both serving $work/site, and
# stops both on exit. A script may set nginx_server_extra to more directives for nginx's server block.
# nginx runs one worker without keep-alive, like Vireo's one process and one request per connection.
# It is started here with a private configuration, pid file, logs and temporary folders under $work,
# so it needs no system-wide nginx service and nothing under /etc/nginx or /var/lib/nginx.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/bench/bootstrap"
build=${BUILD:-$root/build/release}
# Debian installs nginx in /usr/sbin, which is not in the PATH of ordinary users; NGINX=path overrides.
nginx=${NGINX:-$(command -v nginx || echo /usr/sbin/nginx)}
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

build_vireo() {
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVIREO_TESTS=OFF >/dev/null
    cmake --build "$build" >/dev/null
}

# Fails unless something answers HTTP on the port within about 5 seconds while the process lives.
wait_for() {  # name, pid, port
    tries=0
    until curl -s -o /dev/null "http://127.0.0.1:$3/"; do
        if ! kill -0 "$2" 2>/dev/null; then
            echo "$1 ended before it answered on port $3" >&2
            return 1
        fi
        tries=$((tries + 1))
        if [ "$tries" -ge 50 ]; then
            echo "$1 does not answer on port $3" >&2
            return 1
        fi
        sleep 0.1
    done
}

start_nginx() {
    # Temporary folders of the modules this nginx has; the defaults are under /var/lib/nginx.
    temp_paths="client_body_temp_path $work/nginx-temp/body; proxy_temp_path $work/nginx-temp/proxy;"
    for module in fastcgi uwsgi scgi; do
        if ! "$nginx" -V 2>&1 | grep -q -- "--without-http_${module}_module"; then
            temp_paths="$temp_paths ${module}_temp_path $work/nginx-temp/$module;"
        fi
    done
    mkdir -p "$work/nginx-temp"
    cat >"$work/nginx.conf" <<CONF
worker_processes 1;
daemon off;
pid $work/nginx.pid;
error_log $work/nginx-error.log;
events { worker_connections 1024; }
http {
    access_log off;
    sendfile on;
    $temp_paths
    server {
        listen 127.0.0.1:18081; root $work; keepalive_timeout 0; autoindex on;
        # Uploads: the body is stored whole in a file, then passed to an upstream that does not exist,
        # so nginx receives all of it before it answers (200 through the 502 page).
        location /upload/ {
            client_body_in_file_only on; client_body_temp_path $work/nginx-upload; client_max_body_size 0;
            proxy_pass http://unix:$work/no-upstream.sock; error_page 502 = @stored;
        }
        location @stored { return 200 "stored\\n"; }
        ${nginx_server_extra:-}
    }
}
CONF
    # -e: the log nginx writes before it has read the configuration.
    "$nginx" -e "$work/nginx-error.log" -c "$work/nginx.conf" &
    nginx_pid=$!
    wait_for nginx "$nginx_pid" 18081 || { cat "$work/nginx-error.log" >&2; exit 1; }
}

start_vireo() {
    export XDG_CONFIG_HOME="$work/config"
    "$build/vireo" config set listen_port 18080 >/dev/null
    "$build/vireo" config set listen_ip 127.0.0.1 >/dev/null
    "$build/vireo" config folder add site "$work/site" --subfolders >/dev/null
    "$build/vireo" serve >/dev/null &
    vireo_pid=$!
    wait_for vireo "$vireo_pid" 18080 || exit 1
}

start_servers() {
    # A server left running on either port would answer in place of the ones started here.
    for port in 18080 18081; do
        if curl -s -o /dev/null "http://127.0.0.1:$port/"; then
            echo "port $port is already in use" >&2
            exit 1
        fi
    done
    build_vireo
    start_nginx
    start_vireo
}

# Requests per second of wrk at 50 connections, each request on a new connection.
rate() {
    wrk -t2 -c50 -d"${SECONDS_PER_RUN:-10}s" -H 'Connection: close' "$1" | awk '/Requests\/sec/ {print $2}'
}

# Download speed of one URL in MB/s, the best of three; options after the URL go to curl.
throughput() {
    url=$1
    shift
    best=0
    for _ in 1 2 3; do
        speed=$(curl -s "$@" -o /dev/null -w '%{speed_download}' "$url")
        best=$(echo "$speed $best" | awk '{print ($1 > $2) ? $1 : $2}')
    done
    echo "$best" | awk '{printf "%.0f", $1 / 1048576}'
}

# User plus system time of a process and all its threads, in clock ticks.
cpu_ticks() {
    awk '{print $14 + $15}' "/proc/$1/stat"
}

# requests/s and processor microseconds per request of one server for one URL, with one wrk thread
# at 50 connections and "Connection: close", so the load generator does not starve either server.
cost() {  # pid, url
    seconds=${SECONDS_PER_RUN:-10}
    before=$(cpu_ticks "$1")
    requests=$(wrk -t1 -c50 -d"${seconds}s" -H 'Connection: close' "$2" | awk '/requests in/ {print $1}')
    after=$(cpu_ticks "$1")
    echo "$requests $before $after" | awk -v s="$seconds" -v t="$(getconf CLK_TCK)" \
        '{printf "%.0f requests/s, %.0f us of processor time per request", $1 / s, ($3 - $2) * 1000000 / t / $1}'
}
