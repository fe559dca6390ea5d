"""The capture tool as a person uses it: camera lines, a frame as PNG, a numbered sequence, the
volume and surface of a frame, a video with its soundtrack, and clear refusals of arguments it
cannot use.

Run: python3 test_capture.py BUILD_DIR    (exit code 0 = pass)
"""

import array
import glob
import math
import os
import pty
import re
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

from xsession import Checks, Failure, _read_ppm

CAMERA_LINE = re.compile(r"^t=(\S+) calls=(\S+) pos=(\S+),(\S+),(\S+) dir=(\S+),(\S+)$")


def tool_env(**extra):
    return dict(os.environ, LP_NUM_THREADS=os.environ.get("LP_NUM_THREADS", "2"), **extra)


def run(build, *args, cwd=None, env=None):
    return subprocess.run([os.path.join(build, "quorvane-capture"), *args], cwd=cwd,
                          env=env or tool_env(), capture_output=True, text=True, timeout=600)


def png_rgb(path):
    """(width, height, RGB bytes) of a PNG, read through ImageMagick."""
    image = _read_ppm(subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True,
                                     capture_output=True, timeout=60).stdout)
    return image.width, image.height, image.rgb


def camera_lines(checks, build):
    lines = run(build, "--camera", "0", "79.6", "81.8").stdout.splitlines()
    checks.expect(lines[:1] == ["t=0 calls=shaft.update,shaft.draw pos=0,0,3 dir=-11,0"],
                  f"--camera: one line of scene calls and camera per time ({lines[:1]})")
    parsed = [CAMERA_LINE.match(line) for line in lines]
    checks.expect(len(parsed) == 3 and all(parsed) and parsed[1].group(1) == "79.5999985" and
                  parsed[2].group(2) == "finale.update,finale.draw,sheet.draw",
                  f"t is float(T) printed with %.9g; at 81.8 the sheet over the finale ({lines})")


def refusals(checks, build, workdir):
    for args in ([], ["--time", "abc", "--out", "x.png"], ["--camera"],
                 ["--from", "5", "--to", "1", "--out", "d"], ["--time", "1"],
                 ["--size", "0x10", "--time", "1", "--out", "x.png"],
                 ["--bench", "--volume", "v.raw"], ["--frobnicate"],
                 ["--video", "v.mp4", "--size", "161x90"], ["--video", "v.mp4", "--size", "16x14"],
                 ["--video", "v.mp4", "--out", "d"],
                 ["--video", "v.mp4", "--from", "5", "--to", "5"],
                 ["--time", "1", "--out", "x.png", "--force"]):
        result = run(build, *args, cwd=workdir)
        checks.expect(result.returncode == 2 and "usage: quorvane-capture" in result.stderr,
                      f"refused with usage and code 2: {' '.join(args) or '(nothing)'}")


def frames(checks, build, workdir):
    png = os.path.join(workdir, "frame.png")
    result = run(build, "--size", "48x27", "--time", "1.5", "--out", png)
    checks.expect(result.returncode == 0, f"--time writes a frame ({result.stderr.strip()})")
    if result.returncode == 0:
        width, height, _ = png_rgb(png)
        checks.expect((width, height) == (48, 27), f"a 48x27 PNG ({width}x{height})")

    sequence = os.path.join(workdir, "sequence")
    result = run(build, "--size", "16x9", "--from", "2", "--to", "2.5", "--fps", "10", "--out",
                 sequence)
    names = sorted(os.listdir(sequence)) if os.path.isdir(sequence) else []
    checks.expect(result.returncode == 0 and names == [f"frame_{i:05d}.png" for i in range(5)],
                  f"--from 2 --to 2.5 --fps 10 writes five numbered frames ({names})")


def read_ply(path):
    """(vertices, faces) of the ASCII PLY the tool writes."""
    with open(path) as f:
        lines = f.read().splitlines()
    end = lines.index("end_header")
    counts = {line.split()[1]: int(line.split()[2]) for line in lines[:end]
              if line.startswith("element")}
    body = lines[end + 1:]
    vertices = [tuple(map(float, line.split())) for line in body[:counts["vertex"]]]
    faces = [tuple(map(int, line.split())) for line in body[counts["vertex"]:]]
    return vertices, faces


