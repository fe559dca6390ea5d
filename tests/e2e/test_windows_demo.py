"""quorvane.exe under Wine.  Run: test_windows_demo.py WINDOWS_BUILD LINUX_BUILD  (77 = no .exe)"""

import os
import re
import subprocess
import sys
import tempfile

import demo_checks
from demo_checks import (DEMO, DIALOG, FULLSCREEN_FALLBACK, GL_STRINGS, TITLE, TRACK_SECONDS,
                         blocks, make_track)
from wine_session import WineSession
from xsession import Failure, read_image, run_checks, wait_until


def own_stderr(program):  # less Wine's ALSA lines about devices it lacks
    return [line for line in program.stderr().splitlines() if not line.startswith("ALSA lib")]


def at(geometry, fx, fy):  # the screen point at fractions of the dialog's outer frame
    left, top, width, height = geometry
    return left + int(fx * width), top + int(fy * height)


def open_dialog(w, exe, workdir, name):
    program = w.start(["wine", exe], workdir, name)
    dialog = w.wait_window(DIALOG, timeout=120)
    geometry = w.geometry(dialog)
    w.click_screen(*at(geometry, 0.33, 0.03))  # the caption: the dialog takes the keyboard
    return program, dialog, geometry


def type_resolution(w, geometry, text):
    w.click_screen(*at(geometry, 0.45, 0.27))
    w.key(None, "End", *["BackSpace"] * 12)
    w.key(None, text, command="type")


def cancel_and_refuse(checks, w, exe, workdir):
    # A refusal shows on the line under the check box.
    demo_checks.cancel_and_refuse(
        checks, w, lambda name: open_dialog(w, exe, workdir, name),
        [("LAME clicked", lambda _, geometry: w.click_screen(*at(geometry, 0.25, 0.78)))],
        lambda _, geometry, size: type_resolution(w, geometry, size), (0.50, 0.64))


def start_demo(w, exe, workdir, name, size, fullscreen=False):
    program, _, geometry = open_dialog(w, exe, workdir, name)
    type_resolution(w, geometry, size)
    if fullscreen:
        w.click_screen(*at(geometry, 0.31, 0.48))
    w.key(None, "Return")
    return program, w.wait_window(DEMO, timeout=120)


def client_area(w, window):
    """(x, y, width, height) on screen of the child X window Wine renders the GL context into."""
    child = re.search(r"^\s+0x[0-9a-f]+ .*\s(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)$",
                      w._run(["xwininfo", "-children", "-id", window])[1], re.M)
    if not child:
        raise Failure("no GL client window inside the demo's window")
    width, height, x, y = map(int, child.groups())
    return x, y, width, height


