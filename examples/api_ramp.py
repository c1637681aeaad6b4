#!/usr/bin/python3
"""Watches the laser through the control program's API and ramps one setting step by step.

The program (window or `tovra -headless`) must be running. Then:

    python3 examples/api_ramp.py [--name RR] [--start 10] [--stop 50] [--step 10] [--dwell 2]

Each step is set with "set" (the window's control follows), and the status updates that come
meanwhile are printed. Standard library only: one JSON object per line on a Unix socket.
"""

import argparse
import json
import os
import socket
import sys
import time


def api_path():
    runtime = os.environ.get("XDG_RUNTIME_DIR") or f"/tmp/runtime-{os.environ.get('USER', 'root')}"
    return os.environ.get("TOVRA_API_PATH") or os.path.join(runtime, "tovra", "api.sock")


class Api:
    def __init__(self, path):
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.connect(path)
        self.lines = self.sock.makefile("r", encoding="utf-8")
        self.next_id = 0

    def call(self, method, **params):
        """The result of `method`; events that arrive first are printed."""
        self.next_id += 1
        request = {"jsonrpc": "2.0", "id": self.next_id, "method": method, "params": params}
        self.sock.sendall((json.dumps(request) + "\n").encode())
        while True:
            message = json.loads(self.lines.readline())
            if "method" in message:
                show(message)
            elif message.get("id") == self.next_id:
                if "error" in message:
                    raise RuntimeError(message["error"]["message"])
                return message["result"]

    def watch(self, seconds):
        """Prints the events of the next `seconds`."""
        deadline = time.monotonic() + seconds
        while (left := deadline - time.monotonic()) > 0:
            self.sock.settimeout(left)
            try:
                line = self.lines.readline()
            except (socket.timeout, TimeoutError):
                break
            finally:
                self.sock.settimeout(None)
            if line:
                show(json.loads(line))


def show(event):
    data = event["params"]
    if event["method"] == "update":
        values = data.get("values", {})
        text = ", ".join(f"{name} {v['value']} {v.get('unit', '')}".strip() for name, v in values.items())
        print(f"update: {text}")
    else:
        print(f"{event['method']}: {json.dumps(data)}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--name", default="RR")
    parser.add_argument("--start", type=float, default=10)
    parser.add_argument("--stop", type=float, default=50)
    parser.add_argument("--step", type=float, default=10)
    parser.add_argument("--dwell", type=float, default=2)
    args = parser.parse_args()
    try:
        api = Api(api_path())
    except OSError as error:
        sys.exit(f"No program answers at {api_path()}: {error}")
    api.call("subscribe", events=["update", "setting", "fault"])
    api.call("control.acquire", name="api_ramp.py")
    value = args.start
    try:
        while value <= args.stop:
            print(f"set {args.name} {value}: {api.call('set', name=args.name, value=value)}")
            api.watch(args.dwell)
            value += args.step
    except RuntimeError as refusal:
        sys.exit(f"Refused: {refusal}")
    finally:
        api.call("control.release")


if __name__ == "__main__":
    main()
