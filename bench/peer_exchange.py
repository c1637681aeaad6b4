#!/usr/bin/python3
"""The exchange benchmark's peer: the same queries against the same laser, written the way a user
would script them with pyserial (Debian's python3-serial).

Usage: peer_exchange.py PORT_PATH COUNT [QUERY...]

Makes COUNT exchanges of the queries in turn (by default SS RR SC BV ID), after one warm-up. Prints one line per exchange, "QUERY MILLISECONDS REPLY_BYTES" (reply bytes without the CR, or
"timeout"), and last "usage CPU_SECONDS WALL_SECONDS" for the whole run of exchanges.
"""

import sys
import termios
import time

import serial

QUERIES = ("SS", "RR", "SC", "BV", "ID")


def exchange(port, query):
    """One query as our program makes it: a 1 ms pause, the line, the reply up to its CR."""
    start = time.perf_counter()
    time.sleep(0.001)
    port.write(b";LA:" + query.encode("ascii") + b"?\r\n")
    reply = port.read_until(b"\r")
    elapsed_ms = (time.perf_counter() - start) * 1000.0
    reply_bytes = str(len(reply) - 1) if reply.endswith(b"\r") else "timeout"
    return f"{query} {elapsed_ms:.4f} {reply_bytes}"


def open_port(path):
    """The laser's line settings. Some kernels refuse parity on a pty (EINVAL); a pty carries no
    bits on a wire, so there the same port without parity behaves exactly alike."""
    try:
        return serial.Serial(path, 57600, parity=serial.PARITY_EVEN, timeout=1.0)
    except (serial.SerialException, termios.error):
        return serial.Serial(path, 57600, parity=serial.PARITY_NONE, timeout=1.0)


def main():
    path, count = sys.argv[1], int(sys.argv[2])
    queries = sys.argv[3:] or QUERIES
    with open_port(path) as port:
        exchange(port, queries[0])  # warms up, not counted
        cpu_start, wall_start = time.process_time(), time.perf_counter()
        lines = [exchange(port, queries[i % len(queries)]) for i in range(count)]
        cpu, wall = time.process_time() - cpu_start, time.perf_counter() - wall_start
    print("\n".join(lines))
    print(f"usage {cpu:.6f} {wall:.6f}")


if __name__ == "__main__":
    main()
