#!/usr/bin/python3
"""The site in a real browser: headless Chromium, driven through its forms.

Starts the built site (FastCGI workers) with serve_for_test.sh, opens the
index, follows it to each form, fills the form in and submits it, and reads
the answer. Checks that the browser refuses malformed entries before any
request leaves, that every picture of every visited page has loaded, and
that the console reports no Content-Security-Policy violation nor any other
error. Saves a full-page screenshot of each page visited under
BUILD_DIR/screenshots/.

Then audits every page of the site (AUDITED) at a desktop's and a phone's
size, in the light and the dark scheme: axe-core (the version the build
installed into BUILD_DIR/axe) must find no violation of WCAG 2.1 A and AA;
on the phone no page may be wider than the screen, and no text of an
answer's figure smaller than 12 CSS pixels; Tab must reach every control of
a page, each showing its focus; every answer must carry its program's
labelled form, filled in with what was asked, and an answer address asked
nothing must show that form under a prompt. Each answer is saved as NAME-SIZE.png
beside the others, in the light scheme.
    site/tests/browser_test.py BUILD_DIR
Fails (never skips) when Chromium, its driver, selenium or axe-core is
missing.
"""
import os
import re
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
    ("across", "/across.html", {"r": "Browser test"},
     "/cgi-bin/across.pl", ["Original input was: Browser test<br>", "<td>B</td><td>r</td>"], False),
]

# name, address: every page the audit opens.
AUDITED = [
    ("index", "/"),
    ("form-kestrum", "/kestrum.html"),
    ("form-bolvey", "/bolvey.html"),
    ("form-roots", "/roots.html"),
    ("form-circles", "/circles.html"),
    ("form-quindle", "/quindle.html"),
    ("form-across", "/across.html"),
    ("chips", "/chips.html"),
    ("quindle", "/cgi-bin/quindle.pl?month=12&day=25&year=2020"),
    ("quindle-month-13", "/cgi-bin/quindle.pl?month=13&day=1&year=2021"),
    ("roots", "/cgi-bin/roots.pl?root=5&real=-3&imaginary=4"),
    ("kestrum-dates", "/cgi-bin/kestrum.pl?html=1&date1=12%2F25%2F2020&date2=3%2F1%2F2021"),
    ("kestrum-text", "/cgi-bin/kestrum.pl?date1=1%2F1%2F21&date2=7%2F1%2F21&miles1=10000"
                     "&miles2=15000&year=2021"),
    ("bolvey", "/cgi-bin/bolvey.pl?date1=1%2F1%2F21&date2=7%2F1%2F21&bizmiles=1000&rate=.5"),
    ("circles", "/cgi-bin/circles.pl?length=2&length_num=1&length_den=2&dimension=diameter"),
    ("circles-zero-denominator", "/cgi-bin/circles.pl?length=3&length_num=1&length_den=0"
                                 "&dimension=radius"),
    ("across", "/cgi-bin/across.pl?r=Supercalifragilistic"),
    ("across-refused", "/cgi-bin/across.pl?r=darn"),
    ("across-earlier", "/cgi-bin/across-earlier.pl?r=Earlier"),
    ("roots-asked-nothing", "/cgi-bin/roots.pl"),
    ("kestrum-asked-nothing", "/cgi-bin/kestrum.pl?html=1"),
    ("across-asked-nothing", "/cgi-bin/across.pl"),
    ("source", "/cgi-bin/source.pl?s=../sources/across"),
    ("error-404", "/cgi-bin/no-such-page.pl"),
    ("error-static-404", "/no-such-page.html"),
]

# The two screens: name, width, height, whether it is a phone.
SCREENS = [("desktop", 1280, 900, False), ("phone", 390, 844, True)]
AXE_TAGS = ["wcag2a", "wcag2aa", "wcag21a", "wcag21aa"]


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
    ("word-with-underscore", "/across.html", "r", "snake_case"),
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
        # The policy refuses the guest book's inline blur handler on purpose.
        refused = [m for m in policy if "inline event handler" not in m]
        self.check(not refused, f"{name}: no Content-Security-Policy violation", refused)
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


