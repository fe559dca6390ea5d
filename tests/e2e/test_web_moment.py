"""index.html?time=T&size=WxH against quorvane-capture --time T of the Linux build, both on llvmpipe.
Run: /usr/bin/python3 test_web_moment.py WEB_BUILD_DIR LINUX_BUILD_DIR    (0 = pass)"""

import concurrent.futures
import os
import subprocess
import sys
import tempfile

from web_session import WebSession, page_folder
from xsession import read_image, run_checks

W, H = 320, 180
# One moment of each scene window: the shaft, the plume, the sheet over the closing scene.
MOMENTS = [20.0, 70.0, 90.0]
# Both builds run the same shader texts through llvmpipe. ANGLE's translation of them reorders some
# float arithmetic, so a channel may round one step of 255 the other way; and WebGL draws a point
# of under a pixel as a whole pixel, where llvmpipe mostly covers no pixel centre. Measured at
# 320x180: the shaft matches to one step everywhere; the plume's motes leave 10 pixels off and the
# sheet's points, stepped 490 frames from slightly other floats, 143 pixels (0.25 %). Allowed:
# half a percent of pixels off by more than one step, and a mean difference under half a step.
SHARE_OFF, MEAN = 0.005, 0.5


def native_frame(linux_build, workdir, t):
    out = os.path.join(workdir, f"native_{t}.png")
    subprocess.run([os.path.join(linux_build, "quorvane-capture"), "--time", str(t), "--size",
                    f"{W}x{H}", "--out", out], check=True, capture_output=True, timeout=900)
    return read_image(out).rgb


def compare(checks, page, native_frames, t):
    page.open(f"?time={t}&size={W}x{H}")
    page.wait_for(lambda: page.title().startswith("rendered"), 900, f"the page renders t={t}")
    line = f"rendered: {t:.6f}"
    checks.expect(page.title() == line and line + "\n" in page.console() + "\n",
                  f"t={t}: the line and title {line!r} ({page.title()!r})")
    width, height, web = page.canvas_rgb()
    native = native_frames[t].result()
    differences = [abs(a - b) for a, b in zip(web, native)]
    off = sum(max(differences[i:i + 3]) > 1 for i in range(0, len(differences), 3)) / (W * H)
    mean = sum(differences) / len(differences)
    checks.expect((width, height) == (W, H) and len(web) == len(native) and off <= SHARE_OFF and
                  mean < MEAN, f"t={t}: the page's {width}x{height} frame is the Linux build's "
                  f"({off:.4%} of pixels more than one step off, mean difference {mean:.3f})")


def main(checks):
    web_build, linux_build = map(os.path.abspath, sys.argv[1:3])
    with tempfile.TemporaryDirectory(prefix="quorvane-web-moment-") as workdir:
        page_folder(web_build, workdir)
        # The Linux build renders its frames one after another while the page renders its own.
        with concurrent.futures.ThreadPoolExecutor(1) as linux, WebSession(workdir) as page:
            native_frames = {t: linux.submit(native_frame, linux_build, workdir, t)
                             for t in MOMENTS}
            page.open("?time=abc")
            page.wait_for(lambda: "time=abc" in page.console(), 60, "a refused time")
            checks.expect(not page.title().startswith("rendered"),
                          "?time=abc: refused with its line, nothing rendered")
            for t in MOMENTS:
                compare(checks, page, native_frames, t)


if __name__ == "__main__":
    sys.exit(run_checks(main))
