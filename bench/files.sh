#!/bin/sh
# File delivery beside nginx, in the same run:
# - a 1 KB file with "Connection: close" at 50 connections (requests/s),
# - one 1 GB file over one connection (MB/s, best of three),
# - the listing of a folder of 200 files against nginx's autoindex (requests/s).
# Usage: bench/files.sh   (needs about 2 GB of free space in TMPDIR; wrk, nginx and curl are
#                          installed through bench/bootstrap)
. "$(dirname "$0")/lib.sh"
head -c 1024 /dev/urandom >"$work/site/small.bin"
head -c 1073741824 /dev/zero >"$work/site/big.bin"
mkdir -p "$work/site/many"
i=0
while [ $i -lt 200 ]; do head -c $((i * 37)) /dev/zero >"$work/site/many/file-$i.txt"; i=$((i + 1)); done
start_servers

echo "1 KB file   vireo: $(rate http://127.0.0.1:18080/site/small.bin) requests/s"
echo "1 KB file   nginx: $(rate http://127.0.0.1:18081/site/small.bin) requests/s"
echo "1 GB file   vireo: $(throughput http://127.0.0.1:18080/site/big.bin) MB/s"
echo "1 GB file   nginx: $(throughput http://127.0.0.1:18081/site/big.bin) MB/s"
echo "200 listing vireo: $(rate http://127.0.0.1:18080/site/many/) requests/s"
echo "200 listing nginx: $(rate http://127.0.0.1:18081/site/many/) requests/s"
