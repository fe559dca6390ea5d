"""The real program as a person runs it: confirm the dialog, watch the window and the console,
then quit with Escape. Also the two failures a person can meet: no display, no 3.3 core context.

Run: python3 test_demo_run.py BUILD_DIR    (exit code 0 = pass)
"""

import os
import re
import subprocess
import sys
import tempfile

from xsession import Checks, Failure, XSession, wait_until

DIALOG = "^Drannig & Velkorrin$"
TRACK_SECONDS = 5
STEP = 0.016666668
GL_STRINGS = re.compile(r"^Vendor         : .+\nRenderer       : .+\nOpenGL version : .+\n"
                        r"GLSL version   : .+$", re.M)
DIAGNOSTICS = re.compile(r"^frametime: (\d+\.\d\d)ms\ngl error: 0x([0-9A-F]+)\ntime: (\d+\.\d{6})$",
                         re.M)


def diagnostics(program):
    return [(float(ms), error, float(t)) for ms, error, t in DIAGNOSTICS.findall(program.stdout())]


def play_short_track(checks, x, build, workdir):
    track = os.path.join(workdir, "track.mp3")
    subprocess.run([os.path.join(build, "quorvane-soundtrack"), track, "--seconds",
                    str(TRACK_SECONDS)], check=True, capture_output=True, timeout=120)
    program = x.start([os.path.join(build, "quorvane")], cwd=workdir, name="demo")
    x.key(x.wait_window(DIALOG, timeout=60), "Return")
    window = x.wait_window("^Quorvane", timeout=60)

    checks.require(wait_until(lambda: len(diagnostics(program)) >= 2, 60),
                   "diagnostic lines appear every 60th frame")
    out = program.stdout()
    checks.expect(GL_STRINGS.search(out) is not None, "the four GL implementation strings")
    checks.expect("Song succesfully rendered!\n" in out, "the music result line")
    checks.expect(out.index("Vendor") < out.index("Song succesfully rendered!"),
                  "the GL strings come before the music is opened")
    title_shows_rate = lambda: re.fullmatch(r"Quorvane - \d+", x.title(window) or "")
    checks.expect(wait_until(title_shows_rate, 10) is not None,
                  f"the title shows the frame rate (got {x.title(window)!r})")
    checks.expect(x.geometry(window)[2:] == (1280, 720), "a 1280x720 client area")

    # The clock follows the track to its end, then holds that moment while frames go on.
    checks.require(wait_until(lambda: diagnostics(program)[-1][2] >= TRACK_SECONDS - 0.2, 30),
                   "the music time reaches the end of the track")
    frames_at_end = len(diagnostics(program))
    checks.require(wait_until(lambda: len(diagnostics(program)) >= frames_at_end + 2, 60),
                   "frames go on after the track has ended")
    seen = diagnostics(program)
    times = [t for _, _, t in seen]
    checks.expect(all(a <= b for a, b in zip(times, times[1:])), "the music time never goes back")
    # The encoder pads the track by up to a tenth of a second; the clock holds one step past it.
    checks.expect(TRACK_SECONDS - 0.1 <= times[-1] <= TRACK_SECONDS + 0.1 + STEP,
                  f"the time stops at the end of the track (got {times[-1]})")
    checks.expect(times[-1] == times[-2], f"and stays there ({times[-2]}, {times[-1]})")
    checks.expect(all(error == "0" for _, error, _ in seen), "every block says gl error: 0x0")
    # Frame 0 prints its block: its time is the first frame's length, not sixty frames'.
    checks.expect(times[0] < 3.0, f"the first block comes right after the start ({times[0]})")

    left, top, width, height = x.geometry(window)
    image = x.screenshot(os.path.join(workdir, "demo.png"))
    corner = image.pixel(left + 5, top + 5)
    checks.expect(sum(corner) < 30, f"the window is dark, not garbage (got {corner})")

    x.key(window, "Escape")
    code = program.wait(30)
    checks.expect(code == 0, f"Escape ends the demo with code 0 (got {code})")
    checks.expect(program.stderr().strip() == "", "nothing on standard error")


def fail_without_display(checks, build, workdir):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    result = subprocess.run([os.path.join(build, "quorvane")], cwd=workdir, env=env,
                            capture_output=True, text=True, timeout=60)
    lines = result.stderr.strip().splitlines()
    checks.expect(result.returncode == 1, f"no display: exit code 1 (got {result.returncode})")
    checks.expect(len(lines) == 1 and "display" in lines[0].lower(),
                  f"no display: one line naming the display ({lines})")


def fail_without_core_context(checks, x, build, workdir):
    # Mesa then offers nothing above 3.0, as an old driver would.
    x.env["MESA_GL_VERSION_OVERRIDE"] = "3.0"
    try:
        program = x.start([os.path.join(build, "quorvane")], cwd=workdir, name="old-gl")
        x.key(x.wait_window(DIALOG, timeout=60), "Return")
        code = program.wait(60)
    finally:
        del x.env["MESA_GL_VERSION_OVERRIDE"]
    lines = program.stderr().strip().splitlines()
    checks.expect(code == 1, f"no 3.3 core context: exit code 1 (got {code})")
    checks.expect(len(lines) == 1 and "OpenGL 3.3 core" in lines[0],
                  f"no 3.3 core context: one line naming it ({lines})")


def main():
    build = os.path.abspath(sys.argv[1])
    checks = Checks()
    with tempfile.TemporaryDirectory() as workdir:
        try:
            fail_without_display(checks, build, workdir)
            with XSession() as x:
                play_short_track(checks, x, build, workdir)
                fail_without_core_context(checks, x, build, workdir)
        except Failure as failure:
            print(f"stopped: {failure}")
            checks.failed += 1
    return checks.exit_code()


if __name__ == "__main__":
    sys.exit(main())
