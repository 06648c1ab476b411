#!/usr/bin/env python3
# A TCP proxy for the tests: forwards a free local port to HOST:PORT and
# prints that port on its first line.
#
#   SIGSTOP / SIGCONT   pause and resume the link: the kernel still accepts
#                       connections and acknowledges data, as a stalled
#                       network does, but nothing gets through
#   SIGUSR1             cuts every open connection (reset)
#   SIGUSR2 / SIGHUP    refuse new connections / accept them again
import selectors
import signal
import socket
import struct
import sys


def main():
    host, port = sys.argv[1].rsplit(":", 1)
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(128)
    print(listener.getsockname()[1], flush=True)
    selector = selectors.DefaultSelector()
    selector.register(listener, selectors.EVENT_READ)
    partners = {}
    state = {"cut": False, "refuse": False}
    signal.signal(signal.SIGUSR1, lambda *_: state.update(cut=True))
    signal.signal(signal.SIGUSR2, lambda *_: state.update(refuse=True))
    signal.signal(signal.SIGHUP, lambda *_: state.update(refuse=False))

    def reset(sock):
        try:
            selector.unregister(sock)
        except (KeyError, ValueError):
            pass
        try:
            sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        except OSError:
            pass
        sock.close()

    def drop(sock):
        partner = partners.pop(sock, None)
        reset(sock)
        if partner is not None:
            partners.pop(partner, None)
            reset(partner)

    while True:
        events = selector.select(timeout=0.05)
        if state["cut"]:
            state["cut"] = False
            for sock in list(partners):
                if sock in partners:
                    drop(sock)
        for key, _ in events:
            sock = key.fileobj
            if sock is listener:
                client, _ = listener.accept()
                if state["refuse"]:
                    reset(client)
                    continue
                try:
                    server = socket.create_connection((host, int(port)), timeout=5)
                    server.settimeout(None)
                except OSError:
                    reset(client)
                    continue
                partners[client] = server
                partners[server] = client
                selector.register(client, selectors.EVENT_READ)
                selector.register(server, selectors.EVENT_READ)
                continue
            if sock not in partners:
                continue
            try:
                data = sock.recv(65536)
            except OSError:
                data = b""
            if not data:
                drop(sock)
                continue
            try:
                partners[sock].sendall(data)
            except OSError:
                drop(sock)


if __name__ == "__main__":
    main()