def changes_sign_around(field, v, size=128):
    """Whether the 2x2x2 voxels around voxel-space point v hold both signs (or a zero)."""
    base = [math.floor(c) for c in v]
    for dx in (0, -1) if v[0] - base[0] < 1e-3 else (0,):
        for dy in (0, -1) if v[1] - base[1] < 1e-3 else (0,):
            for dz in (0, -1) if v[2] - base[2] < 1e-3 else (0,):
                values = []
                for i in range(8):
                    x, y, z = base[0] + dx + (i & 1), base[1] + dy + (i >> 1 & 1), base[2] + dz + (i >> 2)
                    inside = 0 <= x < size and 0 <= y < size and 0 <= z < size
                    values.append(field[(z * size + y) * size + x] if inside else 0.0)
                if min(values) <= 0.0 <= max(values):
                    return True
    return False


def volume_and_surface(checks, build, workdir):
    volume, surface = os.path.join(workdir, "v.raw"), os.path.join(workdir, "s.ply")
    result = run(build, "--size", "32x18", "--time", "10", "--out",
                 os.path.join(workdir, "f.png"), "--volume", volume, "--surface", surface)
    checks.require(result.returncode == 0, f"--volume and --surface at t=10 ({result.stderr})")
    raw = open(volume, "rb").read()
    checks.expect(len(raw) == 128 ** 3 * 4, f"a 128^3 float32 volume ({len(raw)} bytes)")
    field = struct.unpack(f"<{len(raw) // 4}f", raw)
    vertices, faces = read_ply(surface)
    checks.expect(len(faces) > 100 and len(vertices) == 4 * len(faces),
                  f"four vertices per quad ({len(vertices)} for {len(faces)} quads)")
    checks.expect(all(face == (4, 4 * i, 4 * i + 1, 4 * i + 2, 4 * i + 3)
                      for i, face in enumerate(faces)), "face i lists vertices 4i .. 4i+3")
    # A corner at p sits at voxel-space (p + 0.5) * 128 - 1, inside a dual cube the surface crosses.
    off = [v for v in vertices
           if not changes_sign_around(field, [(c + 0.5) * 128 - 1 for c in v])]
    checks.expect(not off, f"every corner lies where the field changes sign ({len(off)} do not)")

    result = run(build, "--size", "32x18", "--time", "40", "--out", os.path.join(workdir, "g.png"),
                 "--volume", volume)
    checks.expect(result.returncode == 1 and "builds no volume" in result.stderr,
                  f"t=40 builds no volume: a clear error ({result.stderr.strip()})")


VIDEO_SIZE, VIDEO_FROM, VIDEO_FPS = (160, 90), 35, 10
PROGRESS_LINE = re.compile(r"^quorvane-capture: (\d+)% \((\d+)/(\d+) frames\), [\d.]+ frames/s, "
                           r"[\d:]+ left$")


def gst(*pipeline):
    return subprocess.run(["gst-launch-1.0", "-q", *pipeline], capture_output=True, text=True,
                          timeout=300)


def luma(rgb):
    return [0.299 * rgb[i] + 0.587 * rgb[i + 1] + 0.114 * rgb[i + 2] for i in range(0, len(rgb), 3)]


def psnr(a, b):
    mse = sum((x - y) ** 2 for x, y in zip(a, b)) / len(a)
    return 99.0 if mse == 0 else 10 * math.log10(255 * 255 / mse)


def mono_samples(path, demux):
    """The sound of a file as mono 16-bit samples at 44.1 kHz."""
    raw = path + ".pcm"
    source = ["filesrc", f"location={path}"] + (["!", "qtdemux", "name=d", "d.audio_0"]
                                                  if demux else [])
    result = gst(*source, "!", "decodebin", "!", "audioconvert", "!", "audioresample", "!",
                 "audio/x-raw,format=S16LE,channels=1,rate=44100", "!", "filesink",
                 f"location={raw}")
    return array.array("h", open(raw, "rb").read()) if result.returncode == 0 else None


def correlation(a, b):
    sab, saa, sbb = sum(x * y for x, y in zip(a, b)), sum(x * x for x in a), sum(y * y for y in b)
    return sab / math.sqrt(saa * sbb) if saa and sbb else 0.0


