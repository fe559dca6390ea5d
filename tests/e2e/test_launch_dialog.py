"""The launch dialog as a person uses it: cancel it three ways, confirm the default and a typed
resolution, and have a resolution that cannot be rendered refused while the dialog stays open.

Run: python3 test_launch_dialog.py BUILD_DIR    (exit code 0 = pass)
"""

import os
import subprocess
import sys
import tempfile
import time

from xsession import Checks, Failure, XSession, wait_until

DIALOG = "^Drannig & Velkorrin$"
DEMO = "^Quorvane"
GL_STRINGS = "Vendor         :"


def open_dialog(x, binary, workdir, name):
    program = x.start([binary], cwd=workdir, name=name)
    return program, x.wait_window(DIALOG, timeout=60)


def exit_watching_for_demo(x, program, timeout=30):
    """Waits for the exit; returns the code and whether a demo window showed meanwhile."""
    deadline = time.monotonic() + timeout
    demo_seen = False
    while program.running() and time.monotonic() < deadline:
        demo_seen = demo_seen or bool(x.windows(DEMO))
        time.sleep(0.05)
    return program.wait(1), demo_seen


def dark_pixels(image, geometry, top, bottom):
    """How many dark pixels lie in the client rows from top to bottom (fractions of the height)."""
    left, upper, width, height = geometry
    y0, y1 = upper + int(top * height), upper + int(bottom * height)
    return sum(1 for r, g, b in image.region(left, y0, width, y1 - y0) if r + g + b < 300)


def expect_cancelled(checks, x, program, how):
    code, demo_seen = exit_watching_for_demo(x, program)
    checks.expect(code == 0, f"{how}: exit code 0 (got {code})")
    checks.expect(not demo_seen, f"{how}: no Quorvane window ever appeared")
    checks.expect(GL_STRINGS not in program.stdout(), f"{how}: no GL strings printed")


def cancel_with_escape(checks, x, binary, workdir):
    program, dialog = open_dialog(x, binary, workdir, "escape")
    checks.expect(x.title(dialog) == "Drannig & Velkorrin", "the dialog's title")
    _, _, width, height = x.geometry(dialog)
    checks.expect(250 <= width <= 400 and 160 <= height <= 260,
                  f"the dialog is about 300x200 px (got {width}x{height})")
    x.key(dialog, "Escape")
    expect_cancelled(checks, x, program, "Escape")


def cancel_with_lame(checks, x, binary, workdir):
    program, dialog = open_dialog(x, binary, workdir, "lame")
    _, _, width, height = x.geometry(dialog)
    # LAME fills the left part of the bottom row of buttons.
    x.click(dialog, width // 4, height * 4 // 5)
    expect_cancelled(checks, x, program, "LAME clicked")


def cancel_with_close_box(checks, x, binary, workdir):
    program, dialog = open_dialog(x, binary, workdir, "close")
    x.close(dialog)
    expect_cancelled(checks, x, program, "dialog closed")


def confirm(checks, x, binary, workdir, typed, width, height, fullscreen=False):
    how = f"typed {typed}" if typed else "Enter untouched"
    program, dialog = open_dialog(x, binary, workdir, typed or "default")
    if typed:
        x.key(dialog, "ctrl+a")
        x.type(dialog, typed)
    if fullscreen:
        # The check box sits right of its label, at 58, 48 dialog units.
        x.click(dialog, 99, 86)
        how += ", fullscreen"
    x.key(dialog, "Return")
    demo = x.wait_window(DEMO, timeout=60)
    checks.expect(not x.windows(DIALOG), f"{how}: the dialog is gone when the demo shows")
    geometry = x.geometry(demo)
    checks.expect(geometry and geometry[2:] == (width, height),
                  f"{how}: client area {width}x{height} (got {geometry and geometry[2:]})")
    printed = wait_until(lambda: GL_STRINGS in program.stdout(), 30)
    checks.expect(printed, f"{how}: GL strings printed")
    if fullscreen:
        # Xvfb offers no display mode of that size: the demo says so and keeps the size.
        line = f"Fullscreen: the display has no {typed} mode, running in a window of that size\n"
        checks.expect(line in program.stdout(), f"{how}: the missing mode is reported")
    x.key(demo, "Escape")
    code = program.wait(60)
    checks.expect(code == 0, f"{how}: Escape on the demo ends it with code 0 (got {code})")


def refuse_zero(checks, x, binary, workdir):
    program, dialog = open_dialog(x, binary, workdir, "zero")
    geometry = x.geometry(dialog)
    # The message shows between the check box row and the buttons.
    before = dark_pixels(x.screenshot(), geometry, 0.48, 0.59)
    x.key(dialog, "ctrl+a")
    x.type(dialog, "0x0")
    x.key(dialog, "Return")
    time.sleep(1.5)
    checks.expect(program.running(), "0x0: the program is still running")
    checks.expect(x.windows(DIALOG) == [dialog], "0x0: the dialog stays open")
    after = dark_pixels(x.screenshot(os.path.join(workdir, "refused.png")), geometry, 0.48, 0.59)
    checks.expect(after > before + 50, f"0x0: a message appears ({before} -> {after} dark px)")
    checks.expect(not x.windows(DEMO), "0x0: no Quorvane window")
    x.key(dialog, "Escape")
    expect_cancelled(checks, x, program, "0x0 then Escape")


def no_display(checks, binary, workdir):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    result = subprocess.run([binary], cwd=workdir, env=env, capture_output=True, text=True,
                            timeout=60)
    checks.expect(result.returncode == 1, f"no display: exit code 1 (got {result.returncode})")
    lines = result.stderr.splitlines()
    checks.expect(len(lines) == 1 and "display" in lines[0].lower(),
                  f"no display: one line on stderr naming it (got {lines})")
    checks.expect(GL_STRINGS not in result.stdout, "no display: no GL strings printed")


def main():
    if len(sys.argv) != 2:
        print("usage: test_launch_dialog.py BUILD_DIR")
        return 2
    binary = os.path.abspath(os.path.join(sys.argv[1], "quorvane"))
    checks = Checks()
    scenarios = [
        cancel_with_escape, cancel_with_lame, cancel_with_close_box, refuse_zero,
        lambda *a: confirm(*a, None, 1280, 720),
        lambda *a: confirm(*a, "640x360", 640, 360),
        lambda *a: confirm(*a, "320x180", 320, 180, fullscreen=True),
    ]
    # No track.mp3 in the working folder: the demo reports it and plays on regardless.
    with tempfile.TemporaryDirectory(prefix="quorvane-dialog-") as workdir:
        no_display(checks, binary, workdir)
        for scenario in scenarios:
            with XSession() as x:
                try:
                    scenario(checks, x, binary, workdir)
                except Failure as failure:
                    checks.expect(False, str(failure))
        if checks.failed:
            for name in sorted(os.listdir(workdir)):
                if name.endswith((".stdout", ".stderr")):
                    with open(os.path.join(workdir, name), errors="replace") as f:
                        print(f"--- {name}\n{f.read()[-2000:]}")
    return checks.exit_code()


if __name__ == "__main__":
    sys.exit(main())
