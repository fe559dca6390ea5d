"""What both builds of the demo show a person, read the same way."""

import os
import re
import subprocess
import time

from xsession import wait_until

DIALOG = "^Drannig & Velkorrin$"
DEMO = "^Quorvane"
GL_STRINGS = re.compile(r"^Vendor         : .+\nRenderer       : .+\nOpenGL version : .+\n"
                        r"GLSL version   : .+$", re.M)
BLOCK = re.compile(r"^frametime: \d+\.\d\dms\ngl error: 0x([0-9A-F]+)\ntime: (\d+\.\d{6})$", re.M)
TITLE = re.compile(r"Quorvane - \d+")
TRACK_SECONDS = 5  # the short track
FULLSCREEN_FALLBACK = "Fullscreen: the display has no {} mode, running in a window of that size\n"


def make_track(build, workdir, seconds=None):
    """A stand-in track.mp3 in workdir, the whole 200 s without seconds."""
    subprocess.run([os.path.join(build, "quorvane-soundtrack"), os.path.join(workdir, "track.mp3")]
                   + (["--seconds", str(seconds)] if seconds else []), check=True,
                   capture_output=True, timeout=300)


def blocks(program):
    """The diagnostic blocks printed so far, as (GL error digits, music time)."""
    return [(error, float(t)) for error, t in BLOCK.findall(program.stdout())]


def expect_cancelled(checks, session, program, how):
    """The program ends with code 0 and no demo window or GL context ever came."""
    demo_seen = []
    wait_until(lambda: demo_seen.extend(session.windows(DEMO)) or program.wait(0) is not None, 60)
    code = program.wait(1)
    checks.expect(code == 0, f"{how}: exit code 0 (got {code})")
    checks.expect(not demo_seen and not GL_STRINGS.search(program.stdout()),
                  f"{how}: no Quorvane window ever appeared, no GL strings printed")


def dark_pixels(image, geometry, top, bottom):
    """Dark pixels in the window's rows from top to bottom (fractions of its height)."""
    left, upper, width, height = geometry
    y0, y1 = upper + int(top * height), upper + int(bottom * height)
    return sum(1 for r, g, b in image.region(left, y0, width, y1 - y0) if r + g + b < 300)


def cancel_and_refuse(checks, session, open_dialog, cancels, type_size, band):
    """Escape and each cancel end the dialog; a 0x0 size leaves a message in band instead."""
    for how, cancel in [("Escape", lambda dialog, _: session.key(dialog, "Escape"))] + cancels:
        program, dialog, geometry = open_dialog(how.split()[0])
        cancel(dialog, geometry)
        expect_cancelled(checks, session, program, how)
    program, dialog, geometry = open_dialog("zero")
    before = dark_pixels(session.screenshot(), geometry, *band)
    type_size(dialog, geometry, "0x0")
    session.key(dialog, "Return")
    time.sleep(2)
    checks.expect(program.wait(0) is None and session.windows(DIALOG) == [dialog],
                  "0x0: the dialog stays open")
    after = dark_pixels(session.screenshot(), geometry, *band)
    checks.expect(after > before + 50, f"0x0: a message appears ({before} -> {after} dark px)")
    checks.expect(not session.windows(DEMO), "0x0: no Quorvane window")
    session.key(dialog, "Escape")
    expect_cancelled(checks, session, program, "0x0 then Escape")