def quit_with_escape(checks, w, program, window, how):
    x, y, width, height = client_area(w, window)
    w.click_screen(x + width // 2, y + height // 2)
    w.key(None, "Escape")
    checks.expect(program.wait(60) == 0, f"{how}: Escape ends the demo with code 0")
    checks.expect(own_stderr(program) == [], f"{how}: nothing on stderr {own_stderr(program)[:3]}")


def same_picture(checks, w, exe, linux_build, workdir):
    make_track(linux_build, workdir, TRACK_SECONDS)
    program, window = start_demo(w, exe, workdir, "picture", "320x180", fullscreen=True)
    # Two blocks with one time: the clock has stopped at the end and the picture holds still.
    checks.require(wait_until(lambda: len(b := blocks(program)) >= 2 and b[-1] == b[-2] and
                              abs(b[-1][1] - TRACK_SECONDS) <= 0.2, 180),
                   "the music time stops at the end of the track")
    # The virtual desktop has no 320x180 mode: the demo says so and runs in a window that size,
    # centred on the screen.
    out = program.stdout()
    checks.expect(FULLSCREEN_FALLBACK.format("320x180") in out, "fullscreen without such a mode")
    checks.expect(GL_STRINGS.search(out) is not None, "the four GL implementation strings")
    x, y, width, height = client_area(w, window)
    left, top, outer_width, outer_height = w.geometry(window)
    centred = (left, top) == ((w.screen[0] - outer_width) // 2, (w.screen[1] - outer_height) // 2)
    checks.expect((width, height) == (320, 180) and centred,
                  "a 320x180 client area in a window centred on the screen")
    checks.expect(TITLE.fullmatch(w.title(window)) is not None,
                  f"the title shows the frame rate (got {w.title(window)!r})")
    moment = blocks(program)[-1][1]
    ours, reference = w.screenshot().region(x, y, width, height), f"{workdir}/linux.png"
    subprocess.run([os.path.join(linux_build, "quorvane-capture"), "--size", "320x180", "--time",
                    f"{moment:.6f}", "--out", reference], check=True, capture_output=True,
                   timeout=300)
    theirs = read_image(reference).region(0, 0, width, height)
    differences = [abs(a - b) for p, q in zip(ours, theirs) for a, b in zip(p, q)]
    mean = sum(differences) / len(differences)
    large = sum(1 for d in differences if d > 8) / len(differences)
    lit = sum(map(sum, theirs))
    checks.expect(lit > width * height and mean < 1.0 and large < 0.01,
                  f"the Windows frame matches the Linux capture at t={moment} (mean difference "
                  f"{mean:.3f}, {100 * large:.2f} % off by more than 8, brightness {lit})")
    quit_with_escape(checks, w, program, window, "picture")


def section_bytes(dump):
    """The bytes of an objdump -s dump: each line's address, then up to 16 bytes in 35 columns."""
    rows = re.findall(r"^ [0-9a-f]+ (.{35})", dump, re.M)
    return bytes.fromhex("".join(row.replace(" ", "") for row in rows))


def declarations(checks, exe):
    """What the .exe tells the GPU drivers and Windows, read from the file."""
    objdump = lambda *args: subprocess.run(["x86_64-w64-mingw32-objdump", *args, exe],
                                           capture_output=True, text=True, check=True,
                                           timeout=60).stdout
    headers = objdump("-p")
    base = int(re.search(r"^ImageBase\s+([0-9a-f]+)$", headers, re.M)[1], 16)
    addresses = [int(a, 16) for a in re.findall(r"\+base\[\s*\d+\] ([0-9a-f]+) Export RVA",
                                                headers)]
    names = headers.partition("[Ordinal/Name Pointer] Table")[2]
    for name in ("NvOptimusEnablement", "AmdPowerXpressRequestHighPerformance"):
        entry, value = re.search(r"\[\s*(\d+)\] " + name + "$", names, re.M), None
        if entry:
            at = base + addresses[int(entry[1])]
            value = int.from_bytes(section_bytes(objdump(
                "-s", f"--start-address={at:#x}", f"--stop-address={at + 4:#x}")), "little")
        checks.expect(value == 1, f"quorvane.exe exports {name} as 1 (got {value})")
    manifest = section_bytes(objdump("-s", "-j", ".rsrc")).decode("latin-1")
    forms = re.search(r"<dpiAwareness [^>]*>([^<]*)</dpiAwareness>", manifest)
    older = re.search(r"<dpiAware [^>]*>([^<]*)</dpiAware>", manifest)
    forms = [form.strip() for form in forms[1].split(",")] if forms else []
    checks.expect(forms[:1] == ["PerMonitorV2"] and older and older[1] == "true/pm",
                  f"its manifest asks for PerMonitorV2 first ({forms}), then dpiAware true/pm")


def dialog_size(w, exe, workdir):
    program, dialog, geometry = open_dialog(w, exe, workdir, "size")
    w.key(dialog, "Escape")
    program.wait(60)
    return geometry[2:]


def larger_than_the_desktop(checks, w, exe, workdir, dialog_at_96_dpi):
    # Wine scales no window by the dpi; the dialog's font, and so the dialog, grows with it.
    size = dialog_size(w, exe, workdir)
    checks.expect(size[0] >= 1.3 * dialog_at_96_dpi[0],
                  f"at 144 dpi the dialog is larger ({dialog_at_96_dpi} at 96 dpi, {size})")
    for name, fullscreen in (("larger", False), ("larger-fullscreen", True)):
        program, window = start_demo(w, exe, workdir, name, "1280x720", fullscreen)
        checks.expect(client_area(w, window)[2:] == (1280, 720),
                      f"{name}: a 1280x720 client area on a 1024x768 desktop at 144 dpi")
        quit_with_escape(checks, w, program, window, name)
        checks.expect("Window:" not in program.stdout(), f"{name}: no line about the client size")


def main(checks, exe):
    declarations(checks, exe)
    with tempfile.TemporaryDirectory(prefix="quorvane-wine-") as workdir:
        with WineSession() as w:
            cancel_and_refuse(checks, w, exe, workdir)
            same_picture(checks, w, exe, os.path.abspath(sys.argv[2]), workdir)
            dialog_at_96_dpi = dialog_size(w, exe, workdir)
        with WineSession(screen=(1024, 768), dpi=144) as w:
            larger_than_the_desktop(checks, w, exe, workdir, dialog_at_96_dpi)


def windows_exe(build):
    exe = os.path.join(os.path.abspath(build), "quorvane.exe")
    if os.path.exists(exe):
        return exe
    print(f"skipped: no {exe} (scripts/build-windows makes it)")


if __name__ == "__main__":
    exe = windows_exe(sys.argv[1])
    sys.exit(run_checks(lambda checks: main(checks, exe)) if exe else 77)
