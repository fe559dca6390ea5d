"""The whole demo as a viewer sees it: a small window, the full 200 s stand-in track, no key
pressed. It must play every scene to the end by itself and exit cleanly with no GL error.

Run: python3 test_full_run.py BUILD_DIR    (exit code 0 = pass)
"""

import os
import re
import subprocess
import sys
import tempfile
import time

from xsession import Checks, Failure, XSession, wait_until

DIALOG = "^Drannig & Velkorrin$"
BLOCK = re.compile(r"^frametime: \d+\.\d\dms\ngl error: 0x([0-9A-F]+)\ntime: (\d+\.\d{6})$", re.M)
# Moments to look at on the way: each scene's window, and the dark end.
SNAPSHOTS = (20.0, 70.0, 95.0, 150.0)


def main():
    build = os.path.abspath(sys.argv[1])
    checks = Checks()
    with tempfile.TemporaryDirectory() as workdir, XSession() as x:
        try:
            subprocess.run([os.path.join(build, "quorvane-soundtrack"),
                            os.path.join(workdir, "track.mp3")], check=True, timeout=300,
                           capture_output=True)
            program = x.start([os.path.join(build, "quorvane")], cwd=workdir, name="demo")
            dialog = x.wait_window(DIALOG, timeout=60)
            x.key(dialog, "ctrl+a")
            x.type(dialog, "192x108")
            x.key(dialog, "Return")
            window = x.wait_window("^Quorvane", timeout=120)
            shown = time.monotonic()
            checks.expect(x.geometry(window)[2:] == (192, 108), "a 192x108 window")

            def music_time():
                blocks = BLOCK.findall(program.stdout())
                return float(blocks[-1][1]) if blocks else 0.0

            for moment in SNAPSHOTS:
                if wait_until(lambda: music_time() >= moment, 260):
                    x.screenshot(os.path.join(os.environ.get("QUORVANE_SHOTS", workdir),
                                              f"full_run_{int(moment)}.png"))
            code = program.wait(300)
            played = time.monotonic() - shown
            checks.expect(code == 0, f"the demo ends by itself with code 0 (got {code})")
            blocks = BLOCK.findall(program.stdout())
            times = [float(t) for _, t in blocks]
            checks.expect(len(blocks) > 10, f"diagnostic blocks all the way ({len(blocks)})")
            checks.expect(all(error == "0" for error, _ in blocks),
                          "gl error: 0x0 on every diagnostic block")
            # Blocks come every 60th frame, many seconds apart on a software renderer; the demo's
            # own end at t = 200 shows as the whole track having played.
            checks.expect(played >= 199.0, f"it ended after the whole track ({played:.1f} s)")
            checks.expect(bool(times) and times[-1] >= 150.0,
                          f"the closing scene was reached ({times[-1] if times else None})")
            checks.expect(all(a <= b for a, b in zip(times, times[1:])),
                          "the music time never went back")
            checks.expect(program.stderr().strip() == "",
                          f"nothing on standard error ({program.stderr().strip()[:200]})")
        except Failure as failure:
            print(f"stopped: {failure}")
            checks.failed += 1
    return checks.exit_code()


if __name__ == "__main__":
    sys.exit(main())
