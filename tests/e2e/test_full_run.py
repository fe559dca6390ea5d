"""The whole demo, no key pressed.  Run: test_full_run.py BUILD [WINDOWS_BUILD]  (77 = no .exe)"""

import os
import sys
import tempfile
import time

import test_demo as linux
import test_windows_demo as windows
from demo_checks import blocks, make_track
from wine_session import WineSession
from xsession import XSession, run_checks

SIZE = "192x108"


def play(checks, program, size):
    shown = time.monotonic()
    checks.expect("%dx%d" % size == SIZE, f"a {SIZE} window (got {size})")
    code = program.wait(400)
    played = time.monotonic() - shown
    checks.expect(code == 0 and played >= 199.0,
                  f"it ends by itself with code 0 after the whole track ({code}, {played:.1f} s)")
    seen = blocks(program)
    times = [t for _, t in seen]
    # A few blocks at least: on a busy software renderer 60 frames can take half a minute.
    checks.expect(len(times) >= 4 and times == sorted(times) and times[-1] >= 150.0,
                  f"blocks all the way to the closing scene, the time never going back ({times})")
    checks.expect(all(error == "0" for error, _ in seen), "gl error: 0x0 on every diagnostic block")
    lines = windows.own_stderr(program)
    checks.expect(lines == [], f"nothing on stderr ({lines[:3]})")


def main(checks, build, exe):
    with tempfile.TemporaryDirectory() as workdir:
        make_track(build, workdir)
        if exe:
            with WineSession() as w:
                program, window = windows.start_demo(w, exe, workdir, "demo", SIZE)
                play(checks, program, windows.client_area(w, window)[2:])
        else:
            with XSession(sound=True) as x:
                program, window = linux.start_demo(x, build, workdir, "demo", SIZE)
                play(checks, program, x.geometry(window)[2:])


if __name__ == "__main__":
    exe = windows.windows_exe(sys.argv[2]) if len(sys.argv) > 2 else None
    sys.exit(77 if len(sys.argv) > 2 and not exe else
             run_checks(lambda checks: main(checks, os.path.abspath(sys.argv[1]), exe)))
