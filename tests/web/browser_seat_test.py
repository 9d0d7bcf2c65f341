#!/usr/bin/env python3
"""A browser seat and a VeskChat-speaking TCP client in one party, end to end.

Starts vesk-relay with its browser seat, joins from headless Chromium and from a plain TCP
client that speaks the line protocol as VeskChat does, and checks what each side sees, byte for
byte in code page 932 on the wire; runs axe-core over the page in light and dark mode. Then two
seats lose their connection for 90 s through a proxy that goes silent, one within the relay's
grace time for seats and one beyond it. Every wait has a deadline.

usage: browser_seat_test.py VESK_RELAY SCREENSHOT_FOLDER CACHE_FOLDER
"""

import glob
import os
import re
import select
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import Select, WebDriverWait

DEADLINE = 30  # seconds for any one thing to happen, on a loaded machine
CUT_SECONDS = 90
CUT_LINES = 500


def sjis(text):
    return text.encode("cp932")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class LinePeer:
    """A TCP participant that speaks as VeskChat does and reads raw lines."""

    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=DEADLINE)
        self.pending = b""

    def send(self, data):
        self.sock.sendall(data)

    def next_line(self):
        end = time.monotonic() + DEADLINE
        while b"\r\n" not in self.pending:
            self.sock.settimeout(max(0.1, end - time.monotonic()))
            chunk = self.sock.recv(4096)
            if not chunk:
                raise AssertionError("the relay closed the connection")
            self.pending += chunk
        line, self.pending = self.pending.split(b"\r\n", 1)
        return line + b"\r\n"

    def wait_for(self, predicate, what):
        seen = []
        end = time.monotonic() + DEADLINE
        while time.monotonic() < end:
            line = self.next_line()
            if predicate(line):
                return line, seen
            seen.append(line)
        raise AssertionError(f"no {what}; saw {seen!r}")


def start_relay(relay, folder, *options):
    port, web_port = free_port(), free_port()
    process = subprocess.Popen(
        [relay, "--port", str(port), "--web-port", str(web_port), *options],
        cwd=folder, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    end = time.monotonic() + DEADLINE
    while time.monotonic() < end:
        line = process.stdout.readline().decode("utf-8", "replace")
        if not line:
            raise AssertionError("vesk-relay ended before its browser seat opened")
        if "ブラウザ席" in line:
            return process, port, web_port
    raise AssertionError("vesk-relay did not open its browser seat in time")


def start_browser(profile, width, height):
    options = webdriver.ChromeOptions()
    for flag in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--no-first-run",
                 "--disable-dev-shm-usage", f"--user-data-dir={profile}",
                 f"--window-size={width},{height}", "--lang=ja"]:
        options.add_argument(flag)
    binary = shutil.which("chromium")
    if binary:
        options.binary_location = binary
    service = Service(shutil.which("chromedriver") or "/usr/bin/chromedriver")
    browser = webdriver.Chrome(service=service, options=options)
    # A phone's screen: its width is the page's, whatever the window around it.
    browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
        "width": width, "height": height, "deviceScaleFactor": 1, "mobile": True})
    return browser


def wait(browser, condition, what, deadline=DEADLINE):
    try:
        return WebDriverWait(browser, deadline, poll_frequency=0.05).until(condition)
    except Exception as error:
        raise AssertionError(f"the page never showed {what}") from error


def log_lines(browser):
    return [e.text for e in browser.find_elements(By.CSS_SELECTOR, "#log div")]


def people(browser):
    return [e.text for e in browser.find_elements(By.CSS_SELECTOR, "#people li")]


def relay_lines(browser):
    return [e.text for e in browser.find_elements(By.CSS_SELECTOR, "#log div.relay")]


