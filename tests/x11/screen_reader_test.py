#!/usr/bin/python3
"""What a screen reader gets of both windows: an AT-SPI client on the accessibility bus of a private
D-Bus session reads the accessible trees of the real programs on a virtual X display, checks every
control's role and German name, and starts a process by the accessible action of "Prozess starten".

Usage: screen_reader_test.py BUILD_DIR [unittest arguments]"""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xsession import Session, poll  # noqa: E402

BUILD = sys.argv.pop(1) if len(sys.argv) > 1 else "build"

SELECTION_ENTRIES = ["Ersatzlieferung veranlassen", "Gutschrift prüfen", "Reklamation bearbeiten"]
DESCRIPTION = "Bitte wählen Sie den Prozess aus den Sie starten möchten:"
CONFIGURATOR_ENTRIES = ["Angebotsverfolgung", "Ersatzlieferung veranlassen", "Gutschrift prüfen",
                        "Reklamation (bis 2019)", "Reklamation bearbeiten", "Reklamation Eskalation (archiviert)",
                        "Wartung abrechnen", "Wartung planen"]
REPLACEMENT = "B9000000-0000-4000-8000-000000000003"  # the first entry of the selection window


class ScreenReader(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.x = Session(BUILD, accessibility=True)
        # The client finds the accessibility bus through the session bus, when it first asks.
        os.environ.update(DISPLAY=cls.x.env["DISPLAY"],
                          DBUS_SESSION_BUS_ADDRESS=cls.x.env["DBUS_SESSION_BUS_ADDRESS"])
        import pyatspi
        cls.atspi = pyatspi

    @classmethod
    def tearDownClass(cls):
        cls.x.close()

    def tearDown(self):
        self.x.end_runs()

    def top_level(self, name, role, run):
        """The accessible top-level object with the name and role, once the run shows it."""
        def find():
            if run.poll() is not None:
                raise AssertionError(f'the run ended with status {run.returncode} before it showed "{name}":\n'
                                     + self.x.log("start"))
            try:
                for app in self.atspi.Registry.getDesktop(0):
                    for window in app or ():
                        if window is not None and window.name == name and window.getRole() == role:
                            return window
            except Exception:  # an application that goes away while it is read
                return None
            return None
        return poll(f'the accessible window "{name}"', find)

    def controls(self, window):
        """(role, name) of the window's controls, and the controls by name."""
        shown = sorted((child.getRoleName(), child.name) for child in window)
        return shown, {child.name: child for child in window}

    def press(self, control):
        action = control.queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        self.assertIn("Press", names, control.name)
        self.assertTrue(action.doAction(names.index("Press")))

    def labels_of(self, control):
        return [relation.getTarget(i).name for relation in control.getRelationSet()
                if relation.getRelationType() == self.atspi.RELATION_LABELLED_BY
                for i in range(relation.getNTargets())]

    def test_the_selection_window_is_read_and_a_process_started_by_its_action(self):
        host = self.x.demo_host("selection", with_config=False)
        run = self.x.start(host)
        window = self.top_level("Prozessauswahl", self.atspi.ROLE_FRAME, run)
        shown, control = self.controls(window)
        self.assertEqual(shown, sorted([("push button", "Prozess starten"), ("push button", "Abbrechen"),
                                        ("combo box", SELECTION_ENTRIES[0]), ("label", DESCRIPTION)]))
        self.assertEqual(self.labels_of(control[SELECTION_ENTRIES[0]]), [DESCRIPTION])
        entries = [item.name for child in control[SELECTION_ENTRIES[0]] for item in child]
        self.assertEqual(entries, SELECTION_ENTRIES)

        self.press(control["Prozess starten"])
        # No configuration file yet: a message box asks whether to go on with the default one made now.
        box = self.top_level("Konfigurationsdatei wurde erstellt.", self.atspi.ROLE_ALERT, run)
        texts = [child.name for child in box if child.getRole() == self.atspi.ROLE_LABEL]
        self.assertEqual(len(texts), 1)
        self.assertTrue(texts[0].startswith("Es wurde keine Konfiguration gefunden."), texts[0])
        buttons = {button.name: button for child in box for button in child
                   if button.getRole() == self.atspi.ROLE_PUSH_BUTTON}
        self.assertEqual(sorted(buttons), ["Ja", "Nein"])
        self.press(buttons["Ja"])

        self.assertEqual(self.x.wait_exit(run, "the run"), 0)
        self.assertEqual(self.x.started(host), [REPLACEMENT])

    def test_the_configurator_is_read_and_closed_by_the_action_of_beenden(self):
        host = self.x.demo_host("configurator")
        run = self.x.start(host, "config")
        window = self.top_level("Prozesskonfigurator", self.atspi.ROLE_FRAME, run)
        shown, control = self.controls(window)
        boxes = ["eine Adresse 1", "eine Adresse 2", "ein Objekt", "ein Projekt",
                 "Prozess starten wenn Aktivität erledigt", "Prozess starten wenn Aktivität neu angelegt wird",
                 "Prozess starten wenn Aktivität geändert wird"]
        labels = ["Prozesse", "Achtung! Änderungen werden direkt gespeichert.",
                  "Um den ausgewählten Prozess starten zu können benötigt die Aktivität:"]
        self.assertEqual(shown, sorted([("list", "Prozesse"), ("push button", "Beenden")] +
                                       [("check box", name) for name in boxes] +
                                       [("label", name) for name in labels]))
        list_control = next(child for child in window if child.getRole() == self.atspi.ROLE_LIST)
        self.assertEqual([item.name for item in list_control], CONFIGURATOR_ENTRIES)
        self.assertEqual(control["ein Objekt"].description, labels[2])

        self.press(control["Beenden"])
        self.assertEqual(self.x.wait_exit(run, "the configurator"), 0)


if __name__ == "__main__":
    unittest.main()
