"""The web page in headless Chromium, against simulated gimbals behind the
stand-in serial (serial-stand-in.js) and the bridge (bridge.py).

Usage: web_test.py SITE_DIR GIMBAL_SIM [unittest arguments]
With GIMBAL_WEB_SCREENSHOTS=DIR set, a screenshot of each page is saved there.
"""

import contextlib
import functools
import http.server
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import time
import unittest

from selenium import webdriver
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.chrome.service import Service

from bridge import Bridge
from page_helpers import PageHelpers

HERE = os.path.dirname(os.path.abspath(__file__))
SITE, SIMULATOR = sys.argv[1], sys.argv[2]
del sys.argv[1:3]

OPEN_SUCCEEDED = "Open serial succeed\x18!"
ILLEGAL_FILE = "Error : Illegal file\uff01Please check again!"
GREEN, RED = "rgb(0, 179, 0)", "rgb(255, 0, 0)"
PORT = "USB serial 1a86:7523"
TIMEOUT = "Connection timeout,please try again!\n"
ID3_COMPLETE = "-----ID3 Upgrade complete-----"
COMPLETE = "-----Firmware upgrade complete-----\n"
FILE_KEPT = ("other.plov was not loaded: the gimbal is being sent blocks of the file in use "
             "(fw.plov, hardware 1.005, firmware 2.010); choose it again once the upgrade has ended.\n")
WORKER_ENDED_MID_UPGRADE = ("The page's worker ended mid-upgrade: the upgrade stopped; "
                            "open the port and upgrade again.\n")
BOOT_LOADER = ("The gimbal is in its boot loader: its last upgrade did not finish. "
               "Choose its firmware file and press Upgrade.\n")
UPGRADE_REQUEST = re.compile(rb"\xaa\x55.\x00\x00\xe0", re.S)  # to gimbal id 0, command 0xE0

# Each button's request frame, as the gimbal must receive it.
REQUESTS = [
    ("btn_InitGyro", "aa 55 06 00 01 40 47 ff"),
    ("btn_CalibrAcc", "aa 55 07 00 01 41 00 49 ff"),
    ("btn_ReadAcc", "aa 55 07 00 01 41 01 4a ff"),
    ("btn_ResetAcc", "aa 55 07 00 01 42 01 4b ff"),
    ("btn_SaveAll", "aa 55 06 00 00 f1 f7 ff"),
    ("btn_ReadVer", "aa 55 06 00 03 34 3d ff"),
    ("btn_CalibrUp", "aa 55 06 00 03 36 3f ff"),
    ("btn_CalibrDown", "aa 55 06 00 03 37 40 ff"),
    ("btn_CalibrLeft", "aa 55 06 00 03 39 42 ff"),
    ("btn_CalibrRight", "aa 55 06 00 03 3a 43 ff"),
    ("btn_CalibrMid", "aa 55 06 00 03 38 41 ff"),
    ("btn_CalibrSave", "aa 55 06 00 03 f4 fd ff"),
]


def image_bytes(size, seed):
    x, out = (2463534242 ^ (seed * 2654435761)) & 0xFFFFFFFF, bytearray()
    for _ in range(size):
        x ^= (x << 13) & 0xFFFFFFFF
        x ^= x >> 17
        x ^= (x << 5) & 0xFFFFFFFF
        out.append(x & 0xFF)
    return bytes(out)


def single_image_file(image):
    """A file carrying one image, sent to ID3 while the gimbal relays it to the others."""
    return image + b"tuvik" + b"\xee" * 5 + bytes([0xFF, 0x10]) + bytes([1, 5, 2, 10])


def three_image_file(id1, id2, id3):
    """A file carrying one image per board, all three to be sent."""
    trailer = b"tuvik\xee\xee\xee" + struct.pack("<III", len(id1), len(id2), len(id3))
    return id1 + id2 + id3 + trailer + b"\xee" * 6 + bytes([2, 0x20]) + bytes([1, 5, 2, 10])


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


class StallingHandler(QuietHandler):
    """Answers only while the server's `answering` is set, as a stalled network does."""
    def do_GET(self):
        self.server.answering.wait()
        super().do_GET()


def serve_site(folder=SITE):
    """Serves a site on a port of its own; returns the server and its address."""
    handler = functools.partial(StallingHandler, directory=folder)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    server.answering = threading.Event()
    server.answering.set()
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server, "http://127.0.0.1:%d/" % server.server_address[1]


def own_server(test, folder=SITE):
    """A server of the test's own (an origin of its own, so that no other test
    shares its service worker), stopped when the test ends."""
    server, url = serve_site(folder)
    test.addCleanup(server.server_close)
    test.addCleanup(server.shutdown)
    test.addCleanup(server.answering.set)
    return server, url