def relay_dice(browser, tcp, name):
    """The relay's rolls: a command from the roll box and from the palette, a secret roll that
    only its roller sees, a seal the page checks, and a forged roll shown as the talk it is."""
    box = browser.find_element(By.ID, "dice")
    box.clear()
    box.send_keys("S2D6" + Keys.ENTER)
    line, seen = tcp.wait_for(lambda l: l.startswith(sjis("talk【ダイス】" + name)), "the seal")
    assert not any(sjis("シークレット）") in l for l in seen), seen
    assert re.fullmatch(re.escape(f"talk【ダイス】{name}：シークレットダイス #1 封印 ") +
                        r"[0-9a-f]{16}\r\n", line.decode("cp932")), line
    wait(browser, lambda b: any("（シークレット）(2D6) ＞ " in l for l in relay_lines(b)),
         "its own secret roll")

    tcp.send(sjis("talkTcp：S1D100 隠し\r\n"))
    tcp.send(sjis("talkTcp：公開\r\n"))
    wait(browser, lambda b: any(l.startswith("サーバー【ダイス】Tcp：公開 #1 (1D100) ＞ ") and
                                l.endswith("（封印と一致）") for l in relay_lines(b)),
         "the shown roll matching its seal")
    line, _ = tcp.wait_for(lambda l: sjis("：公開 #1 ") in l, "the shown roll")
    assert line.startswith(sjis("talk【ダイス】Tcp：公開 #1 (1D100) ＞ ")), line

    tcp.send(sjis("talk【ダイス】Tcp：(1D6) ＞ 6\r\n"))
    wait(browser, lambda b: "［ダイス］Tcp：(1D6) ＞ 6" in log_lines(b), "the forged roll defused")

    browser.find_element(By.CSS_SELECTOR, "#palette summary").click()
    palette = browser.find_element(By.ID, "palette-text")
    palette.clear()
    palette.send_keys("2D6+1 攻撃")
    browser.find_element(By.CSS_SELECTOR, "#palette-items button").click()
    line, _ = tcp.wait_for(lambda l: l.startswith(sjis(f"talk【ダイス】{name}：(2D6+1)")),
                           "the palette's roll")
    match = re.fullmatch(re.escape(f"talk【ダイス】{name}：(2D6+1) ＞ ") +
                         r"(\d+)\[(\d),(\d)\]\+1 ＞ (\d+) 攻撃\r\n", line.decode("cp932"))
    assert match, line
    total, a, b, shown = (int(g) for g in match.groups())
    assert a + b == total and total + 1 == shown, line
    # The palette is kept in the browser for the next visit.
    kept = browser.execute_script("return localStorage.getItem('vesk.palette')")
    assert kept == "2D6+1 攻撃", kept


class CutProxy:
    """Carries TCP between the browser and the relay's web port until it is cut. From then on
    every connection it holds, and every one it takes until restored, goes silent both ways
    and is never closed: as a network that vanished, not one that said goodbye."""

    def __init__(self, target_port):
        self.target_port = target_port
        self.listener = socket.socket()
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(16)
        self.port = self.listener.getsockname()[1]
        self.cut = False
        self.pairs = []
        self.lock = threading.Lock()
        threading.Thread(target=self.accept, daemon=True).start()

    def accept(self):
        while True:
            client, _ = self.listener.accept()
            server = socket.create_connection(("127.0.0.1", self.target_port))
            pair = {"sockets": (client, server), "dead": self.cut}
            with self.lock:
                self.pairs.append(pair)
            threading.Thread(target=self.carry, args=(pair,), daemon=True).start()

    def carry(self, pair):
        client, server = pair["sockets"]
        other = {client: server, server: client}
        while not pair["dead"]:
            ready, _, _ = select.select([client, server], [], [], 0.2)
            for side in ready:
                if pair["dead"]:
                    break
                data = side.recv(65536)
                if not data:
                    client.close()
                    server.close()
                    return
                other[side].sendall(data)
        # Silent: what either side sends is lost, and neither hears a close.

    def cut_off(self):
        with self.lock:
            self.cut = True
            for pair in self.pairs:
                pair["dead"] = True

    def restore(self):
        self.cut = False


def cut_numbers(browser):
    lines = browser.execute_script(
        "return Array.from(document.querySelectorAll('#log div'), d => d.textContent)")
    return [int(m.group(1)) for line in lines if (m := re.search(r"Tcp：切断中 (\d+)$", line))]


