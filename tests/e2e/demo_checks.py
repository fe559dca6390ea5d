"""What both builds of the demo show a person, read the same way."""

import os
import re
import subprocess
import time

DIALOG = "^Drannig & Velkorrin$"
DEMO = "^Quorvane"
GL_STRINGS = re.compile(r"^Vendor         : .+\nRenderer       : .+\nOpenGL version : .+\n"
                        r"GLSL version   : .+$", re.M)
BLOCK = re.compile(r"^frametime: \d+\.\d\dms\ngl error: 0x([0-9A-F]+)\ntime: (\d+\.\d{6})$", re.M)
TITLE = re.compile(r"Quorvane - \d+")


def make_track(build, workdir, seconds=None):
    """A stand-in track.mp3 in workdir, the whole 200 s without seconds."""
    subprocess.run([os.path.join(build, "quorvane-soundtrack"), os.path.join(workdir, "track.mp3")]
                   + (["--seconds", str(seconds)] if seconds else []), check=True,
                   capture_output=True, timeout=300)


def fullscreen_fallback(size):
    return f"Fullscreen: the display has no {size} mode, running in a window of that size\n"


def blocks(program):
    """The diagnostic blocks printed so far, as (GL error digits, music time)."""
    return [(error, float(t)) for error, t in BLOCK.findall(program.stdout())]


def expect_cancelled(checks, session, program, how):
    """The program ends with code 0 and no demo window or GL context ever came."""
    deadline, demo_seen = time.monotonic() + 60, False
    while program.running() and time.monotonic() < deadline:
        demo_seen = demo_seen or bool(session.windows(DEMO))
        time.sleep(0.1)
    code = program.wait(1)
    checks.expect(code == 0, f"{how}: exit code 0 (got {code})")
    checks.expect(not demo_seen, f"{how}: no Quorvane window ever appeared")
    checks.expect(not GL_STRINGS.search(program.stdout()), f"{how}: no GL strings printed")


def dark_pixels(image, geometry, top, bottom):
    """Dark pixels in the window's rows from top to bottom (fractions of its height)."""
    left, upper, width, height = geometry
    y0, y1 = upper + int(top * height), upper + int(bottom * height)
    return sum(1 for r, g, b in image.region(left, y0, width, y1 - y0) if r + g + b < 300)


def expect_refused(checks, session, program, dialog, geometry, band, before, workdir):
    """After a refused size: the dialog stays open and a message appears in the given band."""
    time.sleep(2)
    checks.expect(program.running() and session.windows(DIALOG) == [dialog],
                  "0x0: the dialog stays open")
    after = dark_pixels(session.screenshot(f"{workdir}/refused.png"), geometry, *band)
    checks.expect(after > before + 50, f"0x0: a message appears ({before} -> {after} dark px)")
    checks.expect(not session.windows(DEMO), "0x0: no Quorvane window")
