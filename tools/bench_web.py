"""Frame times of the page beside the Linux build's, per timeline window, in one run:

    /usr/bin/python3 tools/bench_web.py [--frames N] [--size WxH] [--rounds R]

Each round times build/quorvane-capture --bench, then build-web/index.html?bench in headless
Chromium, both on this machine's GL; the table gives each window's median in milliseconds and
their ratio. Run it from the repository with both builds made."""

import argparse
import re
import subprocess
import sys
import tempfile
import time

from web_page import WebPage, page_folder

WINDOW = re.compile(r"^window=(\S+) frames=\d+ median_ms=([\d.]+) p90_ms=[\d.]+$", re.M)


def native_medians(frames, size):
    result = subprocess.run(["build/quorvane-capture", "--size", size, "--bench", "--frames",
                             str(frames)], capture_output=True, text=True, check=True)
    return dict(WINDOW.findall(result.stdout))


def page_medians(page, frames, size):
    page.open(f"?bench={frames}&size={size}")
    deadline = time.monotonic() + 3600
    while page.title() != "bench done":
        if time.monotonic() > deadline:
            raise TimeoutError(f"the page's bench did not end: {page.console()[-400:]}")
        time.sleep(1)
    return dict(WINDOW.findall(page.console()))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--frames", type=int, default=30)
    parser.add_argument("--size", default="640x360")
    parser.add_argument("--rounds", type=int, default=1)
    options = parser.parse_args()
    with tempfile.TemporaryDirectory(prefix="quorvane-bench-") as folder:
        with WebPage(page_folder("build-web", folder)) as page:
            print(page.script("const gl = document.createElement('canvas').getContext('webgl2');"
                              "const info = gl.getExtension('WEBGL_debug_renderer_info');"
                              "return gl.getParameter(info ? info.UNMASKED_RENDERER_WEBGL"
                              " : gl.RENDERER)"))
            print(f"{'window':14} {'native ms':>10} {'page ms':>10} {'page/native':>12}")
            for _ in range(options.rounds):
                native = native_medians(options.frames, options.size)
                web = page_medians(page, options.frames, options.size)
                if native.keys() != web.keys():
                    sys.exit(f"the builds time other windows ({list(native)}, {list(web)}): "
                             "rebuild both")
                for window, native_ms in native.items():
                    ratio = float(web[window]) / float(native_ms)
                    print(f"{window:14} {native_ms:>10} {web[window]:>10} {ratio:>12.2f}")
                sys.stdout.flush()


if __name__ == "__main__":
    main()
