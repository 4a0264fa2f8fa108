#!/usr/bin/env python3
"""Prints a UI transcript (JSON lines) as a person would have seen it."""
import json
import sys


def show_window(event):
    print(f"[Fenster {event['name']}: \"{event.get('caption', '')}\"]")
    for name, control in event.get("controls", {}).items():
        if "entries" in control:
            entries = control["entries"]
            chosen = control.get("selected", -1)
            print(f"  {name}:")
            for i, entry in enumerate(entries):
                print(f"    {'>' if i == chosen else ' '} {entry}")
        elif "checked" in control:
            print(f"  {name}: [{'x' if control['checked'] else ' '}] {control.get('text', '')}")
        elif control.get("text"):
            print(f"  {name}: {control['text']}")


def show_msgbox(event):
    print(f"[Meldung \"{event['title']}\" ({event['icon']}, {event['buttons']})]")
    for line in event["text"].split("\r\n"):
        print(f"  {line}")
    print(f"  -> {event['answer']}")


def main(path):
    with open(path, encoding="utf-8") as transcript:
        for line in transcript:
            event = json.loads(line)
            kind = event.get("event")
            if kind == "window":
                show_window(event)
            elif kind == "msgbox":
                show_msgbox(event)
            elif kind == "step":
                print(f"(Schritt: {event['line']})")
            elif kind == "closed":
                print(f"[Fenster {event['name']} geschlossen]")
            elif kind == "error":
                print(f"(Fehler im Skript: {event.get('message', '')})")


if __name__ == "__main__":
    main(sys.argv[1])
