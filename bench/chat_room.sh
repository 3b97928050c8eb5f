#!/bin/sh
# The chat room with a full house: MEMBERS members (200) join over loopback, each reading its own
# endless output page, and the server is measured for
# - delivery: the time from a speech's POST until every member's stream has the message (ROUNDS
#   times, median and worst; target under 50 ms);
# - a member that stops reading: the server's processor time (user + system of all its threads,
#   from /proc/PID/stat) over WINDOW_SECONDS while members keep talking at TALK_RATE messages/s of
#   TALK_BYTES each, once with every member reading and once with one member that stopped reading
#   long ago, so its queue is big (target: the stalled member costs at most 1% of a core). The talk
#   then goes on until the server drops the stalled member (its queue passes 1 MiB), and the time
#   that took is shown. Before the measured window the queue is filled faster, with messages of
#   FILL_BYTES: the kernel takes about 4 MB into the socket before the room's own queue grows.
# There is no reference server here: no other server has this room. The client side is python3.
# Usage: bench/chat_room.sh   (MEMBERS=200 ROUNDS=20 TALK_RATE=20 TALK_BYTES=2000 WINDOW_SECONDS=10
#                              FILL_BYTES=16000 CHAT_PORT=18480; BUILD=build/release as for the other benchmarks)
. "$(dirname "$0")/lib.sh"
members=${MEMBERS:-200}
port=${CHAT_PORT:-18480}

if curl -s -o /dev/null "http://127.0.0.1:$port/"; then
    echo "port $port is already in use" >&2
    exit 1
fi
build_vireo
# 200 members, their posts and the page fetches, on both sides of loopback.
ulimit -n 8192 2>/dev/null || true
export XDG_CONFIG_HOME="$work/config"
"$build/vireo" config set listen_port "$port" >/dev/null
"$build/vireo" config set listen_ip 127.0.0.1 >/dev/null
"$build/vireo" config set AutoStartChatRoom 1 >/dev/null
"$build/vireo" config set ChatRoomMaxMember "$members" >/dev/null
# The console prints a line per finished request; it goes to a file nobody waits on.
"$build/vireo" serve >"$work/console.txt" 2>&1 &
vireo_pid=$!
wait_for vireo "$vireo_pid" "$port" || exit 1
tries=0
until grep -q '^Chat room started\.$' "$work/console.txt"; do
    tries=$((tries + 1))
    if [ "$tries" -ge 50 ]; then
        echo "the chat room did not start" >&2
        cat "$work/console.txt" >&2
        exit 1
    fi
    sleep 0.1
done

cat >"$work/chat_client.py" <<'PYTHON'
import fcntl, os, re, selectors, socket, statistics, subprocess, sys, termios, time, urllib.parse

port, server_pid = int(sys.argv[1]), int(sys.argv[2])
count = int(os.environ.get("MEMBERS", "200"))
rounds = int(os.environ.get("ROUNDS", "20"))
rate = float(os.environ.get("TALK_RATE", "20"))
talk_bytes = int(os.environ.get("TALK_BYTES", "2000"))
fill_bytes = int(os.environ.get("FILL_BYTES", "16000"))
window = float(os.environ.get("WINDOW_SECONDS", "10"))
ticks = os.sysconf("SC_CLK_TCK")
selector = selectors.DefaultSelector()
serial = 0


