"""The Linux demo as a person uses it.  Run: python3 test_demo.py BUILD_DIR    (0 = pass)"""

import os
import sys
import tempfile

import demo_checks
from demo_checks import (DEMO, DIALOG, FULLSCREEN_FALLBACK, GL_STRINGS, TITLE, TRACK_SECONDS,
                         blocks, make_track)
from xsession import XSession, run_checks, wait_until


def open_dialog(x, build, workdir, name):
    program = x.start([os.path.join(build, "quorvane")], workdir, name)
    dialog = x.wait_window(DIALOG)
    return program, dialog, x.geometry(dialog)


def type_size(x, dialog, size):
    x.key(dialog, "ctrl+a")
    x.key(dialog, size, command="type")


def start_demo(x, build, workdir, name, size=None, check_box=False):
    program, dialog, _ = open_dialog(x, build, workdir, name)
    if size:
        type_size(x, dialog, size)
    if check_box:
        x.click(dialog, 99, 86)  # the fullscreen box, at 58, 48 dialog units
    x.key(dialog, "Return")
    return program, x.wait_window(DEMO, timeout=120)


def cancel_and_refuse(checks, x, build, workdir):
    # LAME is the left of the bottom row; a refusal shows between the check box and the buttons.
    lame = lambda dialog, geometry: x.click(dialog, geometry[2] // 4, geometry[3] * 4 // 5)
    demo_checks.cancel_and_refuse(
        checks, x, lambda name: open_dialog(x, build, workdir, name),
        [("LAME clicked", lame), ("dialog closed", lambda dialog, _: x.close(dialog))],
        lambda dialog, _, size: type_size(x, dialog, size), (0.48, 0.59))


def play_short_track(checks, x, build, workdir):
    make_track(build, workdir, TRACK_SECONDS)
    program, window = start_demo(x, build, workdir, "demo")
    checks.expect(not x.windows(DIALOG), "the dialog is gone when the demo shows")
    checks.expect(x.geometry(window)[2:] == (1280, 720), "Enter untouched: a 1280x720 client area")
    checks.expect(wait_until(lambda: TITLE.fullmatch(x.title(window)), 30) is not None,
                  f"the title shows the frame rate (got {x.title(window)!r})")
    # Two blocks after one at the track's end: the clock has stopped while frames go on.
    times = lambda: [t for _, t in blocks(program)]
    checks.require(wait_until(lambda: len(times()) >= 3 and times()[-3] >= TRACK_SECONDS - 0.2,
                              120), "diagnostic blocks every 60th frame past the track's end")
    out, seen = program.stdout(), times()
    strings = GL_STRINGS.search(out)
    checks.expect(strings and out.find("Song succesfully rendered!\n") > strings.end(),
                  "the four GL implementation strings, then the music result line")
    # The encoder pads the track by up to a tenth of a second; the clock holds one step past it.
    checks.expect(seen == sorted(seen) and seen[-1] == seen[-2] and
                  TRACK_SECONDS - 0.1 <= seen[-1] <= TRACK_SECONDS + 0.1 + 1 / 60,
                  f"the music time never goes back and stops at the track's end ({seen})")
    # Frame 0 prints its block: its time is the first frame's length, not sixty frames'.
    checks.expect(seen[0] < 3.0, f"the first block comes right after the start ({seen[0]})")
    x.key(window, "Escape")
    checks.expect(program.wait(30) == 0, "Escape ends the demo with code 0")
    checks.expect(program.stderr().strip() == "", "nothing on standard error")


def typed_larger_than_the_screen(checks, x, build, workdir):
    # On a 1024x768 screen, windowed and as the fallback of fullscreen: Xvfb offers no display
    # mode of that size, so the demo says so and keeps the size.
    for name, check_box in (("larger", False), ("larger-fullscreen", True)):
        program, window = start_demo(x, build, workdir, name, "1100x800", check_box)
        checks.expect(x.geometry(window)[2:] == (1100, 800),
                      f"{name}: the typed 1100x800 client area on a smaller screen")
        x.key(window, "Escape")
        code, out = program.wait(30), program.stdout()
        checks.expect(code == 0 and "Window:" not in out and
                      (FULLSCREEN_FALLBACK.format("1100x800") in out) == check_box,
                      f"{name}: only a fullscreen line, none about another client size, Escape "
                      "ends it with code 0")


def failures(checks, x, build, workdir):
    # What a person can meet, each one line naming it; Mesa overridden to 3.0 offers nothing above.
    for how, env, words in (("no display", ["-u", "DISPLAY"], "display"),
                            ("no 3.3 core context", ["MESA_GL_VERSION_OVERRIDE=3.0"],
                             "OpenGL 3.3 core")):
        program = x.start(["env", *env, os.path.join(build, "quorvane")], workdir, how.split()[-1])
        dialog = wait_until(lambda: program.wait(0) is not None or x.windows(DIALOG), 60)
        if program.wait(0) is None:
            x.key(dialog[0], "Return")
        code, lines = program.wait(60), program.stderr().strip().splitlines()
        checks.expect(code == 1 and len(lines) == 1 and words in lines[0],
                      f"{how}: one line naming it, code 1 ({code}, {lines})")


def main(checks):
    build = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory(prefix="quorvane-demo-") as workdir:
        with XSession(sound=True) as x:
            for scenario in (failures, cancel_and_refuse, play_short_track):
                scenario(checks, x, build, workdir)
        with XSession(screen=(1024, 768)) as x:
            typed_larger_than_the_screen(checks, x, build, workdir)


if __name__ == "__main__":
    sys.exit(run_checks(main))
