"""tools/make_title_strokes.py as its user runs it.  Run: python3 THIS_FILE SOURCE_DIR (0 = pass)"""

import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "e2e"))
from xsession import run_checks  # noqa: E402


def main(checks):
    source = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as workdir:
        out = os.path.join(workdir, "strokes.cpp")

        def make(*args):
            command = [sys.executable, "tools/make_title_strokes.py", "--out", out, *args]
            return subprocess.run(command, cwd=source, capture_output=True, text=True, timeout=120)

        result = make("--preview", f"{out}.png")
        checks.require(result.returncode == 0 and "322 segments" in result.stdout,
                       f"it writes the table ({result.stdout.strip()} {result.stderr.strip()})")
        with open(out, "rb") as made, open(f"{source}/scenes/title_strokes.cpp", "rb") as kept:
            checks.expect(made.read() == kept.read(), "the table is scenes/title_strokes.cpp")
        with open(f"{out}.png", "rb") as image:
            checks.expect(image.read(8) == b"\x89PNG\r\n\x1a\n", "the preview is a PNG")
        os.remove(out)
        result = make("--font", f"{workdir}/missing.jhf")
        checks.expect(result.returncode == 1 and "hershey-fonts-data" in result.stderr and
                      result.stderr.count("\n") == 1 and not os.path.exists(out),
                      f"without the font: one line naming its package ({result.stderr.strip()})")


if __name__ == "__main__":
    sys.exit(run_checks(main))
