"""Frame times of the page beside the Linux build's, per timeline window, in one run:

    /usr/bin/python3 tools/bench_web.py [--frames N] [--size WxH] [--rounds R]

Each round times build/quorvane-capture --bench before and after build-web/index.html?bench in
headless Chromium, all on this machine's GL; the table gives each window's median in milliseconds
and the page's ratio to the mean of the two native runs, which bracket it in time so that a shared
machine changing speed within a round shows as a gap between them. Each page run has a browser of
its own, as each native run has a process of its own and a viewer opens the link: a browser's
state carries over from one load to the next, and on llvmpipe some later loads ran the credits a
quarter slower than the first. With several rounds, the last table gives each window's median
ratio. Run it from the repository with both builds made."""

import argparse
import re
import statistics
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


def page_medians(folder, frames, size):
    with WebPage(folder) as page:
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
        page_folder("build-web", folder)
        with WebPage(folder) as page:
            print(page.script("const gl = document.createElement('canvas').getContext('webgl2');"
                              "const info = gl.getExtension('WEBGL_debug_renderer_info');"
                              "return gl.getParameter(info ? info.UNMASKED_RENDERER_WEBGL"
                              " : gl.RENDERER)"))
        heading = "native ms before, after"
        print(f"{'window':14} {heading:>24} {'page ms':>10} {'page/native':>12}")
        ratios = {}
        for _ in range(options.rounds):
            before = native_medians(options.frames, options.size)
            web = page_medians(folder, options.frames, options.size)
            after = native_medians(options.frames, options.size)
            if not before.keys() == web.keys() == after.keys():
                sys.exit(f"the builds time other windows ({list(before)}, {list(web)}): "
                         "rebuild both")
            for window, page_ms in web.items():
                native_ms = (float(before[window]) + float(after[window])) / 2
                ratio = float(page_ms) / native_ms
                ratios.setdefault(window, []).append(ratio)
                natives = f"{before[window]} {after[window]}"
                print(f"{window:14} {natives:>24} {page_ms:>10} {ratio:>12.2f}")
            sys.stdout.flush()
        if options.rounds > 1:
            print(f"{'window':14} median page/native over {options.rounds} rounds")
            for window, values in ratios.items():
                print(f"{window:14} {statistics.median(values):.2f}")


if __name__ == "__main__":
    main()
