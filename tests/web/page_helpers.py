"""What every page test does with its browser: run a script in the page,
wait for a condition with a deadline, find an element by its id."""

import time

from selenium.webdriver.common.by import By


class PageHelpers:
    """Mixed into a unittest.TestCase whose `driver` is a Chromium session."""

    wait_seconds = 10  # how long `wait` waits unless told

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def wait(self, condition, what, timeout=None):
        end = time.monotonic() + (timeout or self.wait_seconds)
        while time.monotonic() < end:
            if condition():
                return
            time.sleep(0.02)
        self.fail("waited in vain for " + what)

    def el(self, id):
        return self.driver.find_element(By.ID, id)
