"""quorvane-capture as a person uses it.  Run: python3 test_capture.py BUILD_DIR    (0 = pass)"""

import array
import glob
import math
import os
import pty
import re
import select
import signal
import statistics
import subprocess
import sys
import tempfile

from demo_checks import make_track
from xsession import read_image, read_text, run_checks

W, H, FROM, FPS = 160, 90, 35, 10
PROGRESS = re.compile(r"^quorvane-capture: (\d+)% \(\d+/\d+ frames\), [\d.]+ frames/s, "
                      r"[\d:]+ left$", re.M)
BAR = re.compile(rb"\r\[#* *\] (\d+)/100 frames  [\d.]+ frames/s  [\d:]+ left")
REFUSED = ["", "--time abc --out x.png", "--camera", "--from 5 --to 1 --out d", "--time 1",
           "--size 0x10 --time 1 --out x.png", "--bench --volume v.raw", "--frobnicate",
           "--video v.mp4 --size 161x90", "--video v.mp4 --size 16x14", "--video v.mp4 --out d",
           "--video v.mp4 --from 5 --to 5", "--time 1 --out x.png --force"]


def tool_env(**extra):
    return dict(os.environ, LP_NUM_THREADS=os.environ.get("LP_NUM_THREADS", "2"), **extra)


def run(build, *args, cwd=None, **env):
    return subprocess.run([os.path.join(build, "quorvane-capture"), *args], cwd=cwd,
                          env=tool_env(**env), capture_output=True, text=True, timeout=600)


def camera_and_refusals(checks, build, workdir):
    lines = run(build, "--camera", "0", "79.6", "81.8").stdout.splitlines()
    # t is float(T) printed with %.9g; at 81.8 the sheet draws over the finale.
    starts = ["t=0 calls=shaft.update,shaft.draw pos=0,0,3 dir=-11,0",
              "t=79.5999985 calls=plume.update,plume.draw pos=",
              "t=81.8000031 calls=finale.update,finale.draw,sheet.draw pos="]
    checks.expect(len(lines) == 3 and all(map(str.startswith, lines, starts)),
                  f"--camera: a line of scene calls and camera per time ({lines})")
    for args in REFUSED:
        result = run(build, *args.split(), cwd=workdir)
        checks.expect(result.returncode == 2 and "usage: quorvane-capture" in result.stderr,
                      f"refused with usage and code 2: {args or '(nothing)'}")


def changes_sign_around(field, v, n=128):
    """Whether the voxels around voxel-space point v hold both signs; outside counts as zero."""
    span = [range(math.floor(c - 1e-3), math.floor(c + 1e-3) + 2) for c in v]
    values = [field[(z * n + y) * n + x] if 0 <= min(x, y, z) and max(x, y, z) < n else 0.0
              for z in span[2] for y in span[1] for x in span[0]]
    return min(values) <= 0.0 <= max(values)


def sequence_volume_surface(checks, build, workdir):
    result = run(build, "--size", "16x9", "--from", "2", "--to", "2.5", "--fps", "10", "--out",
                 "sequence", cwd=workdir)
    names = sorted(os.listdir(f"{workdir}/sequence")) if result.returncode == 0 else []
    checks.expect(names == [f"frame_{i:05d}.png" for i in range(5)],
                  f"--from 2 --to 2.5 --fps 10 writes five numbered frames ({names})")
    result = run(build, "--size", "32x18", "--time", "10", "--out", "f.png", "--volume", "v.raw",
                 "--surface", "s.ply", cwd=workdir)
    checks.require(result.returncode == 0, f"--volume and --surface at t=10 ({result.stderr})")
    field = array.array("f", open(f"{workdir}/v.raw", "rb").read())
    checks.expect(len(field) == 128 ** 3, f"a 128^3 float32 volume ({len(field)} values)")
    lines = read_text(f"{workdir}/s.ply").splitlines()
    count = next(int(line.split()[2]) for line in lines if line.startswith("element vertex"))
    body = lines[lines.index("end_header") + 1:]
    vertices = [tuple(map(float, line.split())) for line in body[:count]]
    checks.expect(count > 400 and body[count:] == [f"4 {i} {i + 1} {i + 2} {i + 3}"
                                                   for i in range(0, count, 4)],
                  f"each quad lists its own four vertices ({count} vertices, {body[count:][:2]})")
    # A corner at p sits at voxel-space (p + 0.5) * 128 - 1, inside a dual cube the surface crosses.
    off = [v for v in vertices
           if not changes_sign_around(field, [(c + 0.5) * 128 - 1 for c in v])]
    checks.expect(not off, f"every corner lies where the field changes sign ({len(off)} do not)")
    result = run(build, "--size", "32x18", "--time", "40", "--out", "g.png", "--volume", "v.raw",
                 cwd=workdir)
    checks.expect(result.returncode == 1 and "builds no volume" in result.stderr,
                  f"t=40 builds no volume: a clear error ({result.stderr.strip()})")


