"""A TLS client for the server tests: sends one request in small pieces and prints the answer.

tls_client.py PORT REQUEST [CAFILE]  -- verifies against CAFILE when given; prints the answer
tls_client.py PORT --fingerprint     -- prints the server certificate's SHA-256 fingerprint
"""
import hashlib
import socket
import ssl
import sys
import time


def connect(port, cafile=None):
    if cafile:
        context = ssl.create_default_context(cafile=cafile)
    else:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_CLIENT)
        context.check_hostname = False
        context.verify_mode = ssl.CERT_NONE
    raw = socket.create_connection(("127.0.0.1", port), timeout=10)
    return context.wrap_socket(raw, server_hostname="127.0.0.1")


def main():
    port = int(sys.argv[1])
    if sys.argv[2] == "--fingerprint":
        with connect(port) as tls:
            digest = hashlib.sha256(tls.getpeercert(binary_form=True)).hexdigest().upper()
            print("SHA-256 " + ":".join(digest[i:i + 2] for i in range(0, len(digest), 2)))
        return
    request = sys.argv[2].encode().decode("unicode_escape").encode("latin-1")
    with connect(port, sys.argv[3] if len(sys.argv) > 3 else None) as tls:
        # A few bytes per TLS record, as a slow client would send them.
        for at in range(0, len(request), 3):
            tls.sendall(request[at:at + 3])
            time.sleep(0.002)
        answer = b""
        while True:
            try:
                chunk = tls.recv(65536)
            except (ssl.SSLError, ConnectionResetError):
                break
            if not chunk:
                break
            answer += chunk
        sys.stdout.buffer.write(answer)


main()