def through_a_cut(relay, work, grace, outcome, screenshots):
    """A seat whose connection is cut for 90 s while a TCP player sends 500 lines. Within the
    grace time: the page shows all 500, in order and once, and the TCP player sees no
    departure. Beyond it: the departure comes once and the page says that its seat is gone."""
    folder = os.path.join(work, f"grace{grace}")
    os.makedirs(folder)
    process, port, web_port = start_relay(relay, folder, "--seat-grace", str(grace))
    browser = None
    try:
        proxy = CutProxy(web_port)
        tcp = LinePeer(port)
        tcp.send(b"Tcp\r\n")
        tcp.wait_for(lambda l: l == b"paddTcp\t0\r\n", "participant line of its own")
        browser = start_browser(os.path.join(folder, "profile"), 390, 844)
        browser.get(f"http://127.0.0.1:{proxy.port}/")
        browser.find_element(By.ID, "name").send_keys("旅人" + Keys.ENTER)
        tcp.wait_for(lambda l: l == b"padd" + sjis("旅人") + b"\t1\r\n", "the seat")
        wait(browser, lambda b: b.find_element(By.ID, "link").text == "接続中", "接続中")

        proxy.cut_off()
        started = time.monotonic()
        for n in range(CUT_LINES):
            tcp.send(sjis(f"talkTcp：切断中 {n}\r\n"))
            time.sleep((CUT_SECONDS - 20) / CUT_LINES)
        wait(browser, lambda b: b.find_element(By.ID, "link").text.startswith("再接続中（"),
             "再接続中", deadline=CUT_SECONDS)
        time.sleep(max(0, CUT_SECONDS - (time.monotonic() - started)))
        proxy.restore()

        tcp.send(sjis("talkTcp：おかえり\r\n"))
        heard = []
        while True:
            line = tcp.next_line()
            heard.append(line)
            if line == sjis("talkTcp：おかえり\r\n"):
                break
        departures = [l for l in heard if l.startswith(b"pdel") or
                      l == sjis("旅人 がパーティから抜けました\r\n")]
        if outcome == "resumed":
            wait(browser, lambda b: len(cut_numbers(b)) >= CUT_LINES and
                 b.find_element(By.ID, "link").text == "接続中", "all the lines it missed",
                 deadline=2 * CUT_SECONDS)
            assert cut_numbers(browser) == list(range(CUT_LINES)), cut_numbers(browser)
            assert departures == [], departures
        else:
            wait(browser, lambda b: b.find_element(By.ID, "link").text == "切断", "切断",
                 deadline=2 * CUT_SECONDS)
            assert departures == [b"pdel1\r\n", sjis("旅人 がパーティから抜けました\r\n")], departures
            assert browser.find_element(By.ID, "rejoin").is_displayed()
        browser.save_screenshot(os.path.join(screenshots, f"browser_seat_cut_{outcome}.png"))
        outcome_seen[outcome] = True
    finally:
        if browser:
            browser.quit()
        process.kill()
        process.wait(timeout=DEADLINE)


outcome_seen = {}


def accessible(browser, axe_script, what):
    """axe-core over the page as it stands: no serious or critical finding."""
    for scheme in ["light", "dark"]:
        browser.execute_cdp_cmd("Emulation.setEmulatedMedia", {
            "features": [{"name": "prefers-color-scheme", "value": scheme}]})
        browser.execute_script(axe_script)
        violations = browser.execute_async_script(
            "const done = arguments[arguments.length - 1];"
            "axe.run(document, {resultTypes: ['violations']})"
            ".then((r) => done(r.violations), (e) => done([{id: String(e), impact: 'critical',"
            " nodes: []}]));")
        bad = [(v["id"], v["impact"], [n.get("html", "")[:80] for n in v["nodes"]][:3])
               for v in violations if v["impact"] in ("serious", "critical")]
        assert not bad, f"axe-core on {what} ({scheme}): {bad}"
    browser.execute_cdp_cmd("Emulation.setEmulatedMedia", {"features": []})


