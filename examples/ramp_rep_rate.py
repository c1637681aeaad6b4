#!/usr/bin/python3
"""Ramps the laser's repetition rate through the control program's shared port, step by step,
while the program's window shows each new rate.

Start the program with sharing on (Tools > Share Port, or the start switch -share), then:

    python3 examples/ramp_rep_rate.py [--port PATH] [--start HZ] [--stop HZ] [--step HZ] [--dwell S]

PATH defaults to the program's shared port: $TOVRA_SHARE_PATH, else $XDG_RUNTIME_DIR/tovra/port.
The script talks the laser's own line protocol, so pointed at the laser's serial port instead it
works unchanged. Needs pyserial (Debian: python3-serial).
"""

import argparse
import os
import sys
import termios
import time

import serial


def shared_port_path():
    chosen = os.environ.get("TOVRA_SHARE_PATH")
    if chosen:
        return chosen
    runtime = os.environ.get("XDG_RUNTIME_DIR") or f"/tmp/runtime-{os.environ.get('USER', 'root')}"
    return os.path.join(runtime, "tovra", "port")


def open_port(path):
    """The laser's line settings; a pty may refuse parity, which changes nothing without a wire."""
    try:
        return serial.Serial(path, 57600, parity=serial.PARITY_EVEN, timeout=6.0)
    except (serial.SerialException, termios.error):
        return serial.Serial(path, 57600, timeout=6.0)


def ask(port, line):
    """One line out, its reply back (empty when the laser did not answer in time)."""
    port.write(line.encode("ascii") + b"\r\n")
    return port.read_until(b"\r\n").decode("latin-1").strip()


def main():
    parser = argparse.ArgumentParser(description="Ramp the repetition rate through the shared port.")
    parser.add_argument("--port", default=shared_port_path())
    parser.add_argument("--start", type=float, default=10.0)
    parser.add_argument("--stop", type=float, default=50.0)
    parser.add_argument("--step", type=float, default=5.0)
    parser.add_argument("--dwell", type=float, default=1.0, help="seconds at each rate")
    args = parser.parse_args()
    if args.step <= 0:
        sys.exit("--step must be positive")

    with open_port(args.port) as port:
        rate = args.start
        while rate <= args.stop + 1e-9:
            reply = ask(port, f"RR {rate:.1f}")
            if reply != "OK":
                sys.exit(f"RR {rate:.1f} refused: {reply!r}")
            print(f"repetition rate {ask(port, 'RR?')} Hz", flush=True)
            time.sleep(args.dwell)
            rate += args.step


if __name__ == "__main__":
    main()
