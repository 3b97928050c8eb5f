#!/bin/sh
# How the desktop window answers while its server is busy: `vireo auto` (the window, hidden, under
# Qt's offscreen platform) serves a 1 KB file to wrk; meanwhile a probe asks the window to show
# itself every 50 ms through its local socket, which the window's own thread answers, and times
# each answer. Prints wrk's totals, the answer times (median, 99th percentile, worst) and the
# process's resident memory at the end. DURATION (seconds, default 70) is long enough for about
# a million requests on a 2-core machine.
#
#   bench/window_latency.sh
. "$(dirname "$0")/lib.sh"

duration=${DURATION:-70}
if curl -s -o /dev/null "http://127.0.0.1:18080/"; then
    echo "port 18080 is already in use" >&2
    exit 1
fi
build_vireo
head -c 1024 /dev/urandom >"$work/site/small.bin"
export XDG_CONFIG_HOME="$work/config"
"$build/vireo" config set listen_port 18080 >/dev/null
"$build/vireo" config set listen_ip 127.0.0.1 >/dev/null
"$build/vireo" config folder add site "$work/site" >/dev/null
QT_QPA_PLATFORM=offscreen "$build/vireo" auto 2>"$work/window.log" &
vireo_pid=$!
wait_for vireo "$vireo_pid" 18080 || exit 1

# The probe: the socket's name is the store's path hashed (FNV-1a, 64 bits), as the window names it.
cat >"$work/probe.py" <<'PROBE'
import os, socket, statistics, sys, time
store = os.path.join(os.environ["XDG_CONFIG_HOME"], "quillmark", "vireo", "user.db").encode()
h = 14695981039346656037
for c in store:
    h = ((h ^ c) * 1099511628211) & 0xFFFFFFFFFFFFFFFF
name = b"\0quillmark-vireo-%016x" % h
end = time.monotonic() + float(sys.argv[1])
times = []
while time.monotonic() < end:
    start = time.monotonic()
    s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    s.connect(name)
    s.sendall(b"S")
    if s.recv(1) != b"S":
        sys.exit("the window did not answer")
    s.close()
    times.append((time.monotonic() - start) * 1000)
    time.sleep(0.05)
times.sort()
print("window answers: %d, median %.2f ms, 99th percentile %.2f ms, worst %.2f ms" % (
    len(times), statistics.median(times), times[int(len(times) * 0.99) - 1], times[-1]))
PROBE

/usr/bin/python3 "$work/probe.py" 5 | sed 's/^/idle: /'
/usr/bin/python3 "$work/probe.py" "$((duration - 5))" | sed 's/^/under load: /' &
probe=$!
wrk -t1 -c50 -d"${duration}s" -H 'Connection: close' http://127.0.0.1:18080/site/small.bin |
    awk '/requests in/ {print "wrk:", $1, "requests in", $4} /Requests\/sec/ {print "wrk:", $2, "requests/s"}'
wait "$probe"
echo "window process: $(awk '/VmRSS|VmHWM/ {printf "%s %d MB  ", $1, $2 / 1024}' /proc/$vireo_pid/status)"
