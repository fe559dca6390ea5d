"""The web build in Debian's headless Chromium, WebGL 2 on Mesa's llvmpipe, driven by Selenium."""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))

from web_page import WebPage, page_folder  # noqa: E402  (tools/ is the page's driver)
from xsession import Failure, wait_until  # noqa: E402


class WebSession(WebPage):
    """The page with the checks' own waits: a wait that runs out is a Failure."""

    def wait_for(self, condition, timeout, what):
        if not wait_until(condition, timeout, interval=0.5):
            raise Failure(f"{what} (console so far: {self.console()[-600:]!r})")

    def canvas_rgb(self):
        """The canvas's pixels as (width, height, RGB bytes, top row first)."""
        width, height, rgba = self.driver.execute_script("""
            const c = document.getElementById('canvas');
            const copy = document.createElement('canvas');
            copy.width = c.width; copy.height = c.height;
            const g = copy.getContext('2d');
            g.drawImage(c, 0, 0);
            return [c.width, c.height, Array.from(g.getImageData(0, 0, c.width, c.height).data)];
        """)
        rgb = bytes(v for i, v in enumerate(rgba) if i % 4 != 3)
        return width, height, rgb
