"""quorvane.exe under Wine as a person uses it on Windows: the launch dialog cancelled and refused,
the demo in a typed size with and without its track, and the same picture as the Linux build.

Run: python3 test_windows_demo.py WINDOWS_BUILD_DIR LINUX_BUILD_DIR   (0 = pass, 77 = no .exe)
"""

import os
import re
import subprocess
import sys
import tempfile
import time

from wine_session import WineSession
from xsession import Checks, Failure, _read_ppm, wait_until

DIALOG = "^Drannig & Velkorrin$"
DEMO = "^Quorvane"
TRACK_SECONDS = 5
GL_STRINGS = re.compile(r"^Vendor         : .+\nRenderer       : .+\nOpenGL version : .+\n"
                        r"GLSL version   : .+$", re.M)
BLOCK = re.compile(r"^frametime: \d+\.\d\dms\ngl error: 0x([0-9A-F]+)\ntime: (\d+\.\d{6})$", re.M)


def blocks(program):
    return [(error, float(t)) for error, t in BLOCK.findall(program.stdout())]


def own_stderr(program):
    """Standard error less the lines Wine's ALSA driver prints about devices it lacks."""
    return [line for line in program.stderr().splitlines() if not line.startswith("ALSA lib")]


def open_dialog(w, exe, workdir, name):
    program = w.start_exe(exe, workdir, name)
    dialog = w.wait_window(DIALOG, timeout=120)
    geometry = w.geometry(dialog)
    # Clicking the caption gives the dialog the keyboard, as a person's first click would.
    w.click_screen(geometry[0] + geometry[2] // 3, geometry[1] + 8)
    return program, dialog, geometry


def at(geometry, fx, fy):
    """The screen point at fractions of the dialog's outer frame."""
    left, top, width, height = geometry
    return left + int(fx * width), top + int(fy * height)


def type_resolution(w, geometry, text):
    w.click_screen(*at(geometry, 0.45, 0.27))
    w.press("End", *["BackSpace"] * 12)
    w.write(text)


def expect_cancelled(checks, w, program, how):
    deadline, demo_seen = time.monotonic() + 60, False
    while program.running() and time.monotonic() < deadline:
        demo_seen = demo_seen or bool(w.windows(DEMO))
        time.sleep(0.1)
    code = program.wait(1)
    checks.expect(code == 0, f"{how}: exit code 0 (got {code})")
    checks.expect(not demo_seen, f"{how}: no Quorvane window ever appeared")
    checks.expect(not GL_STRINGS.search(program.stdout()), f"{how}: no GL strings printed")


def cancel(checks, w, exe, workdir):
    program, _, _ = open_dialog(w, exe, workdir, "escape")
    w.press("Escape")
    expect_cancelled(checks, w, program, "Escape")
    program, _, geometry = open_dialog(w, exe, workdir, "lame")
    w.click_screen(*at(geometry, 0.25, 0.78))
    expect_cancelled(checks, w, program, "LAME clicked")


def dark_pixels(image, geometry, top, bottom):
    left, upper, width, height = geometry
    y0, y1 = upper + int(top * height), upper + int(bottom * height)
    return sum(1 for r, g, b in image.region(left, y0, width, y1 - y0) if r + g + b < 300)


def refuse_zero(checks, w, exe, workdir):
    program, dialog, geometry = open_dialog(w, exe, workdir, "zero")
    before = dark_pixels(w.screenshot(), geometry, 0.50, 0.64)
    type_resolution(w, geometry, "0x0")
    w.press("Return")
    time.sleep(2)
    checks.expect(program.running(), "0x0: the program is still running")
    checks.expect(w.windows(DIALOG) == [dialog], "0x0: the dialog stays open")
    after = dark_pixels(w.screenshot(os.path.join(workdir, "refused.png")), geometry, 0.50, 0.64)
    checks.expect(after > before + 50, f"0x0: a message appears ({before} -> {after} dark px)")
    checks.expect(not w.windows(DEMO), "0x0: no Quorvane window")
    w.press("Escape")
    expect_cancelled(checks, w, program, "0x0 then Escape")


def start_demo(w, exe, workdir, name, size, fullscreen=False):
    program, _, geometry = open_dialog(w, exe, workdir, name)
    type_resolution(w, geometry, size)
    if fullscreen:
        w.click_screen(*at(geometry, 0.31, 0.48))
    w.press("Return")
    window = w.wait_window(DEMO, timeout=120)
    return program, window


def client_area(w, window):
    """(x, y, width, height) on screen of the child X window Wine renders the GL context into."""
    _, tree = w._run(["xwininfo", "-children", "-id", window])
    child = re.search(r"^\s+(0x[0-9a-f]+) .*\s(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)$",
                      tree, re.M)
    if not child:
        raise Failure("no GL client window inside the demo's window")
    width, height, x, y = (int(v) for v in child.group(2, 3, 4, 5))
    return x, y, width, height


def quit_with_escape(checks, w, program, window, how):
    x, y, width, height = client_area(w, window)
    w.click_screen(x + width // 2, y + height // 2)
    w.press("Escape")
    code = program.wait(60)
    checks.expect(code == 0, f"{how}: Escape ends the demo with code 0 (got {code})")
    checks.expect(own_stderr(program) == [], f"{how}: nothing on standard error "
                  f"({own_stderr(program)[:3]})")


def missing_track(checks, w, exe, workdir):
    program, window = start_demo(w, exe, workdir, "no-track", "640x360")
    x, y, width, height = client_area(w, window)
    checks.expect((width, height) == (640, 360), f"a 640x360 client area (got {width}x{height})")
    screen_width, screen_height = (int(v) for v in w.screen.split("x")[:2])
    _, _, outer_width, outer_height = w.geometry(window)
    checks.expect(w.geometry(window)[:2] == ((screen_width - outer_width) // 2,
                                             (screen_height - outer_height) // 2),
                  "the window is centred on the screen")
    checks.require(wait_until(lambda: len(blocks(program)) >= 2, 120), "two diagnostic blocks")
    out = program.stdout()
    checks.expect(GL_STRINGS.search(out) is not None, "the four GL implementation strings")
    checks.expect("mp3 rendering failed :(\n" in out, "the failed-music line")
    times = [t for _, t in blocks(program)]
    checks.expect(times[-1] > times[0] + 0.5, f"the silent clock runs ({times[0]} -> {times[-1]})")
    title_shows_rate = lambda: re.fullmatch(r"Quorvane - \d+", w.title(window) or "")
    checks.expect(wait_until(title_shows_rate, 10) is not None,
                  f"the title shows the frame rate (got {w.title(window)!r})")
    quit_with_escape(checks, w, program, window, "no track")


def read_png(path):
    return _read_ppm(subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True,
                                    capture_output=True, timeout=60).stdout)


def same_picture(checks, w, exe, linux_build, workdir):
    subprocess.run([os.path.join(linux_build, "quorvane-soundtrack"),
                    os.path.join(workdir, "track.mp3"), "--seconds", str(TRACK_SECONDS)],
                   check=True, capture_output=True, timeout=120)
    program, window = start_demo(w, exe, workdir, "picture", "320x180", fullscreen=True)
    checks.require(wait_until(lambda: len(blocks(program)) >= 2 and
                              blocks(program)[-1][1] >= TRACK_SECONDS - 0.2, 120),
                   "the music time reaches the end of the track")
    # The clock stops at the end: two blocks with one time mean the picture holds still.
    checks.require(wait_until(lambda: blocks(program)[-1][1] == blocks(program)[-2][1], 60),
                   "the music time stops at the end of the track")
    out = program.stdout()
    checks.expect("Song succesfully rendered!\n" in out, "the music result line")
    # The virtual desktop has no 320x180 mode: the demo says so and runs in a window that size.
    checks.expect("Fullscreen: the display has no 320x180 mode, running in a window of that "
                  "size\n" in out, "fullscreen without such a mode is reported")
    checks.expect(all(error == "0" for error, _ in blocks(program)),
                  "every block says gl error: 0x0")
    moment = blocks(program)[-1][1]
    x, y, width, height = client_area(w, window)
    shot = w.screenshot(os.path.join(workdir, "windows.png"))
    reference = os.path.join(workdir, "linux.png")
    subprocess.run([os.path.join(linux_build, "quorvane-capture"), "--size", "320x180", "--time",
                    f"{moment:.6f}", "--out", reference], check=True, capture_output=True,
                   timeout=300)
    linux = read_png(reference)
    differences = [abs(a - b) for j in range(height) for i in range(width)
                   for a, b in zip(shot.pixel(x + i, y + j), linux.pixel(i, j))]
    mean = sum(differences) / len(differences)
    large = sum(1 for d in differences if d > 8) / len(differences)
    lit = sum(sum(linux.pixel(i, j)) for j in range(height) for i in range(width))
    print(f"picture at t={moment}: mean difference {mean:.3f}, {100 * large:.2f} % of samples "
          f"off by more than 8, brightness sum {lit}")
    checks.expect(lit > width * height, "the reference frame is not black")
    checks.expect(mean < 1.0 and large < 0.01,
                  f"the Windows frame matches the Linux capture at t={moment}")
    quit_with_escape(checks, w, program, window, "picture")


def main():
    exe = os.path.join(os.path.abspath(sys.argv[1]), "quorvane.exe")
    linux_build = os.path.abspath(sys.argv[2])
    if not os.path.exists(exe):
        print(f"skipped: no {exe} (scripts/build-windows makes it)")
        return 77
    checks = Checks()
    with tempfile.TemporaryDirectory(prefix="quorvane-wine-") as workdir:
        try:
            with WineSession() as w:
                for scenario in (cancel, refuse_zero, missing_track):
                    scenario(checks, w, exe, workdir)
                same_picture(checks, w, exe, linux_build, workdir)
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
