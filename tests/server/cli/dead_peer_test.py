#!/usr/bin/env python3
"""A player whose network vanishes without a word leaves the party about a minute later.

The vanishing player sits in a network namespace of its own, joined to this machine by a veth
pair; once it has joined, the far end of the pair goes down, so that nothing it could say, not
even a reset, reaches the relay. A player who stays must see its pdel within 75 s. Where this
machine does not allow network namespaces (not root, no `ip`, a container without the right)
the test says why and is skipped.

    dead_peer_test.py VESK_RELAY
"""

import os
import shutil
import socket
import subprocess
import sys
import time

SKIPPED = 77
WITHIN = 75  # seconds from the network's end to the pdel
SUFFIX = str(os.getpid() % 100000)
NAMESPACE = "vesk-dead-" + SUFFIX
NEAR, FAR = "vkn" + SUFFIX, "vkf" + SUFFIX
NEAR_ADDRESS, FAR_ADDRESS = "10.213.77.1", "10.213.77.2"


def ip(*arguments, namespace=None):
    command = ["ip"] + list(arguments)
    if namespace:
        command = ["ip", "netns", "exec", namespace] + command
    subprocess.run(command, check=True, capture_output=True)


def skip(why):
    print(f"skipped: {why}")
    sys.exit(SKIPPED)


def set_up():
    if os.geteuid() != 0:
        skip("network namespaces need root here")
    if shutil.which("ip") is None:
        skip("no ip command (iproute2) on this machine")
    try:
        ip("netns", "add", NAMESPACE)
        ip("link", "add", NEAR, "type", "veth", "peer", "name", FAR)
        ip("link", "set", FAR, "netns", NAMESPACE)
        ip("addr", "add", NEAR_ADDRESS + "/30", "dev", NEAR)
        ip("link", "set", NEAR, "up")
        ip("addr", "add", FAR_ADDRESS + "/30", "dev", FAR, namespace=NAMESPACE)
        ip("link", "set", FAR, "up", namespace=NAMESPACE)
        ip("link", "set", "lo", "up", namespace=NAMESPACE)
    except (subprocess.CalledProcessError, OSError) as error:
        tear_down()
        detail = getattr(error, "stderr", b"") or b""
        skip(f"this machine allows no network namespace with a veth pair "
             f"({detail.decode(errors='replace').strip() or error})")


def tear_down():
    subprocess.run(["ip", "link", "del", NEAR], capture_output=True)
    subprocess.run(["ip", "netns", "del", NAMESPACE], capture_output=True)


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class Player:
    def __init__(self, port, name):
        self.socket = socket.create_connection(("127.0.0.1", port), timeout=5)
        self.pending = b""
        self.socket.sendall(name + b"\r\n")

    def wait_for(self, line, seconds):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            while b"\r\n" in self.pending:
                got, self.pending = self.pending.split(b"\r\n", 1)
                if got + b"\r\n" == line:
                    return True
            self.socket.settimeout(max(0.1, end - time.monotonic()))
            try:
                data = self.socket.recv(4096)
            except socket.timeout:
                continue
            if not data:
                return False
            self.pending += data
        return False


# The vanishing player: joins from inside the namespace and then only listens.
FAR_PLAYER = """
import socket, sys, time
s = socket.create_connection((sys.argv[1], int(sys.argv[2])), timeout=5)
s.sendall(b"Gone\\r\\n")
print("joined", flush=True)
time.sleep(600)
"""


def main():
    relay = sys.argv[1]
    set_up()
    process = far = None
    try:
        port = free_port()
        process = subprocess.Popen([relay, "--port", str(port), "--per-address", "0"],
                                   stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        end = time.monotonic() + 10
        while True:
            try:
                socket.create_connection(("127.0.0.1", port), timeout=1).close()
                break
            except OSError:
                if time.monotonic() > end:
                    raise AssertionError("the relay never listened")
                time.sleep(0.05)
        stay = Player(port, b"Stay")
        assert stay.wait_for(b"paddStay\t0\r\n", 5), "Stay never joined"
        far = subprocess.Popen(["ip", "netns", "exec", NAMESPACE, sys.executable, "-c", FAR_PLAYER,
                                NEAR_ADDRESS, str(port)], stdout=subprocess.PIPE)
        assert far.stdout.readline() == b"joined\n", "the far player never connected"
        assert stay.wait_for(b"paddGone\t1\r\n", 5), "the far player never joined"

        # Its network ends: nothing it sends reaches the relay any more.
        ip("link", "set", FAR, "down", namespace=NAMESPACE)
        gone = time.monotonic()
        assert stay.wait_for(b"pdel1\r\n", WITHIN), f"Gone still listed after {WITHIN} s"
        print(f"the vanished player left the party {time.monotonic() - gone:.0f} s after its "
              "network ended")
    finally:
        for child in (far, process):
            if child and child.poll() is None:
                child.kill()
                child.wait()
        tear_down()


if __name__ == "__main__":
    main()
