#!/usr/bin/env python3
"""Hostile inputs kept for replay beside the ones fuzzing found: each would
make a careless report engine hang, overrun its buffer or read memory it
never filled. Writes next to itself; deterministic."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def chunk(ident, payload, size=None):
    n = len(payload) if size is None else size
    return ident + struct.pack("<I", n) + payload + (b"\0" if size is None and n % 2 else b"")


def riff(body, length=None):
    data = b"WAVE" + body
    return b"RIFF" + struct.pack("<I", len(data) if length is None else length) + data


def large(magic, body):
    """An RF64-style file: RIFF length 0xFFFFFFFF, sizes left to ds64."""
    return magic + b"\xff\xff\xff\xffWAVE" + body


def id3(version, frames, size=None, flags=0):
    """An ID3v2 tag whose header states size (a syncsafe number)."""
    n = len(frames) if size is None else size
    return b"ID3" + bytes([version, 0, flags, n >> 21 & 0x7F, n >> 14 & 0x7F, n >> 7 & 0x7F, n & 0x7F]) + frames


files = {
    # 536 million peak entries claimed by the length alone.
    "peak-claims-half-a-billion-channels.wav": riff(chunk(b"PEAK", b"\1\0\0\0" * 4, 0xFFFFFFF8)),
    # LIST chunks nested 5000 deep, each claiming the largest size.
    "list-nested-5000-deep.wav": riff(b"".join(b"LIST\xff\xff\xff\xffINFO" for _ in range(5000))),
    # A coding history of control bytes only, claiming 4 GiB.
    "bext-history-of-line-breaks.wav": riff(chunk(b"bext", b"\x01" * 3000, 0xFFFFFFFF)),
    # A sampler chunk claiming 9 loops and 4 GiB of manufacturer data, file cut inside.
    "smpl-cut-inside-loops.wav": riff(chunk(b"smpl", struct.pack("<9I", 1, 2, 0, 2**31 - 1, 2**32 - 1,
                                                                29, 0xFFFFFFFF, 9, 0xFFFFFFFF), 3000)),
    # Eight thousand empty chunks: the report fills up long before the walk ends.
    "eight-thousand-empty-chunks.wav": riff(b"JUNK\0\0\0\0" * 8000),
    # A format chunk of one byte, extensible, at the very end of the file.
    "fmt-extensible-cut-at-end.wav": riff(chunk(b"fmt ", b"\xfe\xff", 1)),
    # Cue list and play list claiming 127 entries in 8 bytes.
    "cue-and-plst-counts-past-the-end.wav": riff(chunk(b"cue ", b"\x7f\0\0\0") + chunk(b"plst", b"\xff\0\0\0")),
    # Label chunks shorter than their identifier.
    "labels-shorter-than-identifier.wav": riff(chunk(b"labl", b"\1\0") + chunk(b"note", b"") + chunk(b"ltxt", b"\1")),
    # An RF64 file whose ds64 chunk claims 4 GiB and a table of 0xFFFFFFFF
    # entries, in 4 KB of file.
    "ds64-table-of-four-billion-entries.wav": large(b"RF64", chunk(b"ds64", struct.pack("<QQQI", 2**64 - 1, 2**64 - 1, 0, 0xFFFFFFFF)
                                                                  + (b"JUNK" + struct.pack("<Q", 3)) * 340, 0xFFFFFFFF)),
    # A ds64 table of 200 entries, the only JUNK one last, and two thousand
    # JUNK chunks that each look their size up in it.
    "ds64-looked-up-for-every-chunk.wav": large(b"BW64", chunk(b"ds64", struct.pack("<QQQI", 0, 0, 0, 0xFFFFFFFF)
                                                              + b"PAD \0\0\0\0\0\0\0\0" * 199 + b"JUNK" + struct.pack("<Q", 0))
                                                        + b"JUNK\xff\xff\xff\xff" * 2000),
    # ID3 tags claiming more than they hold: a tag size of all ones over
    # UTF-16 text of odd length, a picture of 100 MB in 100 bytes, two
    # thousand empty frames, a whole tag unsynchronised.
    "id3-tags-claiming-more-than-they-hold.wav": riff(
        chunk(b"id3 ", b"ID3\x03\0\0\xff\xff\xff\xff" + b"TIT2" + struct.pack(">IH", 6, 0) + b"\x01\xff\xfeA\0B")
        + chunk(b"ID3 ", id3(4, b"APIC\x32\0\0\0\0\0\0image/jpeg\0\x03\0" + b"\xff" * 64, 0x0FFFFFFF))
        + chunk(b"id3 ", id3(3, (b"TIT3" + bytes(6)) * 2000))
        + chunk(b"ID3 ", id3(3, b"TIT2\0\0\0\x04\0\0\0\xff\0\xe9!", flags=0x80))),
}

for name, data in files.items():
    with open(os.path.join(HERE, name), "wb") as out:
        out.write(data)
