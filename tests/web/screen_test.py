"""The station's operator's screen (gimbalctl station --serve) in headless
Chromium, against a station on simulated gimbals: each slot is a link in the
station's folder of ports to a gimbal-sim's pseudo-terminal.

Usage: screen_test.py GIMBALCTL GIMBAL_SIM [unittest arguments]
With GIMBAL_WEB_SCREENSHOTS=DIR set, screenshots of the screen are saved there.
"""

import http.client
import json
import os
import resource
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.error
import urllib.request

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

from page_helpers import PageHelpers

GIMBALCTL, SIMULATOR = sys.argv[1], sys.argv[2]
del sys.argv[1:3]
GREEN, RED = "rgb(0, 179, 0)", "rgb(255, 0, 0)"


class Screen(PageHelpers, unittest.TestCase):
    wait_seconds = 20

    @classmethod
    def setUpClass(cls):
        # Class cleanups run also when this set-up fails part way, the last made first.
        cls.profile = tempfile.mkdtemp(prefix="gimbal-screen-profile-")
        cls.addClassCleanup(shutil.rmtree, cls.profile, ignore_errors=True)
        options = webdriver.ChromeOptions()
        for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                    "--window-size=1280,900", "--user-data-dir=" + cls.profile):
            options.add_argument(arg)
        # Chromium leaves a folder in TMPDIR when it quits: given one of the test's own.
        cls.chromium_tmp = tempfile.mkdtemp(prefix="gimbal-screen-chromium-")
        cls.addClassCleanup(shutil.rmtree, cls.chromium_tmp, ignore_errors=True)
        cls.driver = webdriver.Chrome(
            options=options, service=Service(env=dict(os.environ, TMPDIR=cls.chromium_tmp)))
        cls.addClassCleanup(cls.driver.quit)

    def setUp(self):
        # Cleanups run the last added first, also after a failure: the test's connections
        # and files, then its processes, then its folder.
        self.dir = tempfile.mkdtemp(prefix="gimbal-screen-")
        self.addCleanup(shutil.rmtree, self.dir, ignore_errors=True)
        self.processes = []
        self.addCleanup(self.end_processes)
        self.ports = os.path.join(self.dir, "ports")
        os.mkdir(self.ports)
        self.log = os.path.join(self.dir, "units.jsonl")
        subprocess.run([SIMULATOR, "--write-example", self.dir], check=True, capture_output=True)
        self.firmware = os.path.join(self.dir, "gimbal-2.010.3plov")

    def end_processes(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.kill()
            process.wait()
            if process.stdout:
                process.stdout.close()

    # ---- helpers ----

    def gimbal(self, *options):
        process = subprocess.Popen([SIMULATOR, *options], stdout=subprocess.PIPE,
                                   stderr=subprocess.DEVNULL, text=True)
        self.processes.append(process)
        return process.stdout.readline().strip()

    def plug(self, slot, gimbal):
        os.symlink(gimbal, os.path.join(self.ports, slot))

    def station(self, serve="0", descriptors=None):
        """Starts a station serving its screen at `serve`, with at most `descriptors` open
        files when given; returns it and the screen's URL. Its standard error is self.err."""
        err = open(os.path.join(self.dir, "station-%d.err" % len(self.processes)), "w+")
        self.addCleanup(err.close)
        self.err = err
        limit = (lambda: resource.setrlimit(resource.RLIMIT_NOFILE, (descriptors, descriptors))
                 ) if descriptors else None
        process = subprocess.Popen(
            [GIMBALCTL, "station", "--ports-from", self.ports, "--log", self.log,
             "--serve", serve, self.firmware],
            stdout=subprocess.DEVNULL, stderr=err, env=dict(os.environ, TMPDIR=self.dir),
            preexec_fn=limit)
        self.processes.append(process)
        url = []
        def told():
            err.seek(0)
            url[:] = [line.split(": ")[-1].strip() for line in err if "operator's screen: " in line]
            return url
        self.wait(told, "the screen's address")
        return process, url[0]

    def allow_descriptors(self, needed):
        """Raises this process's soft limit of open files to `needed` for the test; skips
        it, saying so, when the hard limit is lower."""
        soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
        if hard != resource.RLIM_INFINITY and hard < needed:
            self.skipTest("needs %d open files, the hard limit is %d (ulimit -Hn)" % (needed, hard))
        if soft != resource.RLIM_INFINITY and soft < needed:
            resource.setrlimit(resource.RLIMIT_NOFILE, (needed, hard))
            self.addCleanup(resource.setrlimit, resource.RLIMIT_NOFILE, (soft, hard))

    def stop(self, process):
        process.send_signal(signal.SIGTERM)
        self.assertEqual(process.wait(timeout=30), 0)

    def records(self):
        if not os.path.exists(self.log):
            return []
        with open(self.log) as f:  # the journal's header is not a record
            return [json.loads(line) for line in f if not line.startswith('{"journal":')]

    def tiles(self):
        """Each tile's accessible name, from the accessibility tree, with its
        progress bar's value (None without one), in the page's order."""
        tiles, bar = [], {}
        for node in self.driver.execute_cdp_cmd("Accessibility.getFullAXTree", {})["nodes"]:
            role, name = node["role"]["value"], node.get("name", {}).get("value", "")
            if node.get("ignored"):
                continue
            # A name on an element without a role is never read out.
            self.assertFalse(role == "generic" and name, name)
            if role == "group" and name.startswith("Slot "):
                tiles.append(name)
            if role == "progressbar":
                bar[name.removesuffix(" progress")] = node.get("value", {}).get("value")
        return [(name, bar.get(name.split(":")[0])) for name in tiles]

    def names(self):
        return [name for name, _ in self.tiles()]

    def text(self, id):
        return self.js("return document.getElementById(arguments[0]).textContent", id)

    def link(self):
        return self.js("return document.getElementById('screen').dataset.link")

    def screenshot(self, name):
        folder = os.environ.get("GIMBAL_WEB_SCREENSHOTS")
        if folder:
            self.driver.save_screenshot(os.path.join(folder, name))

    # ---- cases ----

    def test_three_slots_one_failing_tiles_tally_and_last_units(self):
        gimbals = {"A1": self.gimbal(), "B2": self.gimbal(), "C3": self.gimbal("--silent")}
        _, url = self.station()
        self.driver.get(url)
        self.wait(lambda: self.link() == "live", "the screen to follow the station")
        # The station says nothing new for seconds while C3 waits for its answer: never shown gone.
        self.js("const screen = document.getElementById('screen'); new MutationObserver(() => {"
                " if (screen.dataset.link === 'gone') window.wentGone = true; })"
                ".observe(screen, {attributes: true})")
        self.assertEqual(self.names(), [])
        for slot, gimbal in gimbals.items():
            self.plug(slot, gimbal)

        # Upgrading: each tile names its board and progress, as its bar does.
        seen = set()
        def progressing():
            for name, value in self.tiles():
                if name.startswith("Slot A1: upgrading ID") and value and not name.endswith(" 0%"):
                    seen.add("moving")
            return "moving" in seen
        self.wait(progressing, "A1's progress in the accessibility tree")
        self.assertIn(("Slot C3: upgrading ID3, 0%", 0), self.tiles())

        # Verdicts, in words and colours; the failure's words reach the live region.
        self.wait(lambda: self.names() == ["Slot A1: verified", "Slot B2: verified",
                                           "Slot C3: failed, no answer"], "three verdicts")
        self.screenshot("screen-verdicts.png")
        self.wait(lambda: "Slot C3: failed, no answer" in self.text("announce"), "the failure read out")
        colours = self.js("return [...document.querySelectorAll('.tile')].map("
                          "(t) => getComputedStyle(t).borderTopColor)")
        self.assertEqual(colours, [GREEN, GREEN, RED])
        self.assertIsNone(self.js("return window.wentGone"))
        failed = self.js("return document.querySelectorAll('.tile')[2].innerText")
        for words in ("C3", "✖", "Failed", "timeout, status 5 (no answer)",
                      "Connection timeout,please try again!", "just now"):
            self.assertIn(words, failed)
        self.assertEqual([self.text(id) for id in ("upgraded", "verified", "failed", "skipped",
                                                   "recordsWaiting")], ["2", "2", "1", "0", "—"])
        sha256 = self.records()[0]["file_sha256"]
        self.assertEqual([self.text(id) for id in ("firmwareName", "firmwareVersion", "firmwareSha256")],
                         ["gimbal-2.010.3plov", "2.010", sha256[:16] + "…"])
        recent = self.js("return [...document.querySelectorAll('#recent li')].map((li) => li.innerText)")
        self.assertEqual(len(recent), 3)
        self.assertIn("C3: failed, no answer (timeout, status 5", recent[0])

        # A tile keeps its verdict when its unit goes, until the next is plugged in.
        os.unlink(os.path.join(self.ports, "A1"))
        time.sleep(0.5)
        self.assertEqual(self.names()[0], "Slot A1: verified")
        self.plug("A1", gimbals["A1"])
        self.wait(lambda: self.names()[0].startswith("Slot A1: upgrading"), "A1 upgrading again")
        self.wait(lambda: len(self.records()) == 4 and self.text("upgraded") == "3", "the fourth unit")
        self.assertEqual(len(self.js("return document.querySelectorAll('#recent li')")), 4)

        # Readable as a tool's page is: dark with the system, at 200% zoom no sideways scrolling.
        for zoom, scheme, text in ((1, "dark", "rgb(255, 255, 255)"), (2, "light", "rgb(0, 0, 0)")):
            self.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
                "width": 1280 // zoom, "height": 800 // zoom, "deviceScaleFactor": zoom, "mobile": False})
            self.driver.execute_cdp_cmd("Emulation.setEmulatedMedia", {
                "features": [{"name": "prefers-color-scheme", "value": scheme}]})
            self.assertTrue(self.js("return document.documentElement.scrollWidth <= innerWidth"))
            self.assertEqual(self.js("return getComputedStyle(document.body).color"), text)
            self.screenshot("screen-%s-%d00.png" % (scheme, zoom))
        self.driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})
        self.driver.execute_cdp_cmd("Emulation.setEmulatedMedia", {"features": []})

    def test_a_stopped_station_is_shown_gone_and_a_restarted_one_is_followed_again(self):
        self.plug("A1", self.gimbal())
        station, url = self.station()
        self.driver.get(url)
        self.wait(lambda: self.names() == ["Slot A1: verified"], "the first station's unit")
        self.js("window.loadedOnce = true")

        self.stop(station)
        stopped = time.monotonic()
        self.wait(lambda: self.link() == "gone", "the station shown gone", timeout=5)
        self.assertLess(time.monotonic() - stopped, 5)
        self.assertIn("Station gone", self.text("link"))
        self.wait(lambda: "Station gone" in self.text("announce"), "the station's end read out")
        self.screenshot("screen-gone.png")

        # The same address again: the page follows the new station by itself.
        self.station(url.split(":")[-1].strip("/"))
        self.wait(lambda: self.link() == "live", "the page back with the new station")
        self.wait(lambda: self.names() == ["Slot A1: verified"] and self.text("upgraded") == "1",
                  "the new station's own tally")
        self.assertTrue(self.js("return window.loadedOnce === true"), "the page was loaded again")

    def test_bad_requests_and_a_hundred_clients_never_hold_a_unit_up(self):
        _, url = self.station()
        host, port = url[len("http://"):].strip("/").split(":")
        self.driver.get(url)
        self.wait(lambda: self.link() == "live", "the screen to follow the station")

        # 99 more followers that never read, one that never ends its request.
        clients = []
        for k in range(100):
            client = socket.create_connection((host, int(port)))
            client.sendall(b"GET /events HTTP/1.1\r\nHost: x\r\n" + (b"X: " if k == 99 else b"\r\n"))
            clients.append(client)
        for path, method in (("/nothing", "GET"), ("/../../etc/passwd", "GET"), ("/", "POST"),
                             ("/events", "DELETE")):
            request = urllib.request.Request("http://%s:%s%s" % (host, port, path), method=method)
            with self.assertRaises(urllib.error.HTTPError) as refused:
                urllib.request.urlopen(request, timeout=10)
            self.assertIn(refused.exception.code, (400, 404, 405), method + " " + path)

        # A second station on the same port ends at start, saying why.
        second = subprocess.run([GIMBALCTL, "station", "--ports-from", self.ports, "--serve", port,
                                 self.firmware], capture_output=True, text=True, timeout=30)
        self.assertEqual(second.returncode, 2)
        self.assertIn("--serve %s: cannot listen on 127.0.0.1:%s: Address already in use" % (port, port),
                      second.stderr)

        self.plug("A%2", self.gimbal())  # a slot whose name looks like a placeholder
        self.wait(lambda: [r["result"] for r in self.records()] == ["complete"], "the unit's record")
        # One follower too many is told to come back later; the page keeps following.
        with self.assertRaises(urllib.error.HTTPError) as refused:
            urllib.request.urlopen("http://%s:%s/events" % (host, port), timeout=10)
        self.assertEqual(refused.exception.code, 503)
        self.wait(lambda: self.names() == ["Slot A%2: verified"], "the unit on the page")
        for client in clients:
            client.close()
        self.wait(lambda: self.link() == "live", "the page following still")

    def test_idle_connections_beyond_the_limit_are_refused_and_a_unit_still_upgraded(self):
        # 3,000 connections that send nothing, against a station allowed 400 descriptors.
        self.allow_descriptors(3000 + 200)  # and this process's own
        _, url = self.station(descriptors=400)
        host, port = url[len("http://"):].strip("/").split(":")
        clients = []
        self.addCleanup(lambda: [client.close() for client in clients])
        for _ in range(3000):
            client = socket.socket()
            client.setblocking(False)
            client.connect_ex((host, int(port)))
            clients.append(client)
        self.plug("A1", self.gimbal())
        self.wait(lambda: [r["result"] for r in self.records()] == ["complete"], "the unit's record", 60)
        def refusals():
            self.err.seek(0)
            return [line for line in self.err if "the operator's screen refused" in line]
        self.wait(refusals, "the refusals told")
        self.assertEqual(len(refusals()), 1, "one line a minute at most")
        self.assertRegex(refusals()[0], r"refused \d+ connections? beyond the 110 it serves at once\.$")

    def test_a_client_whose_request_trickles_in_is_let_go_within_seconds(self):
        _, url = self.station()
        host, port = url[len("http://"):].strip("/").split(":")
        client = socket.create_connection((host, int(port)))
        self.addCleanup(client.close)
        start = time.monotonic()
        with self.assertRaises(OSError):  # a byte every 0.5 s: 60 s for the whole request
            for byte in b"GET / HTTP/1.1\r\nHost: x\r\nX-Slow: " + b"y" * 90 + b"\r\n\r\n":
                client.send(bytes([byte]))
                time.sleep(0.5)
        self.assertLess(time.monotonic() - start, 10)

        # Nor is the next request on a kept connection: one answered, the next trickles in.
        kept = http.client.HTTPConnection(host, int(port), timeout=30)
        self.addCleanup(kept.close)
        kept.request("GET", "/")
        self.assertEqual(kept.getresponse().read()[:15].lower(), b"<!doctype html>")
        start = time.monotonic()
        with self.assertRaises(OSError):  # a byte a second, under the 2 s allowed between requests
            for byte in b"GET / HTTP/1.1\r\nHost: x\r\nX-Slow: " + b"y" * 90 + b"\r\n\r\n":
                kept.sock.send(bytes([byte]))
                time.sleep(1)
        self.assertLess(time.monotonic() - start, 10)

    def test_the_feed_never_shows_progress_past_its_maximum(self):
        # The three-image file's last reports pass its block count: the console stops at the
        # maximum, and so does every state the feed sends.
        _, url = self.station()
        states = []
        with urllib.request.urlopen(url + "events", timeout=30) as stream:
            self.plug("A1", self.gimbal())
            for line in stream:
                if not line.startswith(b"data: {\"now\":") or b"\"state\"" not in line:
                    continue
                slots = json.loads(line[len(b"data: "):])["state"]["slots"]
                states += [(slot["state"], slot["progress"], slot["maximum"]) for slot in slots]
                if states and states[-1][0] == "passed":
                    break
        self.assertEqual(states[-1][0], "passed")
        self.assertEqual(states[-1][1], states[-1][2], "the bar full at the end")
        self.assertEqual([s for s in states if s[1] > s[2]], [])


if __name__ == "__main__":
    unittest.main(verbosity=2)