# The texts of an answer's figure drawn smaller than 12 CSS pixels: each
# text's computed font size times the scale its figure is drawn at.
SMALL_FIGURE_TEXT = """
return [...document.querySelectorAll('figure.answer-figure svg text')]
  .filter(t => t.getClientRects().length > 0)
  .map(t => { const m = t.getScreenCTM();
              return [t.textContent, parseFloat(getComputedStyle(t).fontSize) * Math.hypot(m.a, m.b)]; })
  .filter(([text, size]) => size < 11.95)
  .map(([text, size]) => text + ': ' + size.toFixed(1) + 'px');
"""

# What is wrong with the form of program arguments[0] on its page (the
# last one, after a fragment's own): missing or hidden, a text field without a label, or (with arguments[2]) a field
# not showing the value the query arguments[1] sent.
FORM_PROBLEMS = """
const [name, query, filledIn] = arguments;
const form = [...document.querySelectorAll(`main form[action="/cgi-bin/${name}.pl"]`)].pop();
if (!form || form.getClientRects().length === 0) return ['no visible form'];
const sent = new URLSearchParams(query);
return [...form.querySelectorAll('input[type=text]')].flatMap(f =>
  [...(f.labels.length ? [] : [f.name + ' has no label']),
   ...(filledIn && f.value !== (sent.get(f.name) ?? '') ? [f.name + ' shows ' + f.value] : [])]);
"""

# After a Tab: the focused element, described, and whether it shows its
# focus. Remembers it among the elements reached.
FOCUSED = """
const e = document.activeElement;
if (!e || e === document.body) return null;
(window.tabbed = window.tabbed || new Set()).add(e);
const s = getComputedStyle(e);
const shown = (s.outlineStyle !== 'none' && parseFloat(s.outlineWidth) > 0) || s.boxShadow !== 'none';
return [e.outerHTML.slice(0, 80), shown];
"""

# The page's visible controls that no Tab reached (Tab stops once in a
# group of radio buttons; the arrow keys choose within it).
NOT_TABBED = """
const reached = window.tabbed || new Set();
const group = e => e.type === 'radio' ? (e.form ? e.form.elements[e.name] : [e]) : [e];
return [...document.querySelectorAll(
    'a[href], input:not([type=hidden]), textarea, select, button, [tabindex]:not([tabindex="-1"])')]
  .filter(e => e.getClientRects().length > 0 && !e.disabled && ![...group(e)].some(m => reached.has(m)))
  .map(e => e.outerHTML.slice(0, 80));
"""


