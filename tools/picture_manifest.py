#!/usr/bin/env python3
"""What the pictures of tools/screenshots.sh show, as one JSON file beside them: each picture's size in
pixels and, for a window, its size, the place of every control and their state (texts, entries,
selection, boxes) when the picture was taken, as the run's transcript recorded them; for a message
box its title. Unlike the pixels, these do not change with font rendering.

Usage: picture_manifest.py OUTPUT PICTURE_DIR TRANSCRIPT..."""

import json
import os
import struct
import sys


def png_size(path):
    with open(path, "rb") as png:
        header = png.read(24)
    if header[:8] != b"\x89PNG\r\n\x1a\n":
        raise SystemExit(f"picture_manifest: {path} is no PNG file")
    return list(struct.unpack(">II", header[16:24]))


def pictures_of(transcript):
    """The pictures a transcript's snapshot steps took, each with what it showed."""
    with open(transcript, encoding="utf-8") as lines:
        events = [json.loads(line) for line in lines if line.strip()]
    for i, event in enumerate(events):
        if event.get("event") != "step" or not event["line"].startswith("snapshot "):
            continue
        name = os.path.basename(event["line"].split(" ", 1)[1])
        # The transcript notes a window's state after each step, the snapshot's too; a message box
        # comes after the step that pictures it, which it answers next.
        kind = "msgbox" if name.startswith("msg_") else "window"
        shown = next(e for e in events[i + 1:] if e.get("event") == kind)
        keys = ("title", "text") if kind == "msgbox" else ("name", "caption", "size", "layout", "controls")
        yield name, {key: shown[key] for key in keys}


def main(output, picture_dir, *transcripts):
    manifest = {}
    for transcript in transcripts:
        for name, shown in pictures_of(transcript):
            shown["pixels"] = png_size(os.path.join(picture_dir, name))
            manifest[name] = shown
    with open(output, "w", encoding="utf-8") as out:
        json.dump(manifest, out, ensure_ascii=False, indent=1, sort_keys=True)
        out.write("\n")


if __name__ == "__main__":
    if len(sys.argv) < 4:
        raise SystemExit(__doc__)
    main(*sys.argv[1:])