def video(checks, build, workdir):
    checks.require(shutil.which("gst-discoverer-1.0") and shutil.which("gst-launch-1.0"),
                   "gst-discoverer-1.0 and gst-launch-1.0 are installed "
                   "(gstreamer1.0-plugins-base-apps, gstreamer1.0-tools)")
    soundtrack = subprocess.run([os.path.join(build, "quorvane-soundtrack"), "track.mp3",
                                 "--seconds", "60"], cwd=workdir, capture_output=True, timeout=120)
    checks.require(soundtrack.returncode == 0, "a stand-in track.mp3 to take the sound from")
    out = os.path.join(workdir, "demo.mp4")
    w, h = VIDEO_SIZE
    args = ["--size", f"{w}x{h}", "--video", out, "--from", str(VIDEO_FROM),
            "--to", str(VIDEO_FROM + 2), "--fps", str(VIDEO_FPS)]
    result = run(build, *args, cwd=workdir)
    checks.require(result.returncode == 0 and os.path.isfile(out),
                   f"a 2 s video at {w}x{h} ({result.stderr.strip()[-300:]})")
    checks.expect(not glob.glob(os.path.join(workdir, ".demo.mp4.*")), "no temporary file left")
    progress = [PROGRESS_LINE.match(line) for line in result.stderr.splitlines()]
    tenths = [int(m.group(1)) for m in progress if m]
    checks.expect(tenths == list(range(10, 101, 10)),
                  f"off a terminal, one progress line per tenth ({tenths})")

    info = subprocess.run(["gst-discoverer-1.0", "-v", out], capture_output=True, text=True,
                          timeout=60).stdout
    duration = re.search(r"Duration: (\d+):(\d+):([\d.]+)", info)
    seconds = (int(duration.group(1)) * 3600 + int(duration.group(2)) * 60 +
               float(duration.group(3))) if duration else 0.0
    # The MP3 stream ends on a whole frame of 1152 samples (26 ms).
    checks.expect(2.0 <= seconds < 2.06, f"it lasts 2 s ({seconds})")
    checks.expect("video/x-h264" in info and "profile=(string)high" in info,
                  "H.264 video in an MP4 (" + " ".join(re.findall(r"container format: .*", info))
                  + ")")
    checks.expect(re.search(r"audio #\d+: audio/mpeg", info) is not None, "with a sound stream")

    # Decoded to 4:2:0 and no other: the colour format players expect.
    frames_path = os.path.join(workdir, "frames.rgb")
    decoded = gst("filesrc", f"location={out}", "!", "qtdemux", "name=d", "d.video_0", "!",
                  "avdec_h264", "!", "video/x-raw,format=I420", "!", "videoconvert", "!",
                  "video/x-raw,format=RGB", "!", "filesink", f"location={frames_path}")
    checks.require(decoded.returncode == 0,
                   f"4:2:0 H.264 decodes (avdec_h264, gstreamer1.0-libav) {decoded.stderr[-300:]}")
    frames = open(frames_path, "rb").read()
    checks.expect(len(frames) == 2 * VIDEO_FPS * w * h * 3,
                  f"{2 * VIDEO_FPS} frames ({len(frames) / (w * h * 3)})")

    # Frame 15 is video time 1.5 s: the frame --time 36.5 renders, smoke simulation included.
    index = 15
    png = os.path.join(workdir, "moment.png")
    moment = f"{VIDEO_FROM + index / VIDEO_FPS:g}"
    checks.require(run(build, "--size", f"{w}x{h}", "--time", moment, "--out", png).returncode == 0,
                   f"--time {moment} renders")
    frame = frames[index * w * h * 3:(index + 1) * w * h * 3]
    # 4:2:0 colour and the encoder cost about 37 dB; a tenth of a second off costs 3 more.
    quality = psnr(luma(frame), luma(png_rgb(png)[2]))
    checks.expect(quality > 35.0, f"frame {index} is --time {moment} within the encoder's loss "
                                  f"(luma PSNR {quality:.1f} dB)")

    # Sample n of the video's sound is sample n of the music from 35 s: one off scores 0.993.
    ours, track = mono_samples(out, True), mono_samples(os.path.join(workdir, "track.mp3"), False)
    checks.require(ours is not None and track is not None, "both soundtracks decode")
    start = VIDEO_FROM * 44100
    window = range(4410, 4410 + 44100, 3)
    sync = correlation([ours[i] for i in window], [track[start + i] for i in window])
    checks.expect(sync > 0.998,
                  f"the sound from {VIDEO_FROM} s, in step with the frames ({sync:.4f})")

    stamp = os.stat(out).st_mtime_ns
    result = run(build, *args, cwd=workdir)
    checks.expect(result.returncode == 1 and "already exists" in result.stderr and
                  os.stat(out).st_mtime_ns == stamp,
                  f"an existing video is not overwritten ({result.stderr.strip()})")
    result = run(build, "--size", "16x16", "--video", out, "--from", "1", "--to", "1.1", "--force",
                 cwd=workdir)
    info = subprocess.run(["gst-discoverer-1.0", out], capture_output=True, text=True).stdout
    checks.expect(result.returncode == 0 and "Width: 16" in info,
                  f"--force replaces it ({result.stderr.strip()[-200:]})")

    os.remove(os.path.join(workdir, "track.mp3"))
    result = run(build, "--size", "16x16", "--video", "silent.mp4", "--to", "1", cwd=workdir)
    checks.expect(result.returncode == 1 and "track.mp3" in result.stderr,
                  f"without track.mp3: a clear error ({result.stderr.strip()})")


