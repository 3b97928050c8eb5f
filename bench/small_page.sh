#!/bin/sh
# Requests per second for a small page with "Connection: close" at 50 concurrent connections:
# Vireo's request echo page beside nginx serving a 1 KB file, in the same run.
# Usage: bench/small_page.sh   (wrk and nginx-light are installed through bench/bootstrap)
. "$(dirname "$0")/lib.sh"
head -c 1024 /dev/zero | tr '\0' 'x' >"$work/site/small.html"
start_servers
echo "vireo echo page: $(rate 'http://127.0.0.1:18080/??') requests/s"
echo "nginx 1 KB file: $(rate http://127.0.0.1:18081/site/small.html) requests/s"
