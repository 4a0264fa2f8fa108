#!/usr/bin/python3
"""Both windows by keyboard and mouse alone: the real programs, started by the emulated host without a
UI script on a virtual X display, driven by xdotool's real key presses and clicks. The database and
the configuration file show what each did.

Usage: keyboard_test.py BUILD_DIR [unittest arguments]"""

import json
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xsession import Session, config_rows, poll  # noqa: E402

BUILD = sys.argv.pop(1) if len(sys.argv) > 1 else "build"

# The complaint's processes as the selection window lists them.
REPLACEMENT, CREDIT, COMPLAINT_HANDLING = ("B9000000-0000-4000-8000-000000000003",
                                           "B9000000-0000-4000-8000-000000000002",
                                           "B9000000-0000-4000-8000-000000000001")
FIRST_IN_CONFIGURATOR = "B9000000-0000-4000-8000-000000000006"  # "Angebotsverfolgung"


class Keyboard(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.x = Session(BUILD)

    @classmethod
    def tearDownClass(cls):
        cls.x.close()

    def tearDown(self):
        self.x.end_runs()

    def setUp(self):
        self.host = self.x.demo_host(self.id().rsplit(".", 1)[-1])

    def open_selection(self):
        run = self.x.start(self.host)
        window = self.x.wait_window("Prozessauswahl", run)
        self.x.focus(window)
        return run

    def test_the_second_process_is_picked_by_keyboard_and_started_with_enter(self):
        run = self.open_selection()
        self.x.keys("Down", "Return")
        self.assertEqual(self.x.wait_exit(run, "the run"), 0)
        self.assertEqual(self.x.started(self.host), [CREDIT])

    def test_escape_cancels_and_starts_nothing(self):
        run = self.open_selection()
        self.x.keys("Down", "Escape")
        self.assertEqual(self.x.wait_exit(run, "the run"), 0)
        self.assertEqual(self.x.started(self.host), [])

    def test_enter_presses_the_button_that_has_the_focus(self):
        run = self.open_selection()
        self.x.keys("Down", "Down", "Tab", "Tab", "Return")  # the focus on "Abbrechen"
        self.assertEqual(self.x.wait_exit(run, "the run"), 0)
        self.assertEqual(self.x.started(self.host), [])

        run = self.open_selection()
        self.x.keys("Down", "Down", "Tab", "Return")  # the focus on "Prozess starten"
        self.assertEqual(self.x.wait_exit(run, "the run"), 0)
        self.assertEqual(self.x.started(self.host), [COMPLAINT_HANDLING])

    def test_the_configurator_takes_space_and_a_click_and_closes_with_escape(self):
        config = os.path.join(self.host, "Addin", "_Sondervik", "SondervikConfig.xml")
        transcript = os.path.join(self.x.dir, "configurator.jsonl")
        before = config_rows(config)
        run = self.x.start(self.host, "config", transcript=transcript)
        window = self.x.wait_window("Prozesskonfigurator", run)
        self.x.focus(window)
        layout = poll("the window in the transcript", lambda: shown_layout(transcript))

        self.x.keys("Tab", "space")  # from the list to "eine Adresse 1"
        poll("AD stored", lambda: config_rows(config)[FIRST_IN_CONFIGURATOR]["AD"] == "1")
        left, top, width, height = layout["chk_OBJ"]
        self.x.click(window, left + width // 2, top + height // 2)
        poll("OBJ stored", lambda: config_rows(config)[FIRST_IN_CONFIGURATOR]["OBJ"] == "1")
        self.x.keys("Escape")
        self.assertEqual(self.x.wait_exit(run, "the configurator"), 0)

        after = config_rows(config)
        before[FIRST_IN_CONFIGURATOR].update(AD="1", OBJ="1")
        self.assertEqual(after, before)


def shown_layout(transcript):
    """The control places of the first window the transcript names, once it is written."""
    if not os.path.exists(transcript):
        return None
    with open(transcript, encoding="utf-8") as lines:
        for line in lines:
            event = json.loads(line)
            if event.get("event") == "window":
                return event["layout"]
    return None


if __name__ == "__main__":
    unittest.main()
