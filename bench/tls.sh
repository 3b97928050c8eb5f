#!/bin/sh
# HTTPS beside nginx, both with the same P-256 certificate and TLS 1.3, in the same run:
# - a 1 KB file with "Connection: close" at 50 connections, so every request makes a new TLS
#   connection: requests/s with two wrk threads (as the other benchmarks), then with one wrk thread
#   with the server's processor time per request,
# - one 1 GB file over one connection: MB/s (best of three) and processor time per GB.
# Vireo speaks TLS on its usual port (18080); nginx listens for TLS on 18643 beside its plain 18081.
# Usage: bench/tls.sh   (needs about 1 GB of free space in TMPDIR)
. "$(dirname "$0")/lib.sh"
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 30 -subj /CN=127.0.0.1 \
    -addext subjectAltName=IP:127.0.0.1 -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
chmod 644 "$work/key.pem"
nginx_server_extra="listen 127.0.0.1:18643 ssl; ssl_protocols TLSv1.3;
        ssl_certificate $work/cert.pem; ssl_certificate_key $work/key.pem;"
head -c 1024 /dev/urandom >"$work/site/small.bin"
head -c 1073741824 /dev/zero >"$work/site/big.bin"
start_servers
"$build/vireo" config set tls_certificate "$work/cert.pem" >/dev/null
"$build/vireo" config set tls_key "$work/key.pem" >/dev/null
# The server looks at its certificate settings at most once a second.
sleep 2

# Both must present the certificate made above and agree on TLS 1.3, or the comparison is void.
for port in 18080 18643; do
    presented=$(echo | openssl s_client -connect "127.0.0.1:$port" 2>/dev/null | openssl x509 -noout -fingerprint -sha256)
    expected=$(openssl x509 -in "$work/cert.pem" -noout -fingerprint -sha256)
    [ "$presented" = "$expected" ] || { echo "port $port presents another certificate" >&2; exit 1; }
    curl -sk -o /dev/null -w '%{http_code}' "https://127.0.0.1:$port/site/small.bin" | grep -q 200 ||
        { echo "port $port does not serve the file over HTTPS" >&2; exit 1; }
done

nginx_worker=$(pgrep -P "$nginx_pid" | head -n 1)

# The download speed, and the processor time the server spent on it per GB sent.
download() {  # pid, url
    before=$(cpu_ticks "$1")
    speed=$(throughput "$2" -k)
    after=$(cpu_ticks "$1")
    echo "$speed $before $after" | awk -v t="$(getconf CLK_TCK)" \
        '{printf "%d MB/s, %.2f s of processor time per GB", $1, ($3 - $2) / t / 3}'
}

echo "1 KB file over TLS, a new connection per request, two wrk threads:"
echo "  vireo: $(rate https://127.0.0.1:18080/site/small.bin) requests/s"
echo "  nginx: $(rate https://127.0.0.1:18643/site/small.bin) requests/s"
echo "the same with one wrk thread:"
echo "  vireo: $(cost "$vireo_pid" https://127.0.0.1:18080/site/small.bin)"
echo "  nginx: $(cost "$nginx_worker" https://127.0.0.1:18643/site/small.bin)"
echo "1 GB file over TLS, best of three downloads:"
echo "  vireo: $(download "$vireo_pid" https://127.0.0.1:18080/site/big.bin)"
echo "  nginx: $(download "$nginx_worker" https://127.0.0.1:18643/site/big.bin)"
