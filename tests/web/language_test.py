"""The page and the operator's screen in headless Chromium started with
--lang=de and --lang=zh-CN: the document says its language, and its texts,
labels and the texts its script writes are in it; a page fetches its own
language's catalogue and no other, an English page none.

Usage: language_test.py GIMBALCTL GIMBAL_SIM SITE_FOLDER [unittest arguments]
(SITE_FOLDER: the built page; its cases are skipped when it was not built)
"""

import functools
import http.server
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

from page_helpers import PageHelpers

GIMBALCTL, SIMULATOR, SITE = sys.argv[1:4]
del sys.argv[1:4]

# What each language must show: the document's lang, then texts by element.
LANGUAGES = {
    "de": {
        "lang": "de",
        "screen": {"h1": "Gimbal-Station", "linkText": "Station läuft",
                   "noSlots": "Noch kein Gerät eingesteckt."},
        "page": {"btn_Open": ("Öffnen", "Anschluss öffnen"),
                 "btn_Upgrade": ("Aktualisieren", "Firmware-Aktualisierung starten"),
                 "btn_CalibrHelp": ("Hilfe>>", "Hilfe zur Joystick-Kalibrierung")},
    },
    "zh-CN": {
        "lang": "zh-CN",
        "screen": {"h1": "云台工作站", "linkText": "工作站运行中", "noSlots": "尚未插入设备。"},
        "page": {"btn_Open": ("打开", "打开串口"),
                 "btn_Upgrade": ("升级", "开始固件升级"),
                 "btn_CalibrHelp": ("帮助>>", "摇杆校准帮助")},
    },
}


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def browser(language, profile, tmp):
    """Chromium in `language`; it leaves a folder in TMPDIR when it quits: `tmp`, the test's own."""
    options = webdriver.ChromeOptions()
    for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                "--lang=" + language, "--user-data-dir=" + profile):
        options.add_argument(arg)
    # Headless Chromium takes the page's languages from this preference.
    options.add_experimental_option("prefs", {"intl.accept_languages": language})
    return webdriver.Chrome(options=options, service=Service(env=dict(os.environ, TMPDIR=tmp)))


class Languages(PageHelpers, unittest.TestCase):
    wait_seconds = 20

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="gimbal-languages-")
        self.addCleanup(shutil.rmtree, self.dir, True)

    def station(self):
        """A station with no unit serving its screen; its screen's URL."""
        ports = os.path.join(self.dir, "ports")
        os.mkdir(ports)
        firmware = os.path.join(self.dir, "fw.3plov")
        subprocess.run([SIMULATOR, "--write-example", self.dir], check=True, capture_output=True)
        shutil.copy(os.path.join(self.dir, "gimbal-2.010.3plov"), firmware)
        err = open(os.path.join(self.dir, "station.err"), "w+")
        self.addCleanup(err.close)
        # The station's own lines in English: the address is read from them.
        process = subprocess.Popen(
            [GIMBALCTL, "station", "--ports-from", ports, "--log", os.path.join(self.dir, "log"),
             "--serve", "0", firmware],
            stdout=subprocess.DEVNULL, stderr=err, env=dict(os.environ, LANGUAGE="en"))
        def stop():
            process.kill()
            process.wait()
        self.addCleanup(stop)
        url = []
        def told():
            err.seek(0)
            url[:] = [line.split(": ")[-1].strip() for line in err if "operator's screen: " in line]
            return url
        self.wait(told, "the screen's address")
        return url[0]

    def site(self):
        handler = functools.partial(QuietHandler, directory=SITE)
        server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        def stop():
            server.shutdown()
            server.server_close()
        self.addCleanup(stop)
        return "http://127.0.0.1:%d/index.html" % server.server_address[1]

    def open(self, language):
        driver = browser(language, os.path.join(self.dir, "profile-" + language), self.dir)
        self.addCleanup(driver.quit)
        return driver

    def test_the_screen_in_each_language(self):
        url = self.station()
        for language, expected in LANGUAGES.items():
            with self.subTest(language=language):
                driver = self.open(language)
                driver.get(url)
                self.assertEqual(driver.execute_script("return document.documentElement.lang"),
                                 expected["lang"])
                for element, text in expected["screen"].items():
                    find = ("return (document.getElementById(arguments[0]) || "
                            "document.querySelector(arguments[0])).textContent")
                    self.wait(lambda: driver.execute_script(find, element) == text,
                              "%s to read %r, not %r" % (element, text,
                                                         driver.execute_script(find, element)))

    @unittest.skipUnless(os.path.exists(os.path.join(SITE, "index.html")), "the page was not built")
    def test_the_page_in_each_language(self):
        url = self.site()
        for language, expected in LANGUAGES.items():
            with self.subTest(language=language):
                driver = self.open(language)
                driver.get(url)
                self.assertEqual(driver.execute_script("return document.documentElement.lang"),
                                 expected["lang"])
                for element, (text, name) in expected["page"].items():
                    shown = driver.execute_script(
                        "const e = document.getElementById(arguments[0]);"
                        "return [e.textContent, e.getAttribute('aria-label')]", element)
                    self.assertEqual(shown, [text, name])

    @unittest.skipUnless(os.path.exists(os.path.join(SITE, "index.html")), "the page was not built")
    def test_a_page_fetches_its_own_language_catalogue_only(self):
        url = self.site()
        catalogues = ("return performance.getEntriesByType('resource').map((e) => e.name.split('/').pop())"
                      ".filter((name) => name.startsWith('texts'))")
        for language, expected in (("en", []), ("de", ["texts-de.js"])):
            with self.subTest(language=language):
                driver = self.open(language)
                driver.get(url)
                self.assertEqual(driver.execute_script(catalogues), expected)


if __name__ == "__main__":
    unittest.main()