# Notes in window.readyAt the time (ms from the start of the load) at which the page is ready.
READY_AT = """new MutationObserver((_, o) => {
  if (document.body && document.body.dataset.ready) { window.readyAt = performance.now(); o.disconnect(); }
}).observe(document, {attributes: true, subtree: true});"""


class WebPage(PageHelpers, unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.files = tempfile.mkdtemp(prefix="gimbal-web-files-")
        cls.server, cls.url = serve_site()
        cls.bridge = Bridge(SIMULATOR)
        options = webdriver.ChromeOptions()
        for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=820,900",
                    "--disable-dev-shm-usage"):
            options.add_argument(arg)
        # chromedriver turns off the slowing of hidden pages' timers; a technician's browser has it.
        options.add_experimental_option("excludeSwitches", ["disable-background-timer-throttling"])
        # Chromium leaves a folder in TMPDIR when it quits: given one of the test's own.
        cls.chromium_tmp = tempfile.mkdtemp(prefix="gimbal-web-chromium-")
        cls.driver = webdriver.Chrome(
            options=options, service=Service(env=dict(os.environ, TMPDIR=cls.chromium_tmp)))
        with open(os.path.join(HERE, "serial-stand-in.js")) as f:
            stand_in = f.read().replace("BRIDGE_URL", cls.bridge.url)
        cls.driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": stand_in})
        cls.driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": READY_AT})

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        shutil.rmtree(cls.files, ignore_errors=True)
        shutil.rmtree(cls.chromium_tmp, ignore_errors=True)

    def setUp(self):
        self.bridge.mode = "answer"
        self.bridge.options = []

    # ---- helpers ----

    def load(self, url=None):
        """Loads the page; returns the milliseconds from the start of the load to ready."""
        self.driver.get(url or self.url)
        self.wait(lambda: self.js("return window.readyAt") is not None, "page ready")
        return self.js("return window.readyAt")

    def wait_for_service_worker(self, url):
        self.driver.get(url)
        self.wait(lambda: self.js("return !!navigator.serviceWorker.controller"), "the service worker", 15)

    def click(self, id):
        self.el(id).click()

    def value(self, id):
        return self.js("return document.getElementById(arguments[0]).value", id)

    def color(self, id):
        return self.js("return getComputedStyle(document.getElementById(arguments[0])).color", id)

    def log(self):
        return self.js("return document.getElementById('outText').value")

    def wait_value(self, id, text, timeout=10):
        self.wait(lambda: self.value(id) == text, "%s to show %r (shows %r)" % (id, text, self.value(id)),
                  timeout)

    def choose_file(self, name, content):
        path = os.path.join(self.files, name)
        with open(path, "wb") as f:
            f.write(content)
        self.el("fileInput").send_keys(path)

    def open_port(self):
        self.click("btn_Open")
        self.wait(lambda: not self.el("btn_Close").is_enabled() or
                  self.el("btn_Open").get_attribute("disabled") is not None, "the port to open")

    def close_and_record(self):
        self.click("btn_Close")
        return self.bridge.last_record()

    def recorded(self, folder, name):
        with open(os.path.join(folder, name), "rb") as f:
            return f.read()

    @contextlib.contextmanager
    def hidden(self):
        """Another tab in front while the block runs: this page is hidden, as
        when the technician looks elsewhere, and its timers are slowed."""
        page = self.driver.current_window_handle
        self.driver.switch_to.new_window("tab")
        front = self.driver.current_window_handle
        self.driver.switch_to.window(page)  # which brings it to the front: the other tab goes back there
        self.driver.execute_cdp_cmd("Target.activateTarget", {"targetId": front})
        try:
            self.assertEqual(self.js("return document.visibilityState"), "hidden")
            yield
        finally:
            self.driver.switch_to.window(front)
            self.driver.close()
            self.driver.switch_to.window(page)

    def press_upgrade(self, until, timeout, hidden=True):
        """Presses Upgrade, the tab hidden unless told; returns the seconds until the
        log shows `until` once more and the times (ms) at which the page wrote block frames."""
        before = self.log().count(until)
        with self.hidden() if hidden else contextlib.nullcontext():
            self.js("navigator.serial.writes = []; document.getElementById('btn_Upgrade').click()")
            pressed = time.monotonic()
            self.wait(lambda: self.log().count(until) > before, until.strip(), timeout)
            took = time.monotonic() - pressed
            return took, self.js("return navigator.serial.writes"
                                 ".filter((w) => w.commands.includes(0xe3)).map((w) => w.at)")

    def upgrade_requests(self):
        """How many upgrade requests the last connection's gimbal received."""
        return len(UPGRADE_REQUEST.findall(self.recorded(self.bridge.last_record(), "received.bin")))

    def ax(self):
        """The accessibility tree's nodes by name: (role, description, properties)."""
        nodes = {}
        for node in self.driver.execute_cdp_cmd("Accessibility.getFullAXTree", {})["nodes"]:
            if not node.get("ignored") and node.get("name", {}).get("value"):
                props = {p["name"]: p["value"].get("value") for p in node.get("properties", [])}
                nodes[node["name"]["value"]] = (node["role"]["value"],
                                                node.get("description", {}).get("value", ""), props)
        return nodes

    def ax_values(self):
        """The accessibility tree's values by name."""
        return {node["name"]["value"]: node.get("value", {}).get("value")
                for node in self.driver.execute_cdp_cmd("Accessibility.getFullAXTree", {})["nodes"]
                if not node.get("ignored") and node.get("name", {}).get("value")}

    def live_region(self):
        """The texts in polite live regions, as the accessibility tree holds them, in order."""
        nodes = {n["nodeId"]: n for n in self.driver.execute_cdp_cmd("Accessibility.getFullAXTree", {})["nodes"]}

        def texts(node):
            if node.get("ignored"):
                return []
            if node.get("role", {}).get("value") == "StaticText":
                return [node["name"]["value"]]
            return [t for child in node.get("childIds", []) if child in nodes for t in texts(nodes[child])]
        return [t for node in nodes.values()
                if any(p["name"] == "live" and p["value"].get("value") == "polite" for p in node.get("properties", []))
                for t in texts(node)]

    def fits(self, width, height, zoom=1, scheme="light"):
        """Shows the page as on a width x height screen at `zoom` in a colour scheme;
        true when it needs no sideways scrolling."""
        self.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": width // zoom, "height": height // zoom, "deviceScaleFactor": zoom, "mobile": False})
        self.driver.execute_cdp_cmd("Emulation.setEmulatedMedia", {
            "features": [{"name": "prefers-color-scheme", "value": scheme}]})
        return self.js("return document.documentElement.scrollWidth <= innerWidth")

    def screenshot(self, name):
        folder = os.environ.get("GIMBAL_WEB_SCREENSHOTS")
        if folder:
            self.driver.save_screenshot(os.path.join(folder, name))

    # ---- cases ----

    def test_requests_reach_the_gimbal_byte_exact_and_replies_show_with_colours(self):
        self.load()
        self.assertEqual(self.el("btn_Open").accessible_name, "Open port")
        self.assertEqual(self.el("outText").accessible_name, "Message log")
        self.assertEqual(self.el("btn_Upgrade").accessible_name, "Start firmware upgrade")
        ActionChains(self.driver).key_down(Keys.CONTROL).send_keys("2").key_up(Keys.CONTROL).perform()
        self.assertTrue(self.el("attitudeCalibrationPage").is_displayed())
        self.assertEqual(self.el("m_Gyro_x").accessible_name, "Gyroscope X")
        self.click("btn_InitGyro")  # answered by the page's worker: a moment later
        self.wait_value("m_MessageShow", "The Serial Port Is Not Open!")

        self.click("btn_Open")
        self.wait_value("m_MessageShow", "Welcome!")  # the open message, then the poll's greeting
        self.assertEqual(self.js("return navigator.serial.openedWith"),
                         {"baudRate": 115200, "dataBits": 8, "stopBits": 1, "parity": "none",
                          "flowControl": "none"})
        self.assertEqual(self.js("return navigator.serial.signals"),  # as the Linux line: both off
                         [{"dataTerminalReady": False, "requestToSend": False}])
        shows = {
            "btn_InitGyro": ("Init Gyro Succeed!", {"m_Gyro_x": "3", "m_Gyro_y": "-2", "m_Gyro_z": "1"}),
            "btn_CalibrAcc": ("Acc Calibration Succeed!", {"m_Acc_x": "2", "m_Acc_y": "-5", "m_Acc_z": "1000"}),
            "btn_ReadAcc": ("Read Acc Succeed!", {"m_Acc_z": "1000"}),
            "btn_ResetAcc": ("Reset Parameter Succeed!", {}),
            "btn_SaveAll": ("Save All Succeed!", {}),
            "btn_ReadVer": ("Hardware Ver.:1.005   Firmware Ver.:2.010", {}),
            "btn_CalibrUp": ("Up calibrate successfully!", {"m_JoystickValue1": "300"}),
            "btn_CalibrDown": ("Down calibrate successfully!", {"m_JoystickValue1": "3900"}),
            "btn_CalibrLeft": ("Left calibrate successfully!", {"m_JoystickValue1": "250"}),
            "btn_CalibrRight": ("Right calibrate successfully!", {"m_JoystickValue1": "3950"}),
            "btn_CalibrMid": ("Mid calibrate successfully!", {"m_JoystickValue1": "2000", "m_JoystickValue2": "2010"}),
            "btn_CalibrSave": ("Save joystick value successfully", {}),
        }
        for index, (button, _) in enumerate(REQUESTS):
            joystick = index >= 6  # the last six are the joystick page's
            if joystick and self.el("attitudeCalibrationPage").is_displayed():
                self.screenshot("web-attitude.png")
                self.click("btn_CalibratioonJoystick")
            field = "m_JoystickMessageShow" if joystick else "m_MessageShow"
            self.click("btn_ClearJoystickMessageShow" if joystick else "btn_ClearMessageShow")
            self.click(button)
            text, values = shows[button]
            self.wait_value(field, text)
            for id, v in values.items():
                self.wait_value(id, v)
                # The joystick's values carry no verdict: their colour stays.
                self.assertEqual(self.color(id), "rgb(0, 0, 0)" if joystick else GREEN, id)
        self.click("btn_CalibrHelp")
        self.assertEqual(self.el("btn_CalibrHelp").text, "Help<<")
        self.assertTrue(self.value("m_UserGuideText").startswith("Calibration of the joystick\n"))
        self.screenshot("web-joystick.png")
        folder = self.close_and_record()
        expected = b"".join(bytes.fromhex(frame) for _, frame in REQUESTS)
        self.assertEqual(self.recorded(folder, "received.bin"), expected)

        # A value out of range turns red; the others stay green.
        self.bridge.options = ["--gyro", "30,-2,-11"]
        self.click("btn_AttitudeCalibration")
        self.open_port()
        self.click("btn_InitGyro")
        self.wait_value("m_Gyro_x", "30")
        self.wait_value("m_Gyro_z", "-11")
        self.assertEqual([self.color(id) for id in ("m_Gyro_x", "m_Gyro_y", "m_Gyro_z")], [RED, GREEN, RED])
        # ...and says so in words to assistive technology.
        ax = self.ax()
        for name, words, invalid in (("Gyroscope X", "out of range", "true"), ("Gyroscope Y", "", "false")):
            _, description, props = ax[name]
            self.assertEqual((description, props.get("invalid", "false")), (words, invalid), name)
        # What is new reaches a polite live region as text, each message once and
        # alone (a field's value or the log's text changing is not announced);
        # the fields keep their names and values.
        self.wait(lambda: self.live_region()[-1:] == ["Init Gyro Succeed!"], "the message announced")
        time.sleep(0.3)  # three status polls showing the same text: announced once
        self.assertNotEqual(self.live_region()[-2:], ["Init Gyro Succeed!"] * 2)
        values = self.ax_values()
        self.assertEqual((values["Attitude message"], values["Gyroscope X"]), ("Init Gyro Succeed!", "30"))
        # A name on an element without a role is never read out.
        self.assertEqual([name for name, (role, _, _) in ax.items() if role == "generic"], [])
        # Arrow keys move within a toolbar.
        self.el("btn_AttitudeCalibration").send_keys(Keys.ARROW_RIGHT)
        self.assertEqual(self.js("return document.activeElement.id"), "btn_CalibratioonJoystick")
        # Every page on a 1280x800 laptop screen, light and dark, and at 200% zoom: no sideways scrolling.
        for zoom, scheme in ((1, "light"), (1, "dark"), (2, "light")):
            for tab in ("btn_FirmwareUpgrade", "btn_CalibratioonJoystick", "btn_AttitudeCalibration"):
                self.click(tab)
                self.assertTrue(self.fits(1280, 800, zoom, scheme), "%s at %d00%% %s" % (tab, zoom, scheme))
            self.screenshot("web-%s-%d00.png" % (scheme, zoom))
        self.driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})
        self.driver.execute_cdp_cmd("Emulation.setEmulatedMedia", {"features": []})
        self.click("btn_Close")

    def test_refused_file_sends_nothing_and_an_upgrade_delivers_every_image(self):
        self.load()
        self.choose_file("short.plov", b"\x01\x02\x03")  # the worker's core judges it: a moment later
        self.wait(lambda: self.log().endswith(ILLEGAL_FILE), "the file refused")
        self.assertEqual(self.value("m_File_Path"), "short.plov")
        self.open_port()
        self.wait(lambda: self.log().endswith(OPEN_SUCCEEDED + "\n"), "the open message")
        self.click("btn_Upgrade")
        self.wait(lambda: self.log().endswith("Please select a file first\n"), "the refusal")
        self.assertEqual(self.recorded(self.close_and_record(), "received.bin"), b"")

        self.load()  # the port granted before is offered again
        self.assertEqual(self.js("const l = document.getElementById('lineEndingPopUpButton');"
                                 "return l.options[l.selectedIndex].text"), PORT)
        images = [image_bytes(2000, 1), image_bytes(1500, 2), image_bytes(1100, 3)]
        self.choose_file("fw.2plov", three_image_file(*images))
        self.wait(lambda: "Hardware Ver.:1.005" in self.log(), "the file's versions")
        self.open_port()
        self.js("window.locks = []; Object.defineProperty(navigator, 'wakeLock', {value: {request: async () => {"
                "  locks.push('taken'); const lock = new EventTarget();"
                "  lock.release = async () => { locks.push('released'); }; return lock; }}})")
        leaving = "return !window.dispatchEvent(new Event('beforeunload', {cancelable: true}))"
        self.click("btn_Upgrade")  # the worker starts it and the page locks its controls: a moment later
        self.wait(lambda: not self.el("btn_OpenFile").is_enabled(), "the controls locked")
        self.assertTrue(self.js(leaving), "leaving mid-upgrade asks first")
        self.wait(lambda: "-----Firmware upgrade complete-----\n" in self.log(), "the upgrade to end", 30)
        self.wait(lambda: self.el("btn_Open").is_enabled(), "the controls back")
        self.assertEqual(self.js("return window.locks"), ["taken", "released"], "the screen kept awake meanwhile")
        self.assertFalse(self.js(leaving))
        self.assertEqual(self.live_region()[-1], "-----Firmware upgrade complete-----")  # the new line alone
        self.assertEqual(self.js("const p = document.getElementById('progressIndicator');"
                                 "return [p.value, p.max]"), [6, 6])
        self.screenshot("web-firmware.png")
        # Save Log (Ctrl+S) downloads the log as it was written, line ends included.
        self.driver.execute_cdp_cmd("Browser.setDownloadBehavior",
                                    {"behavior": "allow", "downloadPath": self.files})
        ActionChains(self.driver).key_down(Keys.CONTROL).send_keys("s").key_up(Keys.CONTROL).perform()
        saved = os.path.join(self.files, "gimbal-tool-log.txt")
        self.wait(lambda: os.path.exists(saved), "the saved log")
        with open(saved, "rb") as f:
            log = f.read().decode()
        self.assertIn("\r\nHardware Ver.:1.005   \r\nFirmware Ver.:2.010", log)
        self.assertTrue(log.endswith("-----Firmware upgrade complete-----\n"))
        # With Caps Lock on the key is 'S': the log is saved all the same.
        self.js("window.saved = []; HTMLAnchorElement.prototype.click = function () { saved.push(this.download); }")
        ActionChains(self.driver).key_down(Keys.CONTROL).send_keys("S").key_up(Keys.CONTROL).perform()
        self.assertEqual(self.js("return window.saved"), ["gimbal-tool-log.txt"])
        folder = self.bridge.last_record()
        for board, image in enumerate(images, start=1):
            self.assertEqual(self.recorded(folder, "id%d.bin" % board), image, "board %d" % board)

    def test_unplug_busy_port_and_silent_gimbal(self):
        self.load()
        images = [image_bytes(3000, 4), image_bytes(3000, 5), image_bytes(3000, 6)]
        self.choose_file("fw.2plov", three_image_file(*images))
        self.open_port()
        self.click("btn_Upgrade")
        self.wait(lambda: self.js("return document.getElementById('progressIndicator').value") >= 2,
                  "blocks to go")
        self.bridge.unplug()
        self.wait(lambda: PORT + " was unplugged\n" in self.log(), "the unplug in the log")
        self.assertEqual(self.value("m_MessageShow"), PORT + " was unplugged")
        self.wait(lambda: self.el("btn_Open").is_enabled(), "the controls back", 15)
        self.assertNotIn("-----Firmware upgrade complete-----", self.log())

        self.bridge.mode = "busy"
        self.click("btn_Open")
        self.wait(lambda: "another program" in self.log(), "the busy port explained")
        self.assertIn("Open serial fail\x18!\n", self.log())

        # A silent gimbal, the tab hidden: the timeout comes on time with every request sent
        # (a hidden tab's slowed timers once gave no timeout in 300 s and 9 requests).
        self.bridge.mode = "silent"
        self.open_port()
        took, _ = self.press_upgrade(TIMEOUT, 15)
        self.assertTrue(self.log().endswith(TIMEOUT))
        self.assertTrue(7.0 < took < 10.0, "timeout after %.2f s" % took)
        self.wait(lambda: self.el("btn_Open").is_enabled(), "the controls back")
        self.assertEqual(self.upgrade_requests(), 22, "the upgrade request is resent on its schedule")

    def test_latest_file_choice_and_a_hidden_tab_keeps_the_pace(self):
        self.load()
        # The first choice is read slowly: Upgrade waits, and the second choice,
        # read first, stays loaded when the first read ends.
        self.js("const read = File.prototype.arrayBuffer;"
                "File.prototype.arrayBuffer = function () {"
                "  if (!this.name.startsWith('slow')) return read.call(this);"
                "  return new Promise((r) => setTimeout(r, 500)).then(() => read.call(this))"
                "    .finally(() => { window.slowReadEnded = true; }); };")
        self.choose_file("slow.plov", b"\x01\x02\x03")
        self.wait(lambda: not self.el("btn_Upgrade").is_enabled(), "Upgrade to wait for the read")
        blocks = 40
        self.choose_file("fw.plov", single_image_file(image_bytes(blocks * 1056, 8)))
        self.wait(lambda: self.js("return window.slowReadEnded === true"), "the slow read to end")
        self.wait(lambda: self.value("m_File_Path") == "fw.plov" and self.el("btn_Upgrade").is_enabled(),
                  "the latest file loaded")
        self.assertNotIn(ILLEGAL_FILE, self.log())

        # The whole transfer with the tab hidden: paced as when shown.
        self.open_port()
        took, sent = self.press_upgrade(ID3_COMPLETE, 60)
        floor = blocks * 0.2
        self.assertLess(took, 1.5 * floor, "a hidden tab's slowed timers once took 4.9 times the floor")
        gaps = [b - a for a, b in zip(sent, sent[1:])]
        self.assertGreaterEqual(len(sent), blocks)
        # 0.2 s apart as the core counts them (whole milliseconds, from when the page
        # takes a block: a busy machine can hold a block a moment before it is written).
        self.assertGreater(min(gaps), 190, "blocks written back to back")

    def test_a_busy_page_thread_neither_stops_the_transfer_nor_the_relay(self):
        # The line runs in a worker: a page thread held for 10 s (a leave dialog
        # read, a long garbage collection) once timed out an upgrade whose
        # gimbal had reported every block.
        self.load()
        image = image_bytes(30 * 1056, 10)  # 6 s of blocks, then 25 s of relay reports
        self.choose_file("fw.plov", single_image_file(image))
        self.open_port()
        busy = "const end = performance.now() + 10000; while (performance.now() < end) {}"
        self.click("btn_Upgrade")
        self.wait(lambda: self.js("return document.getElementById('progressIndicator').value") >= 2,
                  "blocks to go")
        self.js(busy)  # in the transfer
        self.wait(lambda: ID3_COMPLETE in self.log(), "the relay")
        self.choose_file("other.plov", single_image_file(image_bytes(1056, 11)))  # one image per upgrade
        self.wait(lambda: self.log().endswith(FILE_KEPT), "the file kept")
        self.assertEqual(self.value("m_File_Path"), "fw.plov")
        self.js(busy)  # in the relay to ID2 and ID1
        self.wait(lambda: "-----Firmware upgrade complete-----\n" in self.log(), "the upgrade to end", 30)
        self.assertNotIn(TIMEOUT, self.log())
        self.wait(lambda: self.el("btn_Open").is_enabled(), "the controls back")
        self.assertEqual(self.recorded(self.bridge.last_record(), "id3.bin"), image)
        # The upgrade's end ends its transfer: a file chosen at once is the one sent next.
        other = image_bytes(2 * 1056, 11)
        self.choose_file("other.plov", single_image_file(other))
        self.wait_value("m_File_Path", "other.plov")
        self.wait(lambda: self.el("btn_Upgrade").is_enabled(), "the file loaded")
        self.assertFalse(self.log().endswith(FILE_KEPT))
        self.open_port()
        self.click("btn_Upgrade")
        self.wait(lambda: self.log().count(COMPLETE) == 2, "the second upgrade to end", 30)
        self.wait(lambda: self.el("btn_Open").is_enabled(), "the controls back")
        self.assertEqual(self.recorded(self.bridge.last_record(), "id3.bin"), other)

    def test_the_worker_ending_mid_upgrade_ends_it_and_the_page_runs_the_line_itself(self):
        self.load()
        image = image_bytes(4 * 1056, 16)
        self.choose_file("fw.plov", single_image_file(image))
        self.wait(lambda: "Hardware Ver.:1.005" in self.log(), "the file's versions")
        self.open_port()
        self.click("btn_Upgrade")
        self.wait(lambda: self.js("return document.getElementById('progressIndicator').value") >= 2,
                  "blocks to go")
        self.js("window.linkWorkers.forEach((worker) => worker.terminate())")
        self.wait(lambda: self.log().endswith(WORKER_ENDED_MID_UPGRADE), "the upgrade's end told")
        self.wait(lambda: self.el("btn_Open").is_enabled() and self.el("btn_Upgrade").is_enabled(),
                  "the controls back")
        self.assertEqual(self.value("m_File_Path"), "fw.plov")
        # The page's own line, with the file in use loaded again.
        self.open_port()
        self.click("btn_Upgrade")
        self.wait(lambda: COMPLETE in self.log(), "the upgrade on the page's line", 30)
        self.assertEqual(self.recorded(self.bridge.last_record(), "id3.bin"), image)

    def test_without_its_worker_the_page_upgrades_on_its_own_timers(self):
        site = tempfile.mkdtemp(prefix="gimbal-web-site-")
        self.addCleanup(shutil.rmtree, site, ignore_errors=True)
        shutil.copytree(SITE, site, dirs_exist_ok=True)
        os.remove(os.path.join(site, "link-worker.js"))  # a half-finished deploy
        server, url = serve_site(site)
        self.addCleanup(server.server_close)
        self.addCleanup(server.shutdown)
        self.driver.get(url)
        self.wait(lambda: self.js("return document.body.dataset.ready") == "true", "page ready")
        self.assertEqual(self.log(), "The page's worker could not start: upgrades may slow down "
                                     "while this tab is hidden.\n")
        images = [image_bytes(1100, 11), image_bytes(900, 12), image_bytes(1500, 13)]
        self.choose_file("fw.2plov", three_image_file(*images))
        self.open_port()
        self.click("btn_Upgrade")
        self.wait(lambda: "-----Firmware upgrade complete-----\n" in self.log(), "the upgrade to end", 30)
        self.wait(lambda: self.el("btn_Open").is_enabled(), "the controls back")
        folder = self.bridge.last_record()
        self.assertEqual([self.recorded(folder, "id%d.bin" % k) for k in (1, 2, 3)], images)

    def test_a_gimbal_in_its_boot_loader_is_named_and_rescued_through_upgrade(self):
        self.load()
        self.bridge.options = ["--boot-loader"]
        self.open_port()
        opened = time.monotonic()
        self.wait(lambda: BOOT_LOADER in self.log(), "the boot loader named", 5)
        self.assertLess(time.monotonic() - opened, 2.5, "named within 2 s of its first request")
        # No file is in use: the rescue file is taken at once, and once it
        # answers the boot loader it stays in use only while this port is open.
        image = image_bytes(3 * 1056, 17)
        self.choose_file("rescue.plov", single_image_file(image))
        self.wait_value("m_File_Path", "rescue.plov")
        time.sleep(2.5)  # the boot loader asks twice more, answered from rescue.plov
        self.assertNotIn("was not loaded", self.log())
        self.assertEqual(self.log().count(BOOT_LOADER), 1, "named once while it keeps asking")
        self.click("btn_Close")
        self.bridge.options = []
        self.open_port()  # a gimbal that runs its firmware
        self.choose_file("other.plov", single_image_file(image_bytes(1056, 18)))
        self.wait_value("m_File_Path", "other.plov")
        self.assertNotIn("was not loaded", self.log())
        self.click("btn_Close")

        self.choose_file("rescue.plov", single_image_file(image))
        self.wait(lambda: self.value("m_File_Path") == "rescue.plov" and self.el("btn_Upgrade").is_enabled(),
                  "the rescue file loaded")
        self.bridge.options = ["--boot-loader"]
        self.open_port()
        self.wait(lambda: self.log().count(BOOT_LOADER) == 2, "the boot loader named on the new line", 5)
        self.click("btn_Upgrade")
        self.wait(lambda: COMPLETE in self.log(), "the rescue to end", 30)
        self.assertEqual(self.recorded(self.bridge.last_record(), "id3.bin"), image)
        self.assertEqual(self.log().count(BOOT_LOADER), 2)

    def test_an_upgrade_cut_in_every_try_restarts_visibly_and_ends_failed(self):
        # Once seen still upgrading after 60 s: now three tries, each shown, then one failure.
        self.load()
        self.bridge.options = ["--cut-after", "3", "--cut-times", "9"]
        self.choose_file("fw.plov", single_image_file(image_bytes(10 * 1056, 19)))
        self.open_port()
        self.click("btn_Upgrade")
        failed = ("Upgrade failed: the gimbal restarted in its boot loader in each of 3 tries, "
                  "the last time at ID3, block 3 of 10.\n")
        self.wait(lambda: self.log().endswith(failed), "the upgrade to end failed", 40)
        again = ("The gimbal restarted in its boot loader at ID3, block 3 of 10: "
                 "upgrading it again from the start, try %d of 3.\n")
        self.assertIn(again % 2 + again % 3 + failed, self.log())
        self.assertNotIn(COMPLETE, self.log())
        self.wait(lambda: self.el("btn_Open").is_enabled(), "the controls back")

    def test_port_list_across_an_unplug_and_open_with_no_port(self):
        self.driver.get(self.url)
        self.js("sessionStorage.setItem('standInGranted', '3')")  # ports A, B and C granted
        self.load()
        self.js("document.getElementById('lineEndingPopUpButton').selectedIndex = 1")
        self.open_port()
        self.js("navigator.serial.unplug(0)")  # A goes away while B is open
        self.wait(lambda: self.js("return document.getElementById('lineEndingPopUpButton').length") == 3,
                  "the list without A")
        self.assertEqual(self.js("return document.getElementById('lineEndingPopUpButton').selectedIndex"), 0)
        self.click("btn_Close")

        # Open with no port chosen (the browser's chooser dismissed): the window's texts, one more line.
        self.js("navigator.serial.dismissChooser = true;"
                "document.getElementById('lineEndingPopUpButton').selectedIndex = 2")
        self.click("btn_Open")
        self.wait_value("m_MessageShow", "Open serial fail\x18!")
        self.assertTrue(self.log().endswith("Open serial fail\x18!\nNo serial port was chosen: choose the "
                                            "gimbal's USB serial adapter in the browser's list, or plug it "
                                            "in, then press Open again.\n"))
        self.js("sessionStorage.removeItem('standInGranted')")

    def test_a_new_build_is_offered_after_an_upgrade_and_runs_whole(self):
        site = tempfile.mkdtemp(prefix="gimbal-web-site-")
        self.addCleanup(shutil.rmtree, site, ignore_errors=True)
        shutil.copytree(SITE, site, dirs_exist_ok=True)
        _, url = own_server(self, site)
        self.wait_for_service_worker(url)
        self.load(url)
        self.driver.execute_async_script("caches.open('other-app-v1').then(() => arguments[0]())")  # a neighbour's
        self.choose_file("fw.2plov", three_image_file(*(image_bytes(4000, k) for k in (7, 8, 9))))
        self.open_port()
        self.click("btn_Upgrade")
        # A new build while the upgrade runs: one file changed, the worker stamped again as the build does.
        with open(os.path.join(site, "index.html")) as f:
            page = f.read().replace("<title>Gimbal Service Tool</title>", "<title>New build</title>")
        with open(os.path.join(site, "index.html"), "w") as f:
            f.write(page)
        web = os.path.join(HERE, "..", "..", "web")
        subprocess.run([shutil.which("cmake"), "-DSITE=" + site, "-DTEMPLATE=" + os.path.join(web, "site", "sw.js"),
                        "-P", os.path.join(web, "stamp-site.cmake")], check=True)
        self.js("navigator.serviceWorker.getRegistration().then((r) => r.update())")
        self.wait(lambda: self.driver.execute_async_script(
            "navigator.serviceWorker.getRegistration().then((r) => arguments[0](!!r.waiting))"),
            "the new build cached", 15)
        self.assertNotIn(COMPLETE, self.log(), "the upgrade still runs")
        self.assertFalse(self.el("updateBar").is_displayed(), "no bar during an upgrade")
        # Once the upgrade ends, the bar offers the new build.
        self.wait(lambda: self.el("updateBar").is_displayed(), "the new version's bar", 30)
        self.assertIn(COMPLETE, self.log())
        self.assertEqual(self.el("updateBar").text, "A new version is ready\nReload")
        ax = self.ax()
        self.assertEqual(ax["New version"][0], "status")
        self.assertEqual(ax["Reload into the new version"][0], "button")
        # An upgrade started now hides it; a Reload asked for meanwhile waits for the upgrade's end.
        self.wait(lambda: self.el("btn_Open").is_enabled(), "the controls back")
        self.open_port()
        self.click("btn_Upgrade")
        self.wait(lambda: not self.el("btn_OpenFile").is_enabled(), "the upgrade to start")
        self.assertFalse(self.el("updateBar").is_displayed())
        self.js("document.getElementById('btn_Reload').click()")
        self.wait(lambda: self.log().count(COMPLETE) == 2, "the second upgrade to end", 30)
        self.wait(lambda: self.js("return document.title") == "New build" and
                  self.js("return window.readyAt") is not None, "the new build ready", 15)
        self.assertFalse(self.el("updateBar").is_displayed())
        caches = self.driver.execute_async_script("caches.keys().then(arguments[0])")
        self.assertEqual(len(caches), 2, "the old build's cache is gone")
        self.assertIn("other-app-v1", caches, "another app's cache on the same host stays")

    def test_starts_from_the_cache_with_the_server_stalled_or_gone(self):
        server, url = own_server(self)
        self.wait_for_service_worker(url)
        online = min(self.load(url) for _ in range(2))
        # A server that takes the connection and never answers (a slow factory
        # network): the page starts on the build it has all the same, as fast.
        server.answering.clear()
        stalled = self.load(url)
        self.assertLess(stalled, 2 * online + 1000, "ready in %.0f ms, with the server %.0f ms" % (stalled, online))
        server.answering.set()
        server.shutdown()
        server.server_close()
        self.load(url)
        self.assertEqual(self.el("btn_Open").accessible_name, "Open port")

    def test_without_web_serial_one_line_names_the_browsers(self):
        hide = self.driver.execute_cdp_cmd(
            "Page.addScriptToEvaluateOnNewDocument",
            {"source": "delete Navigator.prototype.serial; delete navigator.serial;"})
        try:
            self.driver.get(self.url)
            self.wait(lambda: self.el("noSerial").is_displayed(), "the no-Web-Serial line")
            self.assertIn("Chrome or Edge", self.el("noSerial").text)
            self.assertFalse(self.el("tool").is_displayed())
        finally:
            self.driver.execute_cdp_cmd("Page.removeScriptToEvaluateOnNewDocument", hide)


if __name__ == "__main__":
    unittest.main(verbosity=2)