def main():
    relay, screenshots, cache = sys.argv[1], sys.argv[2], sys.argv[3]
    os.makedirs(screenshots, exist_ok=True)
    found = sorted(glob.glob(os.path.join(cache, "axe-core-*", "axe.min.js")))
    if not found:
        raise AssertionError(f"no axe-core in {cache}: scripts/test.sh fetches it")
    with open(found[-1], encoding="utf-8") as f:
        axe_script = f.read()
    work = tempfile.mkdtemp(prefix="vesk_browser_seat_")
    # The relay's own lists, in its data folder (its current directory).
    with open(os.path.join(work, "dice.sai"), "wb") as f:
        f.write(sjis("2D[6]+3\r\n1D[100] 技能判定\r\n"))
    with open(os.path.join(work, "name.nam"), "wb") as f:
        f.write(sjis("ゲームマスター\n"))
    process, port, web_port = start_relay(relay, work)
    browser = None
    try:
        tcp = LinePeer(port)
        tcp.send(b"Tcp\r\n" + b"talk\r\n" + sjis("talkTcp がパーティに参加しました\r\n") +
                 b"talk\r\n")
        tcp.wait_for(lambda l: l == b"paddTcp\t0\r\n", "participant line of its own")

        browser = start_browser(os.path.join(work, "profile"), 390, 844)
        browser.get(f"http://127.0.0.1:{web_port}/")
        accessible(browser, axe_script, "the entry form")
        name = "花子①"  # ① is one of the Windows extensions of code page 932
        browser.find_element(By.ID, "name").send_keys(name + Keys.ENTER)

        # The TCP client sees the seat join exactly as a VeskChat joins.
        _, _ = tcp.wait_for(lambda l: l.startswith(b"padd" + sjis(name)), "padd of the seat")
        joined = [tcp.next_line() for _ in range(3)]
        assert joined == [b"talk\r\n", b"talk" + sjis(name + " がパーティに参加しました\r\n"),
                          b"talk\r\n"], joined

        wait(browser, lambda b: people(b) == ["Tcp", name], "both participants")
        wait(browser, lambda b: name + " がパーティに参加しました" in log_lines(b),
             "its own join announcement")
        speakers = [o.text for o in Select(browser.find_element(By.ID, "speaker")).options]
        assert speakers == [name, "ゲームマスター"], speakers
        dice = [o.get_attribute("value")
                for o in browser.find_elements(By.CSS_SELECTOR, "#dice-list option")]
        assert dice == ["2D[6]+3", "1D[100] 技能判定"], dice

        # A line of the TCP client reaches the page with VeskChat's text.
        tcp.send(sjis("talkTcp：こんにちは～\r\n"))
        wait(browser, lambda b: "Tcp：こんにちは～" in log_lines(b), "the TCP client's line")

        # What the page types reaches the wire in code page 932; 한 has no place there.
        say = browser.find_element(By.ID, "say")
        say.send_keys("よろしく한" + Keys.ENTER)
        mine = b"talk" + sjis(name + "：")
        line, _ = tcp.wait_for(lambda l: l.startswith(mine), "the seat's chat line")
        assert line == b"talk" + sjis(name + "：よろしく") + b"?\r\n", line

        # A roll of the list's own form on the relay side adds up.
        assert browser.find_element(By.ID, "dice").get_attribute("value") == "2D[6]+3"
        browser.find_element(By.ID, "roll").click()
        line, _ = tcp.wait_for(lambda l: sjis("ころりんこ") in l, "the dice line")
        text = line.decode("cp932")
        match = re.fullmatch(re.escape(f"talk{name}：ころりんこ。。。2D[6]+3 = ") +
                             r"(\d+)\+(\d+) = (\d+)\r\n", text)
        assert match, text
        a, b, total = (int(g) for g in match.groups())
        assert 1 <= a <= 6 and 1 <= b <= 6 and a + b + 3 == total, text
        wait(browser, lambda b: text[4:-2] in log_lines(b), "the dice line in its own log")

        relay_dice(browser, tcp, name)
        # A line that names the player stands out; the page still passes axe-core.
        tcp.send(sjis(f"talkTcp：{name}さん、どうぞ\r\n"))
        wait(browser, lambda b: b.find_elements(By.CSS_SELECTOR, "#log div.mention"), "the mention")
        accessible(browser, axe_script, "the party")
        browser.save_screenshot(os.path.join(screenshots, "browser_seat_390x844.png"))


        # 退出 leaves the party as a client that disconnects does.
        browser.find_element(By.ID, "leave").click()
        tcp.wait_for(lambda l: l == b"pdel1\r\n", "the seat's departure")
        assert tcp.next_line() == b"talk\r\n"
        assert tcp.next_line() == sjis(name + " がパーティから抜けました\r\n")
        wait(browser, lambda b: b.find_element(By.ID, "rejoin").is_displayed(), "再接続")

        # 再接続 joins again under the same name, with a fresh list.
        browser.find_element(By.ID, "rejoin").click()
        tcp.wait_for(lambda l: l == b"padd" + sjis(name) + b"\t1\r\n", "the seat back")
        wait(browser, lambda b: people(b) == ["Tcp", name], "both participants again")
        browser.quit()
        browser = None
        # The relay stops cleanly, seats and all (under a sanitizer: with nothing to report).
        process.terminate()
        assert process.wait(timeout=DEADLINE) == 0, process.stdout.read().decode("utf-8", "replace")
        print("browser seat: joined, talked, rolled and left as a VeskChat does")

        # Two seats through a 90 s cut at once: one back within the grace time, one not.
        failures = []

        def run(grace, outcome):
            try:
                through_a_cut(relay, work, grace, outcome, screenshots)
            except BaseException as error:  # reported by the main thread
                failures.append((outcome, error))

        threads = [threading.Thread(target=run, args=(120, "resumed")),
                   threading.Thread(target=run, args=(15, "departed"))]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        if failures:
            raise AssertionError(f"through a cut: {failures!r}") from failures[0][1]
        assert outcome_seen == {"resumed": True, "departed": True}, outcome_seen
        print(f"browser seat: {CUT_LINES} lines through a {CUT_SECONDS} s cut, once each and in "
              "order; beyond the grace time the seat left once")
    finally:
        if browser:
            browser.quit()
        if process.poll() is None:
            process.kill()
            process.wait(timeout=DEADLINE)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