def cpu_seconds():
    with open(f"/proc/{server_pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / ticks  # utime, stime: fields 14 and 15


class Member:
    def __init__(self):
        with socket.create_connection(("127.0.0.1", port)) as page:
            page.sendall(b"GET /Webchat/ HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n")
            frameset = b""
            while b"</HTML>" not in frameset:
                chunk = page.recv(65536)
                if not chunk:
                    break
                frameset += chunk
        found = re.search(rb"output\.htm\?id=(\d+)", frameset)
        if not found:
            sys.exit(f"no member id in the frameset: {frameset[:300]!r}")
        self.id = int(found.group(1))
        self.stream = socket.create_connection(("127.0.0.1", port))
        self.stream.sendall(f"GET /Webchat/output.htm?id={self.id} HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n".encode())
        self.stream.setblocking(False)
        self.received = 0
        self.tail = b""
        self.marker = None
        self.reloads = 0  # list reloads seen: a join, a rename or a member that left
        selector.register(self.stream, selectors.EVENT_READ, self)

    def take(self):
        data = self.stream.recv(1 << 18)
        if not data:
            sys.exit(f"the server closed the stream of member {self.id}")
        self.received += len(data)
        seen = self.tail + data
        if self.marker is not None and self.marker in seen:
            self.marker = None
        self.reloads += seen.count(b"list.document.location.reload") - self.tail.count(b"list.document.location.reload")
        self.tail = data[-64:]


class Post:
    """One speech, on a connection of its own, read until the server closes it."""

    def __init__(self, member, text):
        body = ("to=All&speechtext=" + urllib.parse.quote_plus(text)).encode()
        self.socket = socket.create_connection(("127.0.0.1", port))
        self.socket.sendall(
            f"POST /Webchat/input.htm?id={member.id} HTTP/1.1\r\nHost: 127.0.0.1\r\n"
            f"Content-Type: application/x-www-form-urlencoded\r\nContent-Length: {len(body)}\r\n"
            "Connection: close\r\n\r\n".encode() + body)
        self.socket.setblocking(False)
        selector.register(self.socket, selectors.EVENT_READ, self)

    def take(self):
        try:
            data = self.socket.recv(4096)
        except ConnectionError:
            data = b""
        if not data:
            selector.unregister(self.socket)
            self.socket.close()


def pump(until, to_the_end=False):
    """Reads whatever arrives until `until` (a time), or until every reading member has its marker
    unless `to_the_end`. True when every reading member has its marker."""
    while True:
        left = until - time.monotonic()
        delivered = all(m.marker is None for m in readers)
        if left <= 0 or (delivered and not to_the_end):
            return delivered
        for key, _ in selector.select(min(left, 0.5)):
            key.data.take()


def say(speaker, padding=0):
    """Posts a message with a marker of its own and returns the marker."""
    global serial
    serial += 1
    marker = f"m{serial}x{os.getpid()}"
    for m in readers:
        m.marker = marker.encode()
    Post(speaker, marker + " " + "x" * padding)
    return marker


members = [Member() for _ in range(count)]
readers = list(members)
# The first message reaches everybody once every join has been handled.
say(members[0])
if not pump(time.monotonic() + 30):
    sys.exit("the first message did not reach every member within 30 s")
print(f"{count} members joined")

# (a) delivery to everybody
latencies = []
for r in range(rounds):
    started = time.monotonic()
    say(members[r % 10])
    if not pump(started + 10):
        sys.exit(f"round {r}: the message did not reach every member within 10 s")
    latencies.append((time.monotonic() - started) * 1000)
    pump(time.monotonic() + 0.1, to_the_end=True)  # the post's connection ends; the next round starts from quiet
latencies.sort()
print(f"delivery to all {count} members, {rounds} rounds: median {statistics.median(latencies):.1f} ms, "
      f"worst {latencies[-1]:.1f} ms, best {latencies[0]:.1f} ms")


def talk(seconds, check=None, size=talk_bytes):
    """Members 0..9 in turn say `size` bytes at TALK_RATE for `seconds`; returns the server's
    processor seconds, the time taken and the messages said. `check` is called after every message
    and may end the talk (True)."""
    step = 1 / rate
    start_cpu = cpu_seconds()
    start = next_time = time.monotonic()
    n = 0
    while time.monotonic() - start < seconds:
        say(members[n % 10], size)
        n += 1
        next_time += step
        pump(next_time, to_the_end=True)
        if check and check():
            break
    # Whoever reads must have kept up: the last message reached every reading member.
    if not pump(time.monotonic() + 5):
        sys.exit("the readers fell behind the talk")
    return cpu_seconds() - start_cpu, time.monotonic() - start, n


def show_window(label, cpu, elapsed, n):
    print(f"{label}: {n} messages in {elapsed:.1f} s, server processor time {cpu:.2f} s "
          f"({cpu / elapsed * 100:.1f}% of a core)")


# (b) a member that stops reading
talk(2)
quiet = talk(window)
show_window(f"talk, all {count} members reading", *quiet)

stalled = members[-1]
readers.remove(stalled)
selector.unregister(stalled.stream)
stalled_port = stalled.stream.getsockname()[1]
reference = members[0]
received_at_stall = reference.received
reloads_at_stall = reference.reloads
stalled_at = time.monotonic()


def dropped():
    """The room tells the others to reload their list when it drops a member. The stalled member
    itself cannot tell: the end of its connection waits behind all it has not read."""
    return reference.reloads > reloads_at_stall


def unread_in_client():
    buffer = bytearray(4)
    fcntl.ioctl(stalled.stream, termios.FIONREAD, buffer)
    return int.from_bytes(buffer, sys.byteorder)


def server_end():
    """State, Recv-Q and Send-Q of the server's end of the stalled member's connection."""
    fields = subprocess.run(["ss", "-tnH", "state", "all", "src", f"127.0.0.1:{port}", "dst",
                             f"127.0.0.1:{stalled_port}"], capture_output=True, text=True).stdout.split()
    return fields[:3] if len(fields) >= 3 else ["gone", "0", "0"]


def unsent_in_kernel():
    return int(server_end()[2])


def queued_in_server():
    """What the stalled member was sent and has not got, less what the sockets hold: the room's queue."""
    pending = reference.received - received_at_stall
    return max(0, pending - unread_in_client() - unsent_in_kernel())


def queue_text():
    return (f"room queue about {queued_in_server() / 1024:.0f} KiB; in the sockets "
            f"{unread_in_client() / 1024:.0f} KiB unread, {unsent_in_kernel() / 1024:.0f} KiB unsent")


# Until the kernel holds all it will and the room's own queue has grown for a while.
big = 256 * 1024
talk(300, lambda: dropped() or queued_in_server() >= big, fill_bytes)
print(f"member {stalled.id} stopped reading; after {time.monotonic() - stalled_at:.0f} s: {queue_text()}")
if dropped():
    sys.exit("the stalled member was dropped before its queue was measured")
stalled_run = talk(window, dropped)
show_window("the same talk, one member not reading", *stalled_run)
print(f"  at the end: {queue_text()}" + ("; the member was dropped during the window" if dropped() else ""))
per_core = (stalled_run[0] / stalled_run[1] - quiet[0] / quiet[1]) * 100
print(f"  the stalled member's cost: {per_core:+.1f}% of a core")
if not dropped():
    talk(120, dropped)
if dropped():
    print(f"the server dropped the stalled member {time.monotonic() - stalled_at:.0f} s after it stopped reading; "
          f"its connection on the server's side: {' '.join(server_end())} (state, Recv-Q, Send-Q)")
else:
    print("the stalled member was not dropped within 120 s of talk after the window")
after = talk(window)
show_window(f"talk again, {len(readers)} members reading", *after)
PYTHON

python3 "$work/chat_client.py" "$port" "$vireo_pid"