def gst(*pipeline):
    return subprocess.run(["gst-launch-1.0", "-q", *pipeline], capture_output=True, text=True,
                          timeout=300)


def discover(path):
    return subprocess.run(["gst-discoverer-1.0", "-v", path], capture_output=True, text=True,
                          timeout=60).stdout


def luma(rgb):
    return [0.299 * r + 0.587 * g + 0.114 * b for r, g, b in zip(rgb[0::3], rgb[1::3], rgb[2::3])]


def mono_samples(path, demux):
    demux = ["!", "qtdemux", "name=d", "d.audio_0"] if demux else []
    result = gst("filesrc", f"location={path}", *demux, "!", "decodebin", "!", "audioconvert", "!",
                 "audioresample", "!", "audio/x-raw,format=S16LE,channels=1,rate=44100", "!",
                 "filesink", f"location={path}.pcm")
    return array.array("h", open(path + ".pcm", "rb").read()) if result.returncode == 0 else None


def video(checks, build, workdir):
    out = os.path.join(workdir, "demo.mp4")
    args = ["--size", f"{W}x{H}", "--video", out, "--from", str(FROM), "--to", str(FROM + 2),
            "--fps", str(FPS)]
    result = run(build, *args, cwd=workdir)
    checks.require(result.returncode == 0 and os.path.isfile(out),
                   f"a 2 s video at {W}x{H} ({result.stderr.strip()[-300:]})")
    checks.expect(not glob.glob(os.path.join(workdir, ".demo.mp4.*")), "no temporary file left")
    tenths = [int(percent) for percent in PROGRESS.findall(result.stderr)]
    checks.expect(tenths == list(range(10, 101, 10)),
                  f"off a terminal, one progress line per tenth ({tenths})")
    info = discover(out)
    seconds = float((re.search(r"Duration: 0:00:([\d.]+)", info) or [0, 0])[1])
    # The MP3 stream ends on a whole frame of 1152 samples (26 ms).
    checks.expect(2.0 <= seconds < 2.06, f"it lasts 2 s ({seconds})")
    checks.expect("video/x-h264" in info and "profile=(string)high" in info and
                  re.search(r"audio #\d+: audio/mpeg", info), "H.264 video with a sound stream")

    # Decoded to 4:2:0 and no other: the colour format players expect.
    decoded = gst("filesrc", f"location={out}", "!", "qtdemux", "name=d", "d.video_0", "!",
                  "avdec_h264", "!", "video/x-raw,format=I420", "!", "videoconvert", "!",
                  "video/x-raw,format=RGB", "!", "filesink", f"location={out}.rgb")
    checks.require(decoded.returncode == 0,
                   f"4:2:0 H.264 decodes (avdec_h264, gstreamer1.0-libav) {decoded.stderr[-300:]}")
    frames = open(out + ".rgb", "rb").read()
    checks.expect(len(frames) == 2 * FPS * W * H * 3, f"20 frames ({len(frames) / W / H / 3})")
    # Frame 15 is video time 1.5 s: the frame --time 36.5 renders, smoke simulation included.
    png = os.path.join(workdir, "moment.png")
    run(build, "--size", f"{W}x{H}", "--time", "36.5", "--out", png)
    checks.require((image := read_image(png)).width == W and image.height == H, "--time 36.5 PNG")
    ours, theirs = luma(frames[15 * W * H * 3:16 * W * H * 3]), luma(image.rgb)
    mse = sum((a - b) ** 2 for a, b in zip(ours, theirs)) / len(ours)
    quality = 10 * math.log10(255 * 255 / mse) if mse else 99.0
    # 4:2:0 colour and the encoder cost about 37 dB; a tenth of a second off costs 3 more.
    checks.expect(quality > 35.0, f"frame 15 is --time 36.5 but for the encoder ({quality:.1f} dB)")

    # Sample n of the video's sound is sample n of the music from 35 s: one off scores 0.993.
    ours, track = mono_samples(out, True), mono_samples(os.path.join(workdir, "track.mp3"), False)
    checks.require(ours is not None and track is not None, "both soundtracks decode")
    window = range(4410, 4410 + 44100, 3)
    sync = statistics.correlation([ours[i] for i in window],
                                  [track[FROM * 44100 + i] for i in window])
    checks.expect(sync > 0.998, f"the sound from {FROM} s, in step with the frames ({sync:.4f})")

    stamp = os.stat(out).st_mtime_ns
    result = run(build, *args, cwd=workdir)
    checks.expect(result.returncode == 1 and "already exists" in result.stderr and
                  os.stat(out).st_mtime_ns == stamp,
                  f"an existing video is not overwritten ({result.stderr.strip()})")
    result = run(build, "--size", "16x16", "--video", out, "--from", "1", "--to", "1.1", "--force",
                 cwd=workdir)
    checks.expect(result.returncode == 0 and "Width: 16" in discover(out),
                  f"--force replaces it ({result.stderr.strip()[-200:]})")


