"""The web build served from a folder over loopback HTTP to Debian's headless Chromium, which
renders WebGL 2 through ANGLE on the machine's GL (Mesa's llvmpipe where there is no GPU)."""

import http.server
import os
import shutil
import threading

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

PAGE_FILES = ["index.html", "quorvane.js", "quorvane.wasm", "OpenSans-CondLight.ttf", "favicon.ico"]
FLAGS = ["--headless=new", "--no-sandbox", "--no-first-run", "--disable-background-networking",
         "--disable-component-update", "--use-gl=angle", "--use-angle=gl-egl",
         "--ignore-gpu-blocklist", "--autoplay-policy=no-user-gesture-required",
         "--window-size=1400,1000"]


def page_folder(web_build, folder):
    """folder with the page's files copied in (track.mp3 is the caller's business)."""
    for name in PAGE_FILES:
        source = os.path.join(web_build, name)
        if not os.path.exists(source):
            raise FileNotFoundError(f"{source} is missing: build the page with scripts/build-web")
        shutil.copy(source, folder)
    return folder


class Quiet(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


class WebPage:
    """A loopback HTTP server on folder and one Chromium; console lines gather in self.lines."""

    def __init__(self, folder):
        handler = lambda *args: Quiet(*args, directory=folder)
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for flag in FLAGS:
            options.add_argument(flag)
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        self.driver.set_script_timeout(600)
        self.lines = []

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.driver.quit()
        self.server.shutdown()
        self.server.server_close()

    def open(self, query=""):
        self.driver.get_log("browser")  # what the last page printed is not this one's
        self.lines = []
        self.driver.get(f"http://127.0.0.1:{self.server.server_address[1]}/index.html{query}")

    def console(self):
        """Every console line so far: the module's printed lines, one entry per line."""
        for entry in self.driver.get_log("browser"):
            message = entry["message"]
            # "URL LINE:COL "text"" for console.log of a string; quotes and escapes as JSON.
            at = message.find(' "')
            text = message[at + 2:-1] if at >= 0 and message.endswith('"') else message
            self.lines.extend(text.encode().decode("unicode_escape").splitlines() or [""])
        return "\n".join(self.lines)

    def title(self):
        return self.driver.title

    def script(self, code, *args):
        return self.driver.execute_script(code, *args)
