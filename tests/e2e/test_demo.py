"""The Linux demo as a person uses it: the launch dialog cancelled three ways and refusing a size,
the demo on a short track until its clock stops, a typed size, fullscreen without such a mode,
and the two failures a person can meet: no display, no 3.3 core context.

Run: python3 test_demo.py BUILD_DIR    (exit code 0 = pass)
"""

import os
import subprocess
import sys
import tempfile

from demo_checks import (DEMO, DIALOG, GL_STRINGS, TITLE, blocks, dark_pixels, expect_cancelled,
                         expect_refused, fullscreen_fallback)
from xsession import Checks, Failure, XSession, wait_until

TRACK_SECONDS = 5
STEP = 0.016666668


def open_dialog(x, build, workdir, name):
    program = x.start([os.path.join(build, "quorvane")], cwd=workdir, name=name)
    return program, x.wait_window(DIALOG, timeout=60)


def cancel_and_refuse(checks, x, build, workdir):
    program, dialog = open_dialog(x, build, workdir, "escape")
    checks.expect(x.title(dialog) == "Drannig & Velkorrin", "the dialog's title")
    x.key(dialog, "Escape")
    expect_cancelled(checks, x, program, "Escape")
    program, dialog = open_dialog(x, build, workdir, "lame")
    _, _, width, height = x.geometry(dialog)
    x.click(dialog, width // 4, height * 4 // 5)  # LAME: the left of the bottom row
    expect_cancelled(checks, x, program, "LAME clicked")
    program, dialog = open_dialog(x, build, workdir, "close")
    x.close(dialog)
    expect_cancelled(checks, x, program, "dialog closed")
    program, dialog = open_dialog(x, build, workdir, "zero")
    geometry = x.geometry(dialog)
    band = (0.48, 0.59)  # between the check box row and the buttons
    before = dark_pixels(x.screenshot(), geometry, *band)
    x.key(dialog, "ctrl+a")
    x.type(dialog, "0x0")
    x.key(dialog, "Return")
    expect_refused(checks, x, program, dialog, geometry, band, before, workdir)
    x.key(dialog, "Escape")
    expect_cancelled(checks, x, program, "0x0 then Escape")


def play_short_track(checks, x, build, workdir):
    subprocess.run([os.path.join(build, "quorvane-soundtrack"), os.path.join(workdir, "track.mp3"),
                    "--seconds", str(TRACK_SECONDS)], check=True, capture_output=True, timeout=120)
    program, dialog = open_dialog(x, build, workdir, "demo")
    x.key(dialog, "Return")
    window = x.wait_window(DEMO, timeout=60)
    checks.expect(not x.windows(DIALOG), "the dialog is gone when the demo shows")
    checks.expect(x.geometry(window)[2:] == (1280, 720), "Enter untouched: a 1280x720 client area")
    checks.require(wait_until(lambda: len(blocks(program)) >= 2, 60),
                   "diagnostic lines appear every 60th frame")
    out = program.stdout()
    checks.expect(GL_STRINGS.search(out) is not None, "the four GL implementation strings")
    checks.expect(out.index("Vendor") < out.index("Song succesfully rendered!\n"),
                  "the GL strings, then the music result line")
    checks.expect(wait_until(lambda: TITLE.fullmatch(x.title(window) or ""), 10) is not None,
                  f"the title shows the frame rate (got {x.title(window)!r})")
    # The clock follows the track to its end, then holds that moment while frames go on.
    checks.require(wait_until(lambda: blocks(program)[-1][1] >= TRACK_SECONDS - 0.2, 30),
                   "the music time reaches the end of the track")
    at_end = len(blocks(program))
    checks.require(wait_until(lambda: len(blocks(program)) >= at_end + 2, 60),
                   "frames go on after the track has ended")
    times = [t for _, t in blocks(program)]
    checks.expect(all(a <= b for a, b in zip(times, times[1:])), "the music time never goes back")
    # The encoder pads the track by up to a tenth of a second; the clock holds one step past it.
    checks.expect(TRACK_SECONDS - 0.1 <= times[-1] <= TRACK_SECONDS + 0.1 + STEP and
                  times[-1] == times[-2], f"the time stops at the end of the track ({times[-2:]})")
    checks.expect(all(error == "0" for error, _ in blocks(program)), "every block: gl error: 0x0")
    # Frame 0 prints its block: its time is the first frame's length, not sixty frames'.
    checks.expect(times[0] < 3.0, f"the first block comes right after the start ({times[0]})")
    x.key(window, "Escape")
    checks.expect(program.wait(30) == 0, "Escape ends the demo with code 0")
    checks.expect(program.stderr().strip() == "", "nothing on standard error")


def typed_fullscreen(checks, x, build, workdir):
    program, dialog = open_dialog(x, build, workdir, "typed")
    x.key(dialog, "ctrl+a")
    x.type(dialog, "320x180")
    x.click(dialog, 99, 86)  # the check box, at 58, 48 dialog units
    x.key(dialog, "Return")
    window = x.wait_window(DEMO, timeout=60)
    checks.expect(x.geometry(window)[2:] == (320, 180), "typed 320x180: that client area")
    # Xvfb offers no display mode of that size: the demo says so and keeps the size.
    checks.expect(wait_until(lambda: fullscreen_fallback("320x180") in program.stdout(), 30),
                  "fullscreen without such a mode is reported")
    x.key(window, "Escape")
    checks.expect(program.wait(30) == 0, "Escape ends it with code 0")


def fail_without_core_context(checks, x, build, workdir):
    x.env["MESA_GL_VERSION_OVERRIDE"] = "3.0"  # Mesa then offers nothing above 3.0
    try:
        program, dialog = open_dialog(x, build, workdir, "old-gl")
        x.key(dialog, "Return")
        code = program.wait(60)
    finally:
        del x.env["MESA_GL_VERSION_OVERRIDE"]
    lines = program.stderr().strip().splitlines()
    checks.expect(code == 1 and len(lines) == 1 and "OpenGL 3.3 core" in lines[0],
                  f"no 3.3 core context: one line naming it, code 1 ({code}, {lines})")


def fail_without_display(checks, build, workdir):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    result = subprocess.run([os.path.join(build, "quorvane")], cwd=workdir, env=env,
                            capture_output=True, text=True, timeout=60)
    lines = result.stderr.strip().splitlines()
    checks.expect(result.returncode == 1 and len(lines) == 1 and "display" in lines[0].lower(),
                  f"no display: one line naming it, code 1 ({result.returncode}, {lines})")


def main():
    build = os.path.abspath(sys.argv[1])
    checks = Checks()
    with tempfile.TemporaryDirectory(prefix="quorvane-demo-") as workdir:
        try:
            fail_without_display(checks, build, workdir)
            with XSession() as x:
                for scenario in (cancel_and_refuse, play_short_track, typed_fullscreen,
                                 fail_without_core_context):
                    scenario(checks, x, build, workdir)
        except Failure as failure:
            checks.expect(False, str(failure))
    return checks.exit_code()


if __name__ == "__main__":
    sys.exit(main())
