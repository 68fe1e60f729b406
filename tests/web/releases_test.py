"""The page's list of the maker's releases in headless Chromium: a release
folder beside the site, signed with keys made by signify-openbsd, served on
the loopback address, the signature checked by the page with WebCrypto.

Usage: releases_test.py SITE_DIR GIMBAL_SIM [unittest arguments]
"""

import base64
import functools
import hashlib
import http.server
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select

from bridge import Bridge
from page_helpers import PageHelpers

HERE = os.path.dirname(os.path.abspath(__file__))
SITE, SIMULATOR = sys.argv[1], sys.argv[2]
del sys.argv[1:3]

PUBLISHED = "2026-12-08T15:00:00Z"


def firmware(minor, seed):
    """A single-image file whose firmware version is 2.<minor>."""
    image = bytes((seed * 7 + k * 13) & 0xFF for k in range(3000))
    return image + b"tuvik" + b"\xee" * 5 + bytes([0xFF, 0x10]) + bytes([1, 5, 2, minor])


def signify(*args):
    subprocess.run(["signify-openbsd", *args], check=True, capture_output=True)


def make_key(folder, name):
    pub, sec = os.path.join(folder, name + ".pub"), os.path.join(folder, name + ".sec")
    signify("-G", "-n", "-c", name, "-p", pub, "-s", sec)
    with open(pub) as f:
        return pub, sec, f.read()


class Folder:
    """A release folder: firmware files, releases.json and its signature."""

    def __init__(self, path):
        self.path = path
        os.makedirs(path, exist_ok=True)

    def write(self, name, content):
        with open(os.path.join(self.path, name), "wb") as f:
            f.write(content)

    def publish(self, serial, secret, files):
        """files: [(version, date, notes, bytes)], oldest first; the catalogue signed by `secret`."""
        releases = []
        for version, date, notes, content in files:
            name = "gimbal-%s.plov" % version
            self.write(name, content)
            releases.append({"version": version, "date": date, "channel": "stable",
                             "notes": notes, "files": [{"name": name, "size": len(content),
                                                        "sha256": hashlib.sha256(content).hexdigest()}]})
        catalogue = {"format": 1, "serial": serial, "published": PUBLISHED, "releases": releases}
        self.write("releases.json", json.dumps(catalogue, indent=2).encode())
        signify("-S", "-s", secret, "-m", os.path.join(self.path, "releases.json"),
                "-x", os.path.join(self.path, "releases.json.sig"))


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


