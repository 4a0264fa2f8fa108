#!/usr/bin/python3
"""The pictures in docs/img show today's program: tools/screenshots.sh makes them anew in a temporary
folder, and what they show (each window's size, its controls' places, texts and states, each message
box, as pictures.json records them) and the size of every picture must equal what is committed. Pixels
are not compared: font rendering may differ between machines.

Usage: pictures_test.py BUILD_DIR [unittest arguments]"""

import json
import os
import signal
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from picture_manifest import png_size  # noqa: E402

BUILD = sys.argv.pop(1) if len(sys.argv) > 1 else "build"
ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
COMMITTED = os.path.join(ROOT, "docs", "img")


def manifest(folder):
    with open(os.path.join(folder, "pictures.json"), encoding="utf-8") as text:
        return json.load(text)


class Pictures(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.temp = tempfile.TemporaryDirectory(prefix="sv-pictures-")
        cls.fresh = cls.temp.name
        script = subprocess.Popen(["bash", os.path.join(ROOT, "tools", "screenshots.sh"), BUILD, cls.fresh],
                                  stdout=subprocess.DEVNULL, start_new_session=True)
        try:
            status = script.wait(timeout=60)
        finally:
            try:  # the script ends its Xvfb itself; what a hung script left is ended with its group
                os.killpg(script.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        if status != 0:
            raise AssertionError(f"tools/screenshots.sh failed (status {status})")

    @classmethod
    def tearDownClass(cls):
        cls.temp.cleanup()

    def test_every_committed_picture_shows_what_the_script_makes_now(self):
        pictures = sorted(f for f in os.listdir(self.fresh) if f.endswith(".png"))
        self.assertEqual(sorted(f for f in os.listdir(COMMITTED) if f.endswith(".png")), pictures)
        committed, fresh = manifest(COMMITTED), manifest(self.fresh)
        self.assertEqual(sorted(committed), pictures)
        for name in pictures:
            with self.subTest(picture=name):
                self.assertEqual(committed[name], fresh[name], "run `make screenshots` and commit docs/img")
                self.assertEqual(png_size(os.path.join(COMMITTED, name)), fresh[name]["pixels"])

    def test_at_twice_the_scale_the_configurator_keeps_its_layout_at_twice_the_pixels(self):
        fresh = manifest(self.fresh)
        normal, scaled = fresh["frm_SondervikConfig.png"], fresh["frm_SondervikConfig_scale2.png"]
        self.assertEqual(scaled["pixels"], [2 * n for n in normal["pixels"]])
        for key in ("size", "layout", "controls"):
            self.assertEqual(scaled[key], normal[key], key)


if __name__ == "__main__":
    unittest.main()
