#!/usr/bin/python3
"""The exchange benchmark's peer: the same queries against the same laser, written the way a user
would script them with pyserial (Debian's python3-serial).

Usage: peer_exchange.py PORT_PATH COUNT [QUERY...]

Opens the port and makes one exchange to warm up, closes it, then opens it again and makes COUNT
exchanges of the queries in turn (by default SS RR SC BV ID). Prints one line per exchange,
"QUERY MILLISECONDS REPLY_BYTES REPLY_END" (reply bytes without the CR, or "timeout"; the reply's
end in milliseconds since the second opening began), then "open WALL_SECONDS" for that opening
and last "usage CPU_SECONDS WALL_SECONDS" for the exchanges after it. The two stretches follow
each other without a gap: the opening ends at the moment the exchanges begin.
"""

import sys
import termios
import time

import serial

QUERIES = ("SS", "RR", "SC", "BV", "ID")


def exchange(port, query, since):
    """One query as our program makes it: a 1 ms pause, the line, the reply up to its CR."""
    start = time.perf_counter()
    time.sleep(0.001)
    port.write(b";LA:" + query.encode("ascii") + b"?\r\n")
    reply = port.read_until(b"\r")
    end = time.perf_counter()
    reply_bytes = str(len(reply) - 1) if reply.endswith(b"\r") else "timeout"
    return f"{query} {(end - start) * 1000.0:.4f} {reply_bytes} {(end - since) * 1000.0:.4f}"


def open_port(path, parities):
    """The laser's line settings, with the first of `parities` the system accepts: some kernels
    refuse parity on a pty (EINVAL), and a pty carries no bits on a wire, so there the same port
    without parity behaves exactly alike. Returns the port and the parity it took."""
    for parity in parities[:-1]:
        try:
            return serial.Serial(path, 57600, parity=parity, timeout=1.0), parity
        except (serial.SerialException, termios.error):
            pass
    return serial.Serial(path, 57600, parity=parities[-1], timeout=1.0), parities[-1]


def main():
    path, count = sys.argv[1], int(sys.argv[2])
    queries = sys.argv[3:] or QUERIES
    # The warm-up also finds the parity this port takes, so that the timed opening asks for the
    # one the system accepted first (and falls back only if the system changed its mind).
    port, parity = open_port(path, (serial.PARITY_EVEN, serial.PARITY_NONE))
    with port:
        exchange(port, queries[0], time.perf_counter())
    other = serial.PARITY_NONE if parity == serial.PARITY_EVEN else serial.PARITY_EVEN
    open_start = time.perf_counter()
    port, _ = open_port(path, (parity, other))
    with port:
        cpu_start, wall_start = time.process_time(), time.perf_counter()
        lines = [exchange(port, queries[i % len(queries)], open_start) for i in range(count)]
        cpu, wall = time.process_time() - cpu_start, time.perf_counter() - wall_start
    print("\n".join(lines))
    print(f"open {wall_start - open_start:.6f}")
    print(f"usage {cpu:.6f} {wall:.6f}")


if __name__ == "__main__":
    main()
