"""The --report page in a real browser: headless Chromium loads the file (and nothing else),
its script sorts a column, and the DOM holds every record, the summary the program printed and
a picture of each of the most changed glyphs."""
import html
import os
import re
import shutil
import subprocess

import pytest

from conftest import run_json
from test_font_comparison import build_font

CHROMIUM = shutil.which("chromium")


def browse(page, fragment, tmp_path):
    """The page's DOM after its script ran, the browser's log, and a screenshot."""
    screenshot = tmp_path / "report.png"
    arguments = [CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                 "--enable-logging=stderr", "--v=0", "--virtual-time-budget=3000",
                 "--window-size=1200,1600", "--user-data-dir=" + str(tmp_path / "profile")]
    url = "file://" + str(page) + fragment
    # The sanitizers' runtime, preloaded for Python's sake, is not the browser's.
    environment = {k: v for k, v in os.environ.items() if k != "LD_PRELOAD"}
    dom = subprocess.run(arguments + ["--dump-dom", url], capture_output=True, text=True,
                         timeout=120, env=environment)
    shot = subprocess.run(arguments + ["--screenshot=" + str(screenshot), url],
                          capture_output=True, text=True, timeout=120, env=environment)
    return dom.stdout, dom.stderr + shot.stderr, screenshot


@pytest.mark.skipif(CHROMIUM is None, reason="chromium is not installed")
def test_the_report_opens_sorts_and_shows_what_changed(program, tmp_path):
    a = build_font(tmp_path / "a.ttf", "Probe", "Regular")
    b = build_font(tmp_path / "b.ttf", "Probe", "Regular", accent_x=330, x_width=640)
    page = tmp_path / "report.html"
    records, err, status = run_json(program, ["--glyphs", "all", "--threshold", "10", "--report",
                                              str(page), a, b])
    assert status == 0, err
    *glyphs, summary = records
    text = page.read_text()
    # Self-contained: nothing is fetched, pictures are data.
    assert not re.search(r'(src|href)="(?!data:|#)', text)
    dom, log, screenshot = browse(page, "#sort=3-", tmp_path)
    assert "Uncaught" not in log and "Failed to load resource" not in log, log
    rows = re.findall(r"<tr( class=\"changed\")?><td>([^<]*)</td><td>([^<]*)</td>"
                      r"<td[^>]*>([^<]*)</td><td[^>]*>([^<]*)</td>", dom)
    assert len(rows) == len(glyphs) == summary["summary"]["compared"]
    assert 'data-rows="%d"' % len(glyphs) in dom and 'data-shown="%d"' % len(glyphs) in dom
    # Sorted by the upper bound, largest first: the three glyphs the accent moved lead.
    assert 'data-sorted="3-"' in dom
    uppers = [float(r[4]) for r in rows if r[4]]
    assert uppers == sorted(uppers, reverse=True)
    assert {html.unescape(r[1]).split()[0] for r in rows[:3]} == {"acute", "aacute", "eacute"}
    assert sum(1 for r in rows if r[0]) == summary["summary"]["changed"] == 3
    # The summary the program printed, and one picture per changed glyph.
    shown = html.unescape(re.search(r'<pre class="summary">(.*?)</pre>', dom, re.S).group(1))
    assert shown == err[err.index("bezier-hausdorff: 7 glyphs"):]
    assert dom.count("<figure>") == 3
    assert re.search(r'data-ready="\d+"', dom)
    assert screenshot.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"
