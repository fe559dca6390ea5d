"""The whole demo as a viewer sees it: a small window, the full 200 s stand-in track, no key
pressed. It must play every scene to the end by itself and exit cleanly with no GL error.

Run: python3 test_full_run.py BUILD_DIR                      (the Linux build; 0 = pass)
     python3 test_full_run.py BUILD_DIR WINDOWS_BUILD_DIR    (quorvane.exe under Wine; 77 = none)
"""

import os
import subprocess
import sys
import tempfile
import time

import test_windows_demo as windows
from demo_checks import DEMO, DIALOG, blocks
from wine_session import WineSession
from xsession import Checks, Failure, XSession, wait_until

SIZE = (192, 108)
# Moments to look at on the way: each scene's window, and the dark end.
SNAPSHOTS = (20.0, 70.0, 95.0, 150.0)


def start_linux(x, build, workdir):
    program = x.start([os.path.join(build, "quorvane")], cwd=workdir, name="demo")
    dialog = x.wait_window(DIALOG, timeout=60)
    x.key(dialog, "ctrl+a")
    x.type(dialog, "%dx%d" % SIZE)
    x.key(dialog, "Return")
    window = x.wait_window(DEMO, timeout=120)
    return program, window, x.geometry(window)[2:]


def start_windows(w, exe, workdir):
    program, window = windows.start_demo(w, exe, workdir, "demo", "%dx%d" % SIZE)
    return program, window, windows.client_area(w, window)[2:]


def play(checks, session, start, stderr_lines, shots):
    program, window, size = start()
    shown = time.monotonic()
    checks.expect(size == SIZE, f"a {SIZE[0]}x{SIZE[1]} window (got {size})")

    for moment in SNAPSHOTS:
        if wait_until(lambda: blocks(program) and blocks(program)[-1][1] >= moment, 260):
            session.screenshot(os.path.join(shots, f"full_run_{int(moment)}.png"))
    code = program.wait(300)
    played = time.monotonic() - shown
    checks.expect(code == 0, f"the demo ends by itself with code 0 (got {code})")
    seen = blocks(program)
    times = [t for _, t in seen]
    # A few blocks at least: on a busy software renderer 60 frames can take half a minute.
    checks.expect(len(seen) >= 4, f"diagnostic blocks all the way ({len(seen)})")
    checks.expect(all(error == "0" for error, _ in seen), "gl error: 0x0 on every diagnostic block")
    # Blocks come every 60th frame, many seconds apart on a software renderer; the demo's own end
    # at t = 200 shows as the whole track having played.
    checks.expect(played >= 199.0, f"it ended after the whole track ({played:.1f} s)")
    checks.expect(bool(times) and times[-1] >= 150.0,
                  f"the closing scene was reached ({times[-1] if times else None})")
    checks.expect(all(a <= b for a, b in zip(times, times[1:])), "the music time never went back")
    checks.expect(stderr_lines(program) == [],
                  f"nothing on standard error ({stderr_lines(program)[:3]})")


def main():
    build = os.path.abspath(sys.argv[1])
    exe = os.path.join(os.path.abspath(sys.argv[2]), "quorvane.exe") if len(sys.argv) > 2 else None
    if exe and not os.path.exists(exe):
        print(f"skipped: no {exe} (scripts/build-windows makes it)")
        return 77
    checks = Checks()
    with tempfile.TemporaryDirectory() as workdir:
        shots = os.environ.get("QUORVANE_SHOTS", workdir)
        try:
            subprocess.run([os.path.join(build, "quorvane-soundtrack"),
                            os.path.join(workdir, "track.mp3")], check=True, timeout=300,
                           capture_output=True)
            if exe:
                with WineSession() as w:
                    play(checks, w, lambda: start_windows(w, exe, workdir), windows.own_stderr,
                         shots)
            else:
                with XSession() as x:
                    play(checks, x, lambda: start_linux(x, build, workdir),
                         lambda program: program.stderr().strip().splitlines(), shots)
        except Failure as failure:
            print(f"stopped: {failure}")
            checks.failed += 1
    return checks.exit_code()


if __name__ == "__main__":
    sys.exit(main())