def video_interrupted(checks, build, workdir):
    leader, follower = pty.openpty()
    process = subprocess.Popen(
        [os.path.join(build, "quorvane-capture"), "--size", "160x90", "--video", "cut.mp4",
         "--from", "35", "--to", "45", "--fps", "10"], cwd=workdir, env=tool_env(),
        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=follower)
    os.close(follower)
    shown = b""
    # Reading fails once the tool has ended; the wait for output is bounded as the run is.
    while int((BAR.findall(shown) or [0])[-1]) < 3 and select.select([leader], [], [], 300)[0]:
        try:
            shown += os.read(leader, 4096)
        except OSError:
            break
    process.send_signal(signal.SIGINT)
    code = process.wait(timeout=120)
    os.close(leader)
    checks.expect(BAR.search(shown) is not None,
                  f"on a terminal, a bar redrawn in place ({shown[-120:]!r})")
    checks.expect(code == 130, f"Ctrl+C ends it with code 130 ({code})")
    left = [name for name in os.listdir(workdir) if "cut.mp4" in name]
    checks.expect(not left, f"and leaves no video, whole or part ({left})")


def video_refused(checks, build, workdir):
    # The system's plugins but x264, linked into a folder of their own.
    inspect = subprocess.run(["gst-inspect-1.0", "x264"], capture_output=True, text=True).stdout
    x264 = (re.search(r"Filename\s+(\S+)", inspect) or [None, None])[1]
    os.mkdir(plugins := os.path.join(workdir, "plugins"))
    for library in set(glob.glob(os.path.dirname(x264 or "/none") + "/*.so")) - {x264}:
        os.symlink(library, os.path.join(plugins, os.path.basename(library)))
    result = run(build, "--size", "16x16", "--video", "v.mp4", "--to", "1", cwd=workdir,
                 GST_PLUGIN_SYSTEM_PATH_1_0=plugins, GST_PLUGIN_PATH_1_0="",
                 GST_REGISTRY_1_0=os.path.join(workdir, "registry.bin"))
    lines = result.stderr.splitlines()
    checks.expect(result.returncode == 1 and len(lines) == 1 and "x264enc" in lines[0] and
                  "gstreamer1.0-plugins-ugly" in lines[0],
                  f"without x264enc: one line naming its package ({result.stderr.strip()})")
    os.remove(os.path.join(workdir, "track.mp3"))
    result = run(build, "--size", "16x16", "--video", "silent.mp4", "--to", "1", cwd=workdir)
    checks.expect(result.returncode == 1 and "track.mp3" in result.stderr,
                  f"without track.mp3: a clear error ({result.stderr.strip()})")


def main(checks):
    build = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as workdir:
        camera_and_refusals(checks, build, workdir)
        sequence_volume_surface(checks, build, workdir)
        make_track(build, workdir, 60)
        for scenario in (video, video_interrupted, video_refused):
            scenario(checks, build, workdir)


if __name__ == "__main__":
    sys.exit(run_checks(main))