class PageReleases(PageHelpers, unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="gimbal-web-releases-")
        cls.trusted_pub, cls.trusted, cls.trusted_text = make_key(cls.tmp, "test key")
        _, cls.stranger, cls.stranger_text = make_key(cls.tmp, "stranger key")
        cls.key_hex = base64.b64decode(cls.trusted_text.splitlines()[1])[2:10].hex()
        cls.bridge = Bridge(SIMULATOR)
        options = webdriver.ChromeOptions()
        for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage"):
            options.add_argument(arg)
        # Chromium leaves a folder in TMPDIR when it quits: given the test's own.
        cls.driver = webdriver.Chrome(
            options=options, service=Service(env=dict(os.environ, TMPDIR=cls.tmp)))
        with open(os.path.join(HERE, "serial-stand-in.js")) as f:
            stand_in = f.read().replace("BRIDGE_URL", cls.bridge.url)
        cls.driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": stand_in})

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def setUp(self):
        """A site of the test's own, trusting the test key, with a release folder
        beside it, on a server of its own (an origin, a service worker and caches
        of its own)."""
        self.site = tempfile.mkdtemp(prefix="site-", dir=self.tmp)
        shutil.copytree(SITE, self.site, dirs_exist_ok=True)
        with open(os.path.join(self.site, "trusted-keys.pub"), "w") as f:
            f.write(self.trusted_text)
        self.folder = Folder(os.path.join(self.site, "releases"))
        self.files = [("2.009", "2026-11-02", "First release", firmware(9, 1)),
                      ("2.010", "2026-12-01", "Faster\nstart", firmware(10, 2))]
        self.folder.publish(2, self.trusted, self.files)
        handler = functools.partial(QuietHandler, directory=self.site)
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        self.addCleanup(self.server.server_close)
        self.addCleanup(self.server.shutdown)
        self.url = "http://127.0.0.1:%d/" % self.server.server_address[1]

    # ---- helpers ----

    def log(self):
        return self.js("return document.getElementById('outText').value")

    def load(self):
        self.driver.get(self.url)
        self.wait(lambda: self.js("return document.body.dataset.ready === 'true'"), "page ready")

    def listed(self):
        return self.js("return [...document.getElementById('m_ReleaseList').options].map((o) => o.text)")

    def wait_log_end(self, text, timeout=10):
        end = time.monotonic() + timeout
        while not self.log().endswith(text) and time.monotonic() < end:
            time.sleep(0.02)
        self.assertTrue(self.log().endswith(text), "the log ends %r" % self.log()[-300:])

    def status(self, path):
        return self.driver.execute_async_script(
            "fetch(arguments[0]).then((r) => arguments[1](r.status), (e) => arguments[1](String(e)))", path)

    def list_again(self):
        self.el("btn_ListReleases").click()

    def use_release(self, index=0):
        Select(self.el("m_ReleaseList")).select_by_index(index)
        self.el("btn_LoadRelease").click()

    def loaded_line(self, version, date):
        return "\nRelease %s (%s, stable), signed by key %s (test key public key)" % (version, date, self.key_hex)

    # ---- cases ----

    def test_a_verified_release_loads_as_a_chosen_file_and_every_fault_is_refused(self):
        self.load()
        names = {id: self.el(id).accessible_name
                 for id in ("m_ReleaseSource", "btn_ListReleases", "m_ReleaseList", "btn_LoadRelease")}
        self.assertEqual(names, {"m_ReleaseSource": "Release source address",
                                 "btn_ListReleases": "List firmware releases",
                                 "m_ReleaseList": "Firmware releases", "btn_LoadRelease": "Load chosen release"})
        self.wait(lambda: len(self.listed()) == 2, "the releases listed at start")
        self.assertEqual(self.listed(), ["2.010 (2026-12-01, stable): Faster start",
                                         "2.009 (2026-11-02, stable): First release"])
        # The release's lines are those of the same file chosen, then the release and its key.
        self.el("fileInput").send_keys(os.path.join(self.folder.path, "gimbal-2.010.plov"))
        self.wait(lambda: "Firmware Ver.:2.010" in self.log(), "the chosen file's lines")
        chosen = self.log()
        self.use_release(0)
        self.wait_log_end(self.loaded_line("2.010", "2026-12-01"))
        self.assertEqual(self.log(), chosen + chosen + self.loaded_line("2.010", "2026-12-01"))
        self.assertEqual(self.js("return document.getElementById('m_File_Path').value"), "gimbal-2.010.plov")

        # Each fault refused in one line, nothing listed (or loaded) from it.
        catalogue = os.path.join(self.folder.path, "releases.json")
        with open(catalogue) as f:
            good = f.read()
        with open(catalogue, "w") as f:
            f.write(good.replace("Faster", "Fastest"))
        self.list_again()
        self.wait_log_end("the signature does not match releases.json: it was changed after signing\n")
        self.assertEqual(self.listed(), [])
        self.folder.publish(3, self.stranger, self.files)
        self.list_again()
        self.wait_log_end("which is not trusted\n")
        self.folder.publish(1, self.trusted, self.files)
        self.list_again()
        self.wait_log_end("releases.json is older than the one already seen: serial 1 after 2\n")
        self.assertEqual(self.listed(), [])
        self.folder.publish(3, self.trusted, self.files)
        self.folder.write("gimbal-2.009.plov", firmware(9, 5))  # swapped after signing
        self.list_again()
        self.wait(lambda: len(self.listed()) == 2, "the releases listed again")
        before = self.log()
        self.use_release(1)
        self.wait(lambda: self.log() != before, "the swapped file judged")
        self.assertRegex(self.log()[len(before):], r"^gimbal-2\.009\.plov: .*SHA-256.*\n$")
        self.assertEqual(self.js("return document.getElementById('m_File_Path').value"), "gimbal-2.010.plov")

    def test_offline_the_kept_releases_serve_and_no_unnamed_file_is_served(self):
        self.driver.get(self.url)
        self.wait(lambda: self.js("return !!navigator.serviceWorker.controller"), "the service worker", 15)
        self.load()
        self.wait(lambda: len(self.listed()) == 2, "the releases listed")
        self.use_release(1)
        self.wait_log_end(self.loaded_line("2.009", "2026-11-02"))
        # A file in the release folder that the verified catalogue does not name is not served.
        self.folder.write("other.plov", firmware(11, 3))
        self.assertEqual(self.status("releases/other.plov"), 404)
        self.assertEqual(self.status("releases/gimbal-2.010.plov"), 200)
        # Nor one in a folder below it, nor one with "%" in its name.
        os.makedirs(os.path.join(self.folder.path, "sub"))
        self.folder.write("sub/x.plov", firmware(11, 3))
        self.assertEqual(self.status("releases/sub/x.plov"), 404)
        self.assertEqual(self.status("releases/a%zz.plov"), 404)
        # The server gone: the kept catalogue lists, the kept file loads, checked again.
        self.server.shutdown()
        self.server.server_close()
        self.load()
        self.wait(lambda: len(self.listed()) == 2, "the kept releases listed")
        self.assertIn("offline: releases as of %s\n" % PUBLISHED, self.log())
        self.use_release(1)
        self.wait_log_end(self.loaded_line("2.009", "2026-11-02"))
        self.assertIn("Firmware Ver.:2.009", self.log())

    def test_a_key_the_site_removes_stops_verifying_at_the_next_load(self):
        self.driver.get(self.url)
        self.wait(lambda: self.js("return !!navigator.serviceWorker.controller"), "the service worker", 15)
        self.load()
        self.wait(lambda: len(self.listed()) == 2, "the releases listed")
        with open(os.path.join(self.site, "trusted-keys.pub"), "w") as f:
            f.write(self.stranger_text)
        self.load()
        self.list_again()  # the list at start is quiet about a refusal
        self.wait_log_end("which is not trusted\n")
        self.assertEqual(self.listed(), [])


if __name__ == "__main__":
    unittest.main(verbosity=2)
