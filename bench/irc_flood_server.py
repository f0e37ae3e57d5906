#!/usr/bin/env python3
"""A minimal IRC server on loopback for the side-by-side burst: it registers one client, puts it
in three channels and then sends a flood of lines as fast as the client takes them, the same mix
as `qvdemo --flood`: channel speech, chat on the other channels, private messages to the user
and server notices with colour codes, each text 40 to 200 bytes long and carrying
"flood K of N ".

Usage: irc_flood_server.py LINES [--settle-ms N]
The first line on standard output is "listening on 127.0.0.1:PORT"; when the flood starts it
prints "flood start MONOTONIC_SECONDS". It serves one client and exits when it leaves.
"""
import argparse
import socket
import sys
import threading
import time

SERVER = "bench.irc"
CHANNELS = ("#flood", "#market", "#guild")
SPEAKERS = ("Ferelith", "Marek", "Ysolde", "Brannoc")
FILLER = ("the market smells of bread and smoke while the bells ring over the harbour and the "
          "guards change at the gate; ")
MIN_TEXT, MAX_TEXT = 40, 200


def text_length(number):
    return MIN_TEXT + (number * 37) % (MAX_TEXT - MIN_TEXT + 1)


def padded(head, marker, tail, length):
    text = head + marker
    body = max(length, len(text) + len(tail)) - len(tail)
    i = 0
    while len(text) < body:
        text += FILLER[i % len(FILLER)]
        i += 1
    return text + tail


def flood_line(number, total, nick):
    speaker = SPEAKERS[number % len(SPEAKERS)]
    marker = "flood %d of %d " % (number, total)
    length = text_length(number)
    source = ":%s!%s@demo.town" % (speaker, speaker.lower())
    kind = number % 4
    if kind == 0:
        return "%s PRIVMSG #flood :%s" % (source, padded("", marker, "", length))
    if kind == 1:
        channel = CHANNELS[number % len(CHANNELS)]
        return "%s PRIVMSG %s :%s" % (source, channel, padded("", marker, "", length))
    if kind == 2:
        return "%s PRIVMSG %s :%s" % (source, nick, padded("", marker, "", length))
    # mIRC colour codes around the server's notice.
    color = "\x03%02d" % (number % 16)
    other = "\x03%02d" % ((number + 7) % 16)
    return ":%s NOTICE %s :%s" % (SERVER, nick, padded(color, marker, other + ".", length))


class Connection:
    def __init__(self, sock):
        self.sock = sock
        self.nick = None
        self.user_seen = False
        self.registered = threading.Event()
        self.closed = threading.Event()
        self.send_lock = threading.Lock()

    def send(self, data):
        with self.send_lock:
            self.sock.sendall(data)

    def send_lines(self, lines):
        self.send("".join(line + "\r\n" for line in lines).encode("latin-1"))

    def reader(self):
        pending = b""
        try:
            while True:
                chunk = self.sock.recv(65536)
                if not chunk:
                    break
                pending += chunk
                while b"\n" in pending:
                    line, pending = pending.split(b"\n", 1)
                    self.handle(line.decode("latin-1").rstrip("\r"))
        except OSError:
            pass
        self.closed.set()

    def handle(self, line):
        words = line.split(" ")
        command = words[0].upper()
        if command == "CAP" and len(words) > 1 and words[1].upper() == "LS":
            self.send_lines([":%s CAP * LS :" % SERVER])
        elif command == "NICK" and len(words) > 1:
            self.nick = words[1].lstrip(":")
        elif command == "USER":
            self.user_seen = True
        elif command == "PING":
            self.send_lines([":%s PONG %s :%s" % (SERVER, SERVER, " ".join(words[1:]).lstrip(":"))])
        elif command == "MODE" and len(words) > 1 and words[1] in CHANNELS:
            self.send_lines([":%s 324 %s %s +nt" % (SERVER, self.nick, words[1])])
        elif command == "WHO" and len(words) > 1:
            self.send_lines([":%s 315 %s %s :End of WHO list." % (SERVER, self.nick, words[1])])
        if self.nick and self.user_seen and not self.registered.is_set():
            self.register()

    def register(self):
        nick = self.nick
        lines = [
            ":%s 001 %s :Welcome to the bench network %s" % (SERVER, nick, nick),
            ":%s 002 %s :Your host is %s" % (SERVER, nick, SERVER),
            ":%s 003 %s :This server was created today" % (SERVER, nick),
            ":%s 004 %s %s bench-1 io nt" % (SERVER, nick, SERVER),
            ":%s 422 %s :MOTD File is missing" % (SERVER, nick),
        ]
        for channel in CHANNELS:
            lines += [
                ":%s!bench@localhost JOIN %s" % (nick, channel),
                ":%s 353 %s = %s :%s %s" % (SERVER, nick, channel, nick, " ".join(SPEAKERS)),
                ":%s 366 %s %s :End of NAMES list." % (SERVER, nick, channel),
            ]
        self.send_lines(lines)
        self.registered.set()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("lines", type=int)
    parser.add_argument("--settle-ms", type=int, default=1000,
                        help="pause between joining the channels and the flood")
    args = parser.parse_args()

    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(1)
    print("listening on 127.0.0.1:%d" % listener.getsockname()[1], flush=True)

    listener.settimeout(60)
    sock, _ = listener.accept()
    listener.close()
    connection = Connection(sock)
    threading.Thread(target=connection.reader, daemon=True).start()
    if not connection.registered.wait(30):
        print("the client did not register", file=sys.stderr)
        return 1
    time.sleep(args.settle_ms / 1000.0)

    flood = "".join(flood_line(number, args.lines, connection.nick) + "\r\n"
                    for number in range(1, args.lines + 1)).encode("latin-1")
    print("flood start %.6f" % time.monotonic(), flush=True)
    try:
        connection.send(flood)
    except OSError:
        return 1
    connection.closed.wait()
    return 0


if __name__ == "__main__":
    sys.exit(main())
