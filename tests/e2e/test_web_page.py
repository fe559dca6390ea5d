"""The web page as a person meets it in headless Chromium.
Run: /usr/bin/python3 test_web_page.py WEB_BUILD_DIR LINUX_BUILD_DIR    (0 = pass)"""

import os
import sys
import tempfile
import time

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.keys import Keys

from demo_checks import BLOCK, GL_STRINGS, TITLE, TRACK_SECONDS, make_track
from web_session import WebSession, page_folder
from xsession import run_checks, wait_until

FORM_TEXT = "Drannig & Velkorrin\nResolution\nFullscreen\nLAME\nVORNE"


def form_shown(page):
    return page.script("return !document.getElementById('launch').hidden")


def canvas_state(page):
    return page.script("const c = document.getElementById('canvas');"
                       "return [c.width, c.height, c.hidden];")


def press(page, size, button="vorne"):
    page.wait_for(lambda: form_shown(page), 60, "the launch form shows")
    if size is not None:
        field = page.driver.find_element("id", "resolution")
        field.clear()
        field.send_keys(size)
    page.driver.find_element("id", button).click()


def times(page):
    return [float(t) for _, t in BLOCK.findall(page.console())]


def form_and_refusals(checks, page):
    page.open()
    page.wait_for(lambda: form_shown(page), 60, "the launch form shows")
    text = page.script("return document.getElementById('launch').innerText").strip()
    sizes = page.script("return Array.from(document.querySelectorAll('#sizes option'),"
                        " o => o.value)")
    field = page.driver.find_element("id", "resolution").get_attribute("value")
    checks.expect(text == FORM_TEXT and sizes == ["1280x720", "1920x1080"] and field == "1280x720",
                  f"the form's caption, labels, buttons and sizes ({text!r}, {sizes}, {field})")
    press(page, "0x0")
    page.wait_for(lambda: page.script("return document.getElementById('message').textContent"),
                  30, "a refusal line")
    message = page.script("return document.getElementById('message').textContent")
    checks.expect(form_shown(page) and message == "Width and height must be at least 1.",
                  f"0x0 is refused: the form stays with its line ({message!r})")
    press(page, None, "lame")
    page.wait_for(lambda: not form_shown(page), 30, "LAME closes the form")
    out = page.console()
    checks.expect(canvas_state(page)[2] and not GL_STRINGS.search(out) and "Song" not in out and
                  page.script("return !Module.quorvaneMusic"),
                  f"LAME: nothing started: no canvas, GL strings or music ({out[-300:]!r})")


def play_short_track(checks, page):
    page.open()
    press(page, "320x180")
    page.wait_for(lambda: len(times(page)) >= 1, 180, "a first diagnostic block")
    page.wait_for(lambda: TITLE.fullmatch(page.title()), 60, "the title with the frame rate")
    # Two blocks after one at the track's end: the clock has stopped while frames go on.
    page.wait_for(lambda: len(times(page)) >= 3 and times(page)[-3] >= TRACK_SECONDS - 0.2, 300,
                  "diagnostic blocks past the track's end")
    out, seen = page.console(), times(page)
    strings = GL_STRINGS.search(out)
    checks.expect(strings and out.find("Song succesfully rendered!\n") > strings.end(),
                  "the four GL implementation strings, then the music result line")
    checks.expect("llvmpipe" in strings.group(0), "the renderer line names the real renderer")
    checks.expect(seen == sorted(seen) and seen[-1] == seen[-2] and
                  TRACK_SECONDS - 0.1 <= seen[-1] <= TRACK_SECONDS + 0.1 + 1 / 60,
                  f"the music time follows the sound and stops at the track's end ({seen})")
    errors = [(error, t) for error, t in BLOCK.findall(out) if error != "0"]
    checks.expect(not errors, f"every block: gl error: 0x0 ({errors[:3]})")
    ActionChains(page.driver).send_keys(Keys.ESCAPE).perform()
    page.wait_for(lambda: form_shown(page), 30, "Escape offers the form again")
    checks.expect(canvas_state(page)[2] and page.script("return !Module.quorvaneMusic"),
                  "Escape: the canvas goes and the sound is closed")
    blocks = len(times(page))
    press(page, "320x180")
    page.wait_for(lambda: len(times(page)) > blocks, 180, "a block of a second run")
    page.script("canvas.getContext('webgl2').getExtension('WEBGL_lose_context').loseContext()")
    checks.expect(wait_until(lambda: form_shown(page), 30) and "WebGL context lost: the demo ends"
                  in page.console().splitlines(), "a lost context: its line and the form again")


def fullscreen_element(page):
    return page.script("const f = document.fullscreenElement; return f ? f.id : null")


def missing_track_fullscreen_to_the_end(checks, page):
    page.open()
    page.wait_for(lambda: form_shown(page), 60, "the launch form shows")
    page.driver.find_element("id", "fullscreen").click()
    press(page, "320x180")
    started = time.monotonic()
    page.wait_for(lambda: len(times(page)) >= 2, 300, "two diagnostic blocks")
    seen = times(page)
    checks.expect("mp3 rendering failed :(\n" in page.console() and seen[1] > seen[0],
                  f"no track.mp3: its line, and a clock that runs ({seen})")
    checks.expect(fullscreen_element(page) == "canvas" and canvas_state(page)[:2] == [320, 180],
                  f"fullscreen: the canvas fills the screen with its 320x180 pixels "
                  f"({fullscreen_element(page)}, {canvas_state(page)})")
    # The silent clock is real time: the 200 s end comes that long after the start.
    page.wait_for(lambda: form_shown(page), 300, "the end of the 200 s offers the form again")
    ran = time.monotonic() - started
    checks.expect(ran >= 195 and times(page)[-1] < 200 and fullscreen_element(page) is None and
                  canvas_state(page)[2],
                  f"the end after 200 s ({ran:.0f} s, last block {times(page)[-1]}): fullscreen "
                  f"left, the canvas gone ({fullscreen_element(page)}, {canvas_state(page)})")


def main(checks):
    web_build, linux_build = map(os.path.abspath, sys.argv[1:3])
    with tempfile.TemporaryDirectory(prefix="quorvane-web-") as workdir:
        page_folder(web_build, workdir)
        with WebSession(workdir) as page:
            form_and_refusals(checks, page)
            missing_track_fullscreen_to_the_end(checks, page)
            make_track(linux_build, workdir, TRACK_SECONDS)
            play_short_track(checks, page)


if __name__ == "__main__":
    sys.exit(run_checks(main))
