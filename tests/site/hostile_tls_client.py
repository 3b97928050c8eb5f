"""A TLS client that misbehaves as hostile or broken visitors do, for the server tests.

hostile_tls_client.py PORT send FILE         handshakes, sends FILE's bytes, prints what comes back
hostile_tls_client.py PORT stall FILE MS     handshakes, prints "ready", sends FILE's bytes one every MS
                                             milliseconds, then waits; prints "closed" once the server
                                             ends the connection
hostile_tls_client.py PORT vanish PATH BYTES asks for PATH, reads at least BYTES of the answer and
                                             closes the socket without a close_notify; prints the count
hostile_tls_client.py PORT notify FILE       sends FILE's bytes, then close_notify; prints what comes back
hostile_tls_client.py PORT alert FILE        sends FILE's bytes, then a bare fatal alert record on the
                                             socket; prints what comes back
hostile_tls_client.py PORT old VERSION       offers only TLSv1 or TLSv1_1; prints "refused" or "accepted"
hostile_tls_client.py PORT split FILE        writes every byte of the handshake and of FILE alone, with
                                             a pause after each; prints the answer
hostile_tls_client.py PORT renegotiate FILE  openssl s_client over TLS 1.2 asks to renegotiate, then
                                             sends FILE; prints "answered" or "unanswered", then what
                                             s_client printed
"""
import os
import socket
import ssl
import subprocess
import sys
import threading
import time
import warnings

# A fatal handshake_failure alert as a record of its own, outside any session's protection.
BARE_ALERT = bytes([0x15, 0x03, 0x03, 0x00, 0x02, 0x02, 0x28])


def context(oldest=None, newest=None):
    tls = ssl.SSLContext(ssl.PROTOCOL_TLS_CLIENT)
    tls.check_hostname = False
    tls.verify_mode = ssl.CERT_NONE
    if oldest:
        # This client's own library refuses the old versions unless told to offer them.
        warnings.simplefilter("ignore", DeprecationWarning)
        tls.set_ciphers("DEFAULT:@SECLEVEL=0")
        tls.minimum_version = oldest
        tls.maximum_version = newest
    return tls


def connect(port, tls=None):
    raw = socket.create_connection(("127.0.0.1", port), timeout=10)
    return (tls or context()).wrap_socket(raw, server_hostname="127.0.0.1")


def read_until_closed(tls):
    """Everything until the server closes; a close_notify, an end or a reset all count as closing."""
    answer = b""
    while True:
        try:
            chunk = tls.recv(65536)
        except (ssl.SSLError, ConnectionResetError, BrokenPipeError):
            return answer
        if not chunk:
            return answer
        answer += chunk


def send(port, path):
    with connect(port) as tls:
        try:
            tls.sendall(open(path, "rb").read())
        except (ssl.SSLError, ConnectionResetError, BrokenPipeError):
            pass
        sys.stdout.buffer.write(read_until_closed(tls))


def stall(port, path, milliseconds):
    milliseconds = int(milliseconds)
    with connect(port) as tls:
        print("ready", flush=True)
        try:
            for byte in open(path, "rb").read():
                tls.sendall(bytes([byte]))
                time.sleep(milliseconds / 1000)
        except (ssl.SSLError, ConnectionResetError, BrokenPipeError):
            pass
        try:
            read_until_closed(tls)
        except TimeoutError:
            print("still open", flush=True)
            return
        print("closed", flush=True)


def vanish(port, path, at_least):
    at_least = int(at_least)
    tls = connect(port)
    tls.sendall(b"GET " + path.encode() + b" HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")
    got = 0
    while got < at_least:
        chunk = tls.recv(65536)
        if not chunk:
            break
        got += len(chunk)
    # Gone without a word: the descriptor closes under the session.
    socket.socket(fileno=tls.detach()).close()
    print(got, flush=True)


def notify(port, path):
    with connect(port) as tls:
        tls.sendall(open(path, "rb").read())
        try:
            raw = tls.unwrap()
        except (ssl.SSLError, ConnectionResetError, BrokenPipeError):
            return
        answer = b""
        while chunk := raw.recv(65536):
            answer += chunk
        sys.stdout.buffer.write(answer)


def alert(port, path):
    with connect(port) as tls:
        tls.sendall(open(path, "rb").read())
        os.write(tls.fileno(), BARE_ALERT)
        sys.stdout.buffer.write(read_until_closed(tls))


def old(port, version):
    newest = {"TLSv1": ssl.TLSVersion.TLSv1, "TLSv1_1": ssl.TLSVersion.TLSv1_1}[version]
    try:
        with connect(port, context(ssl.TLSVersion.TLSv1, newest)) as tls:
            print("accepted", tls.version())
    except (ssl.SSLError, OSError) as failure:
        print("refused", failure)


def split(port, path):
    outgoing, incoming = ssl.MemoryBIO(), ssl.MemoryBIO()
    tls = context().wrap_bio(incoming, outgoing, server_hostname="127.0.0.1")
    raw = socket.create_connection(("127.0.0.1", port), timeout=10)
    raw.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)

    def flush():
        for byte in outgoing.read():
            raw.sendall(bytes([byte]))
            time.sleep(0.0005)

    def receive():
        """Hands what arrived to the session; False once the server has closed."""
        chunk = raw.recv(65536)
        incoming.write(chunk)
        return bool(chunk)

    while True:
        try:
            tls.do_handshake()
            break
        except ssl.SSLWantReadError:
            flush()
            if not receive():
                sys.exit("closed during the handshake")
    tls.write(open(path, "rb").read())
    flush()
    answer = b""
    while True:
        try:
            chunk = tls.read(65536)
        except ssl.SSLWantReadError:
            if not receive():
                break
            continue
        except ssl.SSLZeroReturnError:
            break
        # Empty once the server's close_notify has been read.
        if not chunk:
            break
        answer += chunk
    sys.stdout.buffer.write(answer)


def renegotiate(port, path):
    client = subprocess.Popen(
        ["openssl", "s_client", "-connect", "127.0.0.1:%d" % port, "-tls1_2"],
        stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    watchdog = threading.Timer(15, client.kill)
    watchdog.start()
    # The session's summary ends with this line and one of dashes; then s_client reads commands.
    for line in client.stdout:
        if line.startswith(b"    Extended master secret"):
            client.stdout.readline()
            break
    try:
        client.stdin.write(b"R\n")
        client.stdin.flush()
        # Sent apart, or s_client would take the request for part of its command.
        for line in client.stdout:
            if line == b"RENEGOTIATING\n":
                break
        client.stdin.write(open(path, "rb").read())
        client.stdin.flush()
    except BrokenPipeError:
        pass
    # The server answers the request only on a session that is still there.
    rest = client.stdout.read()
    watchdog.cancel()
    client.kill()
    client.wait()
    print("answered" if b"HTTP/1.1 " in rest else "unanswered")
    sys.stdout.buffer.write(rest)


ACTIONS = {"send": send, "stall": stall, "vanish": vanish, "notify": notify, "alert": alert, "old": old,
           "split": split, "renegotiate": renegotiate}


def main():
    ACTIONS[sys.argv[2]](int(sys.argv[1]), *sys.argv[3:])


main()