def video_without_x264(checks, build, workdir):
    """The one line naming the package when the H.264 encoder is not installed."""
    inspect = subprocess.run(["gst-inspect-1.0", "x264"], capture_output=True, text=True)
    found = re.search(r"Filename\s+(\S+)", inspect.stdout)
    plugins = os.path.join(workdir, "plugins")
    os.mkdir(plugins)
    if found:
        for library in glob.glob(os.path.join(os.path.dirname(found.group(1)), "*.so")):
            if library != found.group(1):
                os.symlink(library, os.path.join(plugins, os.path.basename(library)))
    env = tool_env(GST_PLUGIN_SYSTEM_PATH_1_0=plugins, GST_PLUGIN_PATH_1_0="",
                   GST_REGISTRY_1_0=os.path.join(workdir, "registry.bin"))
    result = run(build, "--size", "16x16", "--video", "v.mp4", "--to", "1", cwd=workdir, env=env)
    lines = result.stderr.splitlines()
    checks.expect(result.returncode == 1 and len(lines) == 1 and "x264enc" in lines[0] and
                  "gstreamer1.0-plugins-ugly" in lines[0],
                  f"without x264enc: one line naming its package ({result.stderr.strip()})")


def video_interrupted(checks, build, workdir):
    """On a terminal a bar; Ctrl+C leaves neither the video nor its temporary file."""
    soundtrack = subprocess.run([os.path.join(build, "quorvane-soundtrack"), "track.mp3",
                                 "--seconds", "60"], cwd=workdir, capture_output=True, timeout=120)
    checks.require(soundtrack.returncode == 0, "a stand-in track.mp3 to take the sound from")
    leader, follower = pty.openpty()
    process = subprocess.Popen(
        [os.path.join(build, "quorvane-capture"), "--size", "160x90", "--video", "cut.mp4",
         "--from", "35", "--to", "45", "--fps", "10"],
        cwd=workdir, env=tool_env(), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
        stderr=follower)
    os.close(follower)
    shown, deadline = b"", time.monotonic() + 300
    bar = re.compile(rb"\r\[(#*) *\] (\d+)/100 frames  [\d.]+ frames/s  [\d:]+ left")
    while time.monotonic() < deadline and process.poll() is None:
        if select.select([leader], [], [], 1.0)[0]:
            try:
                shown += os.read(leader, 4096)
            except OSError:
                break
        bars = bar.findall(shown)
        if bars and int(bars[-1][1]) >= 3:
            process.send_signal(signal.SIGINT)
            break
    code = process.wait(timeout=120)
    os.close(leader)
    checks.expect(bar.search(shown) is not None,
                  f"on a terminal, a bar redrawn in place ({shown[-120:]!r})")
    checks.expect(code == 130, f"Ctrl+C ends it with code 130 ({code})")
    left = [name for name in os.listdir(workdir) if "cut.mp4" in name]
    checks.expect(not left, f"and leaves no video, whole or part ({left})")


def main():
    build = os.path.abspath(sys.argv[1])
    checks = Checks()
    with tempfile.TemporaryDirectory() as workdir:
        try:
            camera_lines(checks, build)
            refusals(checks, build, workdir)
            frames(checks, build, workdir)
            volume_and_surface(checks, build, workdir)
            for scenario in (video, video_without_x264, video_interrupted):
                with tempfile.TemporaryDirectory() as folder:
                    scenario(checks, build, folder)
        except Failure as failure:
            print(f"stopped: {failure}")
            checks.failed += 1
    return checks.exit_code()


if __name__ == "__main__":
    sys.exit(main())
