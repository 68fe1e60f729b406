"""Prints the web page's figures, measured in headless Chromium against a
simulated gimbal behind the test bridge (tests/web):

- the site's size, plain and gzipped;
- page load to ready (the core loaded, the controls wired) against a blank
  page from the same server, the median of five loads each (goal: at most
  1.5 times the blank page; the check for a newer build runs after ready);
- a 255-block image sent through the page and the bridge: the time from
  pressing Upgrade to the board's "Upgrade complete" against the pacing
  floor of 255 blocks 0.2 s apart (ratio; goal at most 1.02);
- with the tab hidden behind another (the browser slowing its timers): a
  40-block image against its floor (goal at most 1.10, no two blocks under
  0.2 s apart on the core's clock; the gaps printed are between the writes
  as the stand-in serial saw them, so the core's whole milliseconds and a
  busy machine's moment between take and write can show a little less), and a silent gimbal's timeout after pressing Upgrade (goal
  8 s, within 1 s) with the upgrade requests it was sent (goal 22).

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

def site_size():
    plain = packed = 0
    for name in sorted(os.listdir(SITE)):
        with open(os.path.join(SITE, name), "rb") as f:
            data = f.read()
        plain += len(data)
        packed += len(gzip.compress(data, 9))
    print("site: %d files, %d bytes (%.0f KB), %d bytes gzipped" %
          (len(os.listdir(SITE)), plain, plain / 1024, packed))


def upgrade(page, blocks, hidden=False):
    """Sends a `blocks`-block image; returns the seconds from Upgrade to the
    board's completion and the shortest gap between two blocks written (ms)."""
    page.load()
    page.choose_file("fw.plov", web_test.single_image_file(web_test.image_bytes(blocks * 1056, 7)))
    page.open_port()
    took, sent = page.press_upgrade(web_test.ID3_COMPLETE, 600, hidden)
    page.wait(lambda: page.el("btn_Open").is_enabled(), "the upgrade to end", 600)
    return took, min(b - a for a, b in zip(sent, sent[1:]))


def hidden_timeout(page):
    """A silent gimbal with the tab hidden: seconds to the timeout, requests sent."""
    page.load()
    page.choose_file("fw.plov", web_test.single_image_file(web_test.image_bytes(1056, 7)))
    page.bridge.mode = "silent"
    page.open_port()
    took, _ = page.press_upgrade(web_test.TIMEOUT, 600)
    page.bridge.mode = "answer"
    return took, page.upgrade_requests()


def main():
    site_size()
    page = web_test.WebPage("test_requests_reach_the_gimbal_byte_exact_and_replies_show_with_colours")
    web_test.WebPage.setUpClass()
    try:
        page.setUp()
        driver = page.driver
        # A fresh load each time, the site's files from the browser's cache
        # or service worker as a returning technician has them.
        blank = os.path.join(SITE, "blank.html")  # removed again below
        with open(blank, "w") as f:
            f.write("<!doctype html><title>blank</title>")
        ready, blank_load = [], []
        for _ in range(5):
            ready.append(page.load())
            driver.get(page.url + "blank.html")
            blank_load.append(driver.execute_script(
                "return performance.getEntriesByType('navigation')[0].loadEventEnd"))
        os.remove(blank)
        ready, blank_load = statistics.median(ready), statistics.median(blank_load)
        print("page load to ready: %.0f ms (median of 5); a blank page loads in %.0f ms; ratio %.1f "
              "(goal <= 1.5)" % (ready, blank_load, ready / blank_load))

        took, gap = upgrade(page, 40, hidden=True)
        print("40-block image, tab hidden: %.2f s; pacing floor 8.0 s; ratio %.3f (goal <= 1.10); "
              "shortest gap between blocks %.1f ms (goal > 199)" % (took, took / 8.0, gap))
        took, requests = hidden_timeout(page)
        print("silent gimbal, tab hidden: timeout %.2f s after Upgrade (goal 8 +- 1); "
              "%d upgrade requests (goal 22)" % (took, requests))
        took, gap = upgrade(page, 255)
        print("255-block image through the page: %.2f s; pacing floor 51.0 s; ratio %.3f (goal <= 1.02); "
              "shortest gap between blocks %.1f ms" % (took, took / 51.0, gap))
    finally:
        web_test.WebPage.tearDownClass()


if __name__ == "__main__":
    main()
