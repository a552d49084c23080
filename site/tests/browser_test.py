#!/usr/bin/python3
"""The site in a real browser: headless Chromium, driven through its forms.

Starts the built site (FastCGI workers) with serve_for_test.sh, opens the
index, follows it to each form, fills the form in and submits it, and reads
the answer. Checks that the browser refuses malformed entries before any
request leaves, that every picture of every visited page has loaded, and
that the console reports no Content-Security-Policy violation nor any other
error. Saves a full-page screenshot of each page visited under
BUILD_DIR/screenshots/.
    site/tests/browser_test.py BUILD_DIR
Fails (never skips) when Chromium, its driver or selenium is missing.
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import base64
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
SERVE = os.path.join(HERE, "serve_for_test.sh")

# name, form page, fields by name (a True value ticks a checkbox, a radio
# button is chosen by its value), answer address, texts the answer holds,
# whether the answer carries a figure.
ANSWERS = [
    ("quindle", "/quindle.html", {"month": "12", "day": "25", "year": "2020"},
     "/cgi-bin/quindle.pl", ["December 25, 2020 is day 360 of 2020.", "Which is week 51 of 2020."], True),
    ("roots", "/roots.html", {"root": "3", "real": "8", "imaginary": "0"},
     "/cgi-bin/roots.pl", ["2.00000+0.00000i", "-1.00000+1.73205i", "-1.00000-1.73205i"], True),
    ("kestrum-dates", "/kestrum.html", {"date1": "12/25/2020", "date2": "3/1/2021", "html": True},
     "/cgi-bin/kestrum.pl", ["12/25/2020 was day 360 of the year and fell on a Friday.",
                             "There were 66 days between 12/25/2020 and 3/1/2021."], True),
    ("kestrum-mileage", "/kestrum.html",
     {"date1": "1/1/21", "date2": "7/1/21", "miles1": "10000", "miles2": "15000", "year": "2021"},
     "/cgi-bin/kestrum.pl", ["Taxpayer went 5,000 miles in 181 days"], False),
    ("bolvey", "/bolvey.html", {"date1": "1/1/21", "date2": "7/1/21", "bizmiles": "1000", "rate": ".5"},
     "/cgi-bin/bolvey.pl", ["There were 181 days between 1/1/21 and 7/1/21.",
                            "Taxpayer went 1,000 business miles at $0.500/mile"], True),
    ("circles", "/circles.html",
     {"length": "2", "length_num": "1", "length_den": "2", "dimension": "diameter"},
     "/cgi-bin/circles.pl", ["is the diameter of the circle", "diameter is  2 1/2 (2.500)"], True),
    ("across", "/across.html", {"r": "Browser"},
     "/cgi-bin/across.pl", ["Original input was: Browser<br>", "<td>B</td><td>r</td>"], False),
]



def answers(build):
    """ANSWERS, and every other calculator of the frame's table through its
    form's example query."""
    listed = subprocess.run([os.path.join(build, "bin", "frame"), "--list-pages"],
                            capture_output=True, text=True, check=True).stdout
    cases = list(ANSWERS)
    covered = {case[1] for case in cases}
    for line in listed.splitlines():
        name, example = line.split("\t")
        if f"/{name}.html" not in covered:
            fields = dict(urllib.parse.parse_qsl(example))
            cases.append((name, f"/{name}.html", fields, f"/cgi-bin/{name}.pl", [], False))
    return cases


# name, form page, field, malformed value the browser must refuse.
REFUSED = [
    ("odometer-with-comma", "/kestrum.html", "miles1", "10,000"),
    ("month-13", "/quindle.html", "month", "13"),
    ("empty-word", "/across.html", "r", ""),
]


class Check:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def __call__(self, ok, name, detail=""):
        if ok:
            self.passed += 1
        else:
            self.failed += 1
            print(f"FAIL {name}: {detail}", flush=True)
        return ok


def fail_setup(message):
    print(f"browser_test: {message}", file=sys.stderr)
    sys.exit(1)


def start_browser(profile):
    try:
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
    except ImportError as error:
        fail_setup(f"selenium is not installed for {sys.executable}: {error}")
    chromium = shutil.which("chromium") or shutil.which("chromium-browser")
    driver_path = shutil.which("chromedriver") or "/usr/bin/chromedriver"
    if chromium is None or not os.access(driver_path, os.X_OK):
        fail_setup("chromium and chromium-driver must be installed")
    options = webdriver.ChromeOptions()
    options.binary_location = chromium
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--disable-dev-shm-usage", "--window-size=1280,1000", f"--user-data-dir={profile}"):
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    driver = webdriver.Chrome(service=Service(executable_path=driver_path), options=options)
    driver.set_page_load_timeout(30)
    return driver


