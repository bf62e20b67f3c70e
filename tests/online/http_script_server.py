#!/usr/bin/env python3
"""A scripted HTTP server on loopback for the HTTP client's tests.

Prints its port on the first line of its output, then serves one
connection after another until stdin ends. For each connection it reads
the request (the header block and Content-Length bytes of body), appends
it to the --record file, and then does what it was told:

  --reply HEX   send these bytes (hexadecimal) and close
  --pace MS     send the reply one byte at a time, MS apart
  --hold        send nothing; wait until the client goes away
  --reset       close with a reset (RST) instead of an orderly close
"""
import argparse
import select
import socket
import struct
import sys
import time


def read_request(conn):
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = conn.recv(4096)
        if not chunk:
            return data
        data += chunk
    head, _, body = data.partition(b"\r\n\r\n")
    length = 0
    for line in head.split(b"\r\n")[1:]:
        name, _, value = line.partition(b":")
        if name.strip().lower() == b"content-length":
            length = int(value.strip() or b"0")
    while len(body) < length:
        chunk = conn.recv(4096)
        if not chunk:
            break
        body += chunk
    return head + b"\r\n\r\n" + body


def serve(conn, args):
    request = read_request(conn)
    if args.record:
        with open(args.record, "ab") as out:
            out.write(request)
    if args.hold:
        while conn.recv(4096):
            pass
        return
    reply = bytes.fromhex(args.reply)
    conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    if args.pace:
        for i in range(len(reply)):
            conn.sendall(reply[i:i + 1])
            time.sleep(args.pace / 1000)
    else:
        conn.sendall(reply)
    if args.reset:
        conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--reply", default="")
    parser.add_argument("--pace", type=float, default=0)
    parser.add_argument("--hold", action="store_true")
    parser.add_argument("--reset", action="store_true")
    parser.add_argument("--record")
    args = parser.parse_args()
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(4)
    print(listener.getsockname()[1], flush=True)
    while True:
        ready, _, _ = select.select([listener, sys.stdin], [], [])
        if sys.stdin in ready and not sys.stdin.buffer.read1(1):
            return
        if listener in ready:
            conn, _ = listener.accept()
            try:
                serve(conn, args)
            except OSError:
                pass
            finally:
                conn.close()


if __name__ == "__main__":
    main()
