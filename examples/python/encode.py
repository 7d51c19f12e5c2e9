#!/usr/bin/python3
"""Encodes a WAV file to MP3 with Tolvo.Encode, showing progress, then tags it.

    python3 encode.py input.wav output.mp3
From a build tree: GI_TYPELIB_PATH=build/gir LD_LIBRARY_PATH=build/out python3 encode.py ..."""
import os
import sys

import gi

gi.require_version("Tolvo", "1.0")
from gi.repository import GLib, Tolvo  # noqa: E402

wav, mp3 = (os.path.abspath(name) for name in sys.argv[1:3])  # the control takes full paths
encoder = Tolvo.Encode.new()
loop = GLib.MainLoop()
result = {}
encoder.connect("progress", lambda _o, percent: print(f"\rEncoding {percent:3d}%", end="", flush=True))
encoder.connect("error-code", lambda _o, number, text: result.update(number=number, text=text))
encoder.connect("finished", lambda _o: loop.quit())

encoder.mp3_encode(wav, mp3, 192, "joint", "high", 0, 320)
if "number" not in result:  # refused arguments are reported inside the call
    loop.run()
print(f"\n{result['number']}: {result['text']}")
if result["number"] != 0:
    sys.exit(1)

encoder.write_id3_v2_tag(mp3, "1", "Title", "Artist", "Album", "2024", "Ambient", "Made with Tolvo",
                         "Tolvo", "https://example.org/", "", "", "")
code, track, title, artist, *rest = encoder.read_id3_v2_tag(mp3)
print(f"ID3v2 ({code}): track {track}, {title} by {artist}, {rest[0]} ({rest[1]})")