class Site:
    """The browser on the site, with the checks every visited page gets."""

    def __init__(self, driver, base, shots, check):
        self.driver, self.base, self.shots, self.check = driver, base, shots, check

    def wait_loaded(self, address):
        from selenium.webdriver.support.ui import WebDriverWait
        WebDriverWait(self.driver, 20).until(
            lambda d: d.current_url.startswith(self.base + address)
            and d.execute_script("return document.readyState") == "complete")

    def visit_checks(self, name):
        """Pictures loaded, console clean, screenshot saved."""
        broken = self.driver.execute_script(
            "return [...document.images].filter(i => !(i.complete && i.naturalWidth > 0))"
            ".map(i => i.src)")
        self.check(not broken, f"{name}: pictures loaded", f"not loaded: {broken}")
        messages = self.driver.get_log("browser")
        policy = [m["message"] for m in messages if "Content Security Policy" in m["message"]
                  or "Content-Security-Policy" in m["message"]]
        self.check(not policy, f"{name}: no Content-Security-Policy violation", policy)
        errors = [m["message"] for m in messages if m["level"] == "SEVERE"
                  and m["message"] not in policy]
        self.check(not errors, f"{name}: no console error", errors)
        self.screenshot(name)

    def screenshot(self, name):
        metrics = self.driver.execute_cdp_cmd("Page.getLayoutMetrics", {})
        size = metrics.get("cssContentSize") or metrics["contentSize"]
        shot = self.driver.execute_cdp_cmd("Page.captureScreenshot", {
            "format": "png", "captureBeyondViewport": True,
            "clip": {"x": 0, "y": 0, "width": size["width"], "height": size["height"], "scale": 1}})
        with open(os.path.join(self.shots, f"{name}.png"), "wb") as out:
            out.write(base64.b64decode(shot["data"]))

    def open_form(self, page):
        """The index, then the link to PAGE, as a visitor goes."""
        from selenium.webdriver.common.by import By
        self.driver.get(self.base + "/")
        self.wait_loaded("/")
        self.driver.find_element(By.CSS_SELECTOR, f'a[href="{page}"]').click()
        self.wait_loaded(page)
        return self.driver.find_element(By.CSS_SELECTOR, "form")

    def fill(self, form, fields):
        from selenium.webdriver.common.by import By
        for field, value in fields.items():
            elements = form.find_elements(By.NAME, field)
            kind = elements[0].get_attribute("type")
            if kind == "radio":
                next(e for e in elements if e.get_attribute("value") == value).click()
            elif kind == "checkbox":
                if elements[0].is_selected() != bool(value):
                    elements[0].click()
            else:
                elements[0].clear()
                elements[0].send_keys(value)


def run(base, shots, cases):
    check = Check()
    with tempfile.TemporaryDirectory(prefix="site-browser-") as profile:
        driver = start_browser(profile)
        try:
            from selenium.webdriver.common.by import By
            site = Site(driver, base, shots, check)
            driver.get(base + "/")
            site.wait_loaded("/")
            site.visit_checks("index")

            for name, page, fields, answer, texts, figure in cases:
                try:
                    form = site.open_form(page)
                    site.fill(form, fields)
                    form.find_element(By.CSS_SELECTOR, 'input[type="submit"]').click()
                    site.wait_loaded(answer)
                    source = driver.page_source
                    missing = [t for t in texts if t not in source]
                    check(not missing, f"{name}: answer", f"missing {missing} at {driver.current_url}")
                    if figure:
                        width = driver.execute_script(
                            "const f = document.querySelector('figure.answer-figure svg');"
                            "return f ? f.getBoundingClientRect().width : 0")
                        check(width > 0, f"{name}: figure shown", "no visible figure.answer-figure svg")
                    site.visit_checks(name)
                except Exception as error:  # one case's failure must not hide the others'
                    check(False, name, repr(error))

            for name, page, field, value in REFUSED:
                try:
                    form = site.open_form(page)
                    site.fill(form, {field: value})
                    before = driver.current_url
                    form.find_element(By.CSS_SELECTOR, 'input[type="submit"]').click()
                    valid = driver.execute_script(
                        "return arguments[0].validity.valid", form.find_element(By.NAME, field))
                    check(driver.current_url == before and valid is False, f"refused {name}",
                          f"url {driver.current_url}, validity.valid {valid}")
                    driver.get_log("browser")
                except Exception as error:
                    check(False, f"refused {name}", repr(error))

            # The guest book's footer links to its source; the chip page and
            # an error page round off the pictures.
            for name, address, text in [
                    ("source", "/cgi-bin/source.pl?s=../sources/across", "Source of the guest book"),
                    ("chips", "/chips.html", "Colour chips"),
                    ("error-404", "/cgi-bin/no-such-page.pl", "404 Not Found")]:
                try:
                    driver.get(base + address)
                    site.wait_loaded(address.split("?")[0])
                    check(text in driver.page_source, f"{name}: page", f"no '{text}'")
                    if name == "error-404":  # the 404 itself is the expected console error
                        driver.get_log("browser")
                        site.screenshot(name)
                    else:
                        site.visit_checks(name)
                except Exception as error:
                    check(False, name, repr(error))
        finally:
            driver.quit()
    return check


def main():
    if len(sys.argv) != 2:
        fail_setup("usage: browser_test.py BUILD_DIR")
    build = os.path.abspath(sys.argv[1])
    shots = os.path.join(build, "screenshots")
    os.makedirs(shots, exist_ok=True)
    # A termination still stops the server through the finally below.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    started = subprocess.run([SERVE, "start", build, "fastcgi"], capture_output=True, text=True,
                             timeout=120)
    if started.returncode != 0:
        fail_setup(f"the site did not start: {started.stderr.strip()}")
    run_dir, port = started.stdout.split()
    try:
        check = run(f"http://127.0.0.1:{port}", shots, answers(build))
    finally:
        subprocess.run([SERVE, "stop", run_dir], timeout=60)
    print(f"browser: {check.passed} passed, {check.failed} failed")
    print(f"screenshots: {shots}")
    sys.exit(1 if check.failed else 0)


if __name__ == "__main__":
    main()