class Audit:
    """axe-core, the phone's width, the figures' text and the keyboard on
    one page after another, in one browser."""

    def __init__(self, site, axe_source):
        self.site, self.driver, self.check = site, site.driver, site.check
        self.axe_source = axe_source

    def screen(self, width, height, phone):
        self.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": width, "height": height, "deviceScaleFactor": 1, "mobile": phone})

    def scheme(self, name):
        self.driver.execute_cdp_cmd("Emulation.setEmulatedMedia", {
            "features": [{"name": "prefers-color-scheme", "value": name}]})

    def axe(self):
        if not self.driver.execute_script("return typeof axe !== 'undefined'"):
            self.driver.execute_script(self.axe_source)
        return self.driver.execute_async_script("""
            const done = arguments[arguments.length - 1];
            axe.run(document, {runOnly: {type: 'tag', values: arguments[0]},
                               resultTypes: ['violations']})
              .then(r => done(r.violations.map(v => v.id + ' (' + v.impact + '): ' +
                                               v.nodes.map(n => n.target.join(' ')).join(', '))),
                    e => done(['axe failed: ' + e]));""", AXE_TAGS)

    def tab_through(self, name):
        from selenium.webdriver.common.action_chains import ActionChains
        from selenium.webdriver.common.keys import Keys
        controls = len(self.driver.execute_script(NOT_TABBED))
        hidden = []
        for _ in range(controls + 3):
            ActionChains(self.driver).send_keys(Keys.TAB).perform()
            focused = self.driver.execute_script(FOCUSED)
            if focused and not focused[1]:
                hidden.append(focused[0])
        missed = self.driver.execute_script(NOT_TABBED)
        self.check(not missed, f"{name}: Tab reaches every control", f"never focused: {missed}")
        self.check(not hidden, f"{name}: focus shows", f"no focus ring on: {hidden}")

    def page(self, name, address, screen, phone):
        self.driver.get(self.site.base + address)
        self.site.wait_loaded(address.split("?")[0])
        for scheme in ("dark", "light"):
            self.scheme(scheme)
            violations = self.axe()
            self.check(not violations, f"{name} {screen} {scheme}: axe", violations)
        if address.startswith("/cgi-bin/"):
            self.site.screenshot(f"{name}-{screen}")
        if phone:
            width = self.driver.execute_script("return document.documentElement.scrollWidth")
            self.check(width <= 390, f"{name} phone: no sideways scroll", f"{width} px wide")
            small = self.driver.execute_script(SMALL_FIGURE_TEXT)
            self.check(not small, f"{name} phone: figure text legible", small)
        elif name != "chips":  # hundreds of links, one like the other
            self.tab_through(name)
            self.answer_form(name, address)

    def answer_form(self, name, address):
        """An answer carries its program's form, labelled, filled in with
        what was asked (the guest book's is for the next word); an answer
        address asked nothing shows that form under a prompt."""
        match = re.fullmatch(r"/cgi-bin/([a-z-]+)\.pl\??(.*)", address)
        if match is None or match[1] == "source" or name.startswith("error"):
            return
        program, query = match[1], match[2]
        problems = self.driver.execute_script(
            FORM_PROBLEMS, program, query, not program.startswith("across"))
        self.check(not problems, f"{name}: its form", problems)
        prompt = self.driver.execute_script("return document.querySelector('p.prompt') !== null")
        self.check(prompt == name.endswith("asked-nothing"), f"{name}: prompt only when asked nothing",
                   f"prompt shown: {prompt}")

    def run(self):
        for screen, width, height, phone in SCREENS:
            self.screen(width, height, phone)
            for name, address in AUDITED:
                try:
                    self.page(name, address, screen, phone)
                except Exception as error:  # one page's failure must not hide the others'
                    self.check(False, f"{name} {screen}", repr(error))
        self.driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})
        self.scheme("")


def run(base, shots, cases, axe_source):
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

            driver.set_script_timeout(60)
            Audit(site, axe_source).run()
        finally:
            driver.quit()
    return check


def main():
    if len(sys.argv) != 2:
        fail_setup("usage: browser_test.py BUILD_DIR")
    build = os.path.abspath(sys.argv[1])
    shots = os.path.join(build, "screenshots")
    os.makedirs(shots, exist_ok=True)
    try:
        with open(os.path.join(build, "axe", "node_modules", "axe-core", "axe.min.js")) as script:
            axe_source = script.read()
    except OSError as error:
        fail_setup(f"axe-core is not installed in the build (its build step installs it): {error}")
    # A termination still stops the server through the finally below.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    started = subprocess.run([SERVE, "start", build, "fastcgi"], capture_output=True, text=True,
                             timeout=120)
    if started.returncode != 0:
        fail_setup(f"the site did not start: {started.stderr.strip()}")
    run_dir, port = started.stdout.split()
    try:
        check = run(f"http://127.0.0.1:{port}", shots, answers(build), axe_source)
    finally:
        subprocess.run([SERVE, "stop", run_dir], timeout=60)
    print(f"browser: {check.passed} passed, {check.failed} failed")
    print(f"screenshots: {shots}")
    sys.exit(1 if check.failed else 0)


if __name__ == "__main__":
    main()
