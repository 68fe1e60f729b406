"""Prints the web page's figures, measured in headless Chromium against a
simulated gimbal behind the test bridge (tests/web):

- the site's size, plain and gzipped;
- page load to ready (the core loaded, the controls wired) against a blank
  page from the same server, the median of five loads each;
- a 255-block image sent through the page and the bridge: the time from
  pressing Upgrade to the board's "Upgrade complete" against the pacing
  floor of 255 blocks 0.2 s apart (ratio; goal at most 1.02).

Usage: /usr/bin/python3 tools/measure-web.py [build folder]   (after building web-site and gimbal-sim)
"""

import gzip
import os
import statistics
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
BUILD = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "build")
SITE = os.path.join(BUILD, "web", "site")
sys.path.insert(0, os.path.join(HERE, "..", "tests", "web"))
sys.argv[1:] = [SITE, os.path.join(BUILD, "gimbal-sim")]

import web_test  # noqa: E402  (the test's server, bridge and browser set-up)

READY_AT = """new MutationObserver((_, o) => {
  if (document.body && document.body.dataset.ready) { window.readyAt = performance.now(); o.disconnect(); }
}).observe(document, {attributes: true, subtree: true});"""


def site_size():
    plain = packed = 0
    for name in sorted(os.listdir(SITE)):
        with open(os.path.join(SITE, name), "rb") as f:
            data = f.read()
        plain += len(data)
        packed += len(gzip.compress(data, 9))
    print("site: %d files, %d bytes (%.0f KB), %d bytes gzipped" %
          (len(os.listdir(SITE)), plain, plain / 1024, packed))


def main():
    site_size()
    page = web_test.WebPage("test_requests_reach_the_gimbal_byte_exact_and_replies_show_with_colours")
    web_test.WebPage.setUpClass()
    try:
        page.setUp()
        driver = page.driver
        driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": READY_AT})
        # A fresh load each time, the site's files from the browser's cache
        # or service worker as a returning technician has them.
        blank = os.path.join(SITE, "blank.html")  # removed again below
        with open(blank, "w") as f:
            f.write("<!doctype html><title>blank</title>")
        ready, blank_load = [], []
        for _ in range(5):
            page.load()
            page.wait(lambda: driver.execute_script("return window.readyAt") is not None, "ready")
            ready.append(driver.execute_script("return window.readyAt"))
            driver.get(page.url + "blank.html")
            blank_load.append(driver.execute_script(
                "return performance.getEntriesByType('navigation')[0].loadEventEnd"))
        os.remove(blank)
        print("page load to ready: %.0f ms (median of 5); a blank page loads in %.0f ms" %
              (statistics.median(ready), statistics.median(blank_load)))

        page.load()
        image = web_test.image_bytes(255 * 1056, 7)
        single = image + b"tuvik" + b"\xee" * 5 + bytes([0xFF, 0x10]) + bytes([1, 5, 2, 10])
        page.choose_file("big.plov", single)
        page.open_port()
        page.wait(lambda: page.log().endswith(web_test.OPEN_SUCCEEDED + "\n"), "the port open")
        start = time.monotonic()
        page.click("btn_Upgrade")
        page.wait(lambda: "-----ID3 Upgrade complete-----" in page.log(), "the image sent", 120)
        took = time.monotonic() - start
        floor = 255 * 0.2
        print("255-block image through the page: %.2f s; pacing floor %.1f s; ratio %.3f (goal <= 1.02)" %
              (took, floor, took / floor))
    finally:
        web_test.WebPage.tearDownClass()


if __name__ == "__main__":
    main()
