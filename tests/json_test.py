#!/usr/bin/env python3
"""Checks tarvo-report --json: every object written for the kept files (the
samples, the tool-made files, the hostile files) and for files made here is
one line of strict JSON that the schema in docs/ accepts; each decoder's
fields carry the values the text report shows; texts come back whole; and
paths, errors and problems are given as documented.
Usage: json_test.py TARVO-REPORT SOURCE-DIR"""
import json
import math
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

import jsonschema

report, top = sys.argv[1], sys.argv[2]
failures = []


def check(name, ok, detail=""):
    if not ok:
        failures.append(f"{name}: {detail}"[:600])


def strict(line):
    def pairs(members):
        names = [name for name, _ in members]
        if len(names) != len(set(names)):
            raise ValueError(f"a name given twice in {names}")
        return dict(members)

    def refuse(constant):
        raise ValueError(f"{constant} is not JSON")

    return json.loads(line.decode("utf-8"), object_pairs_hook=pairs, parse_constant=refuse)


def run(*args):
    done = subprocess.run([report, *args], capture_output=True)
    return done.returncode, done.stdout, done.stderr


def objects(*paths):
    status, out, err = run("--json", *paths)
    return status, [strict(line) for line in out.splitlines(keepends=True)], err


# ---- Files made here --------------------------------------------------------

def u16(value): return struct.pack("<H", value)
def u32(value): return struct.pack("<I", value & 0xFFFFFFFF)
def chunk(ident, payload): return ident + u32(len(payload)) + payload + b"\0" * (len(payload) % 2)
def listed(kind, chunks): return chunk(b"LIST", kind + chunks)
def riff(chunks): return b"RIFF" + u32(4 + len(chunks)) + b"WAVE" + chunks


PCM = chunk(b"fmt ", u16(1) + u16(2) + u32(48000) + u32(192000) + u16(4) + u16(16))
HISTORY = "".join(f"A=PCM,F=48000,W=24,M=stereo,T=pass {n:03d}\r\n" for n in range(160))
DESCRIPTION = "Long take " * 25 + "end."
LABEL = "Verse " * 170
REGION = "Chorus " * 60
COMMENT = "Café au lait, ½ take " * 15
XML = ("<BWFXML><NOTE>" + "é" * 200 + "</NOTE>").encode() + b"\xff" + b"<END/></BWFXML>"
SCREEN = "Waveform overview " * 20


def syncsafe(value):
    return bytes([value >> 21 & 0x7F, value >> 14 & 0x7F, value >> 7 & 0x7F, value & 0x7F])


def id3_tag(version, frames):
    return b"ID3" + bytes([version, 0, 0]) + syncsafe(len(frames)) + frames


def id3_frame(ident, content, flags=0):
    return ident + syncsafe(len(content)) + struct.pack(">H", flags) + content


# An ID3v2.4 tag with a frame of each kind the JSON lists, then one that
# runs past the tag.
ID3_FRAMES = id3_tag(4, id3_frame(b"TIT2", b"\x03Title") + id3_frame(b"TPE1", b"\x00Artist")
                     + id3_frame(b"TALB", b"\x00Album") + id3_frame(b"TDRC", b"\x002024")
                     + id3_frame(b"TYER", b"\x002024") + id3_frame(b"TCON", b"\x00(13)")
                     + id3_frame(b"TRCK", b"\x003/12") + id3_frame(b"TSSE", b"\x00enc")
                     + id3_frame(b"TXXX", b"\x00key\0value") + id3_frame(b"WOAR", b"http://a")
                     + id3_frame(b"WXXX", b"\x00home\0http://b") + id3_frame(b"COMM", b"\x00engd\0t")
                     + id3_frame(b"APIC", b"\x00image/png\0\x03d\0" + bytes(300))
                     + id3_frame(b"TPE2", b"zz", 0x0008) + id3_frame(b"TPE3", b"\x01k", 0x0004)
                     + id3_frame(b"TIT3", b"\x09x") + id3_frame(b"PRIV", b"owner\0")
                     + b"TXXX" + syncsafe(999) + bytes(2))


def broadcast(description, history):
    fixed = (description.encode().ljust(256, b"\0") + b"Recorder".ljust(32, b"\0")
             + b"REF-1".ljust(32, b"\0") + b"2026-12-08" + b"10:11:12" + struct.pack("<Q", 48000)
             + u16(1) + bytes(254))
    return chunk(b"bext", fixed + history.encode())


def made_files(folder):
    """Files that hold what the kept files lack: texts longer than the text
    report shows, play lists, mext, DISP, guid, XML and binary payloads."""
    texts = riff(
        broadcast(DESCRIPTION, HISTORY) + PCM
        + listed(b"INFO", chunk(b"ICMT", COMMENT.encode("cp1252") + b"\0"))
        + chunk(b"cue ", u32(2) + u32(1) + u32(0) + b"data" + u32(0) + u32(0) + u32(0)
                + u32(2) + u32(1) + b"data" + u32(0) + u32(0) + u32(4800))
        + chunk(b"plst", u32(2) + u32(1) + u32(4800) + u32(1) + b"Outr" + u32(100) + u32(3))
        + listed(b"adtl", chunk(b"labl", u32(1) + LABEL.encode() + b"\0")
                 + chunk(b"ltxt", u32(2) + u32(4800) + b"rgn " + u16(1) + u16(9) + u16(1)
                         + u16(1252) + REGION.encode()))
        + chunk(b"mext", u16(5) + u16(417) + u16(0) + u16(5))
        + chunk(b"DISP", u32(1) + SCREEN.encode() + b"\0")
        + chunk(b"DISP", u32(8) + b"BM\x36\x00\x01\x00")
        + chunk(b"guid", bytes.fromhex("0100000000001000800000aa00389b71"))
        + chunk(b"iXML", XML) + chunk(b"bin ", b"\0\1\2\3") + chunk(b"txt0", b"abc\0\0\0")
        + chunk(b"txt1", b"abc\0x") + chunk(b"data", bytes(9600)))
    files = {"texts": texts}
    # Texts at the cap and one past it.
    cap = 1 << 20
    files["cap"] = riff(PCM + listed(b"INFO", chunk(b"ICMT", b"c" * cap)
                                     + chunk(b"IKEY", b"k" * (cap + 1))))
    files["cut"] = texts[:-4000]
    # Tag chunks, each with its typed member: one cart too short for its
    # fields, an axml cut short.
    umid = bytes.fromhex("060A2B340101010501010220") + b"\x33" + bytes(range(51))
    cart = (b"0101" + b"Title".ljust(64, b"\0") + bytes(64 * 6 + 36 + 64 * 3) + u32(32768)
            + b"AUDs" + u32(4800) + bytes(56 + 276) + b"http://x".ljust(1024, b"\0") + b"tag")
    adm = (b"<ebuCoreMain><audioFormatExtended><audioProgramme audioProgrammeName='P'/>"
           b"<audioPackFormat audioPackFormatName='S' typeLabel='0001'/></audioFormatExtended>")
    files["tags"] = riff(
        PCM + chunk(b"bext", bytes(338 + 8) + u16(1) + umid + bytes(190))
        + chunk(b"cart", cart) + chunk(b"cart", cart[:100])
        + chunk(b"acid", u32(3) + u16(48) + bytes(6) + u32(4) + u16(4) + u16(4)
                + struct.pack("<f", 120.5))
        + chunk(b"chna", u16(1) + u16(1) + u16(1) + b"ATU_00000001AT_00010001_01AP_00010001\0")
        + chunk(b"axml", adm) + chunk(b"umid", bytes(24)) + chunk(b"data", bytes(4)))
    files["id3"] = riff(PCM + chunk(b"id3 ", ID3_FRAMES) + chunk(b"ID3 ", b"TAG" + bytes(20))
                        + chunk(b"ID3 ", id3_tag(2, b"")[:5] + bytes([0x40]) + bytes(4))
                        + chunk(b"id3 ", b"ID3\x03"))
    paths = {}
    for name, data in files.items():
        paths[name] = os.path.join(folder, name + ".wav")
        with open(paths[name], "wb") as out:
            out.write(data)
    return paths


# ---- What the text report shows for each decoder's fields ---------------------

def signed(value, bits=32):
    return value - (1 << bits) if value >= 1 << (bits - 1) else value


CP1252 = {}
for byte in range(256):
    try:
        CP1252[bytes([byte]).decode("cp1252")] = byte
    except UnicodeDecodeError:
        CP1252[chr(byte)] = byte


def quoted(text, utf8=False):
    """A text as the report quotes it: its first 256 bytes, control bytes and
    bytes of 0x80 and above as a middle dot, and those at the end dropped."""
    data = text.encode() if utf8 else bytes(CP1252[c] for c in text)
    shown = "".join("·" if b < 0x20 or b >= 0x80 else chr(b) for b in data[:256])
    return '"' + shown.rstrip("·") + '"'


def item(value, form="#{}"):
    return form.format(value.get("id_text", value["id"]))


def format_lines(f):
    bits, valid = f["bits_per_sample"], f.get("valid_bits_per_sample", f["bits_per_sample"])
    lines = [f["format_name"], f"{f['channels']} channel", f"{signed(f['sample_rate'])} Hz",
             f"{signed(f['bytes_per_second'])} bytes/sec", f"{f['block_align']} bytes/frame"]
    if bits:
        lines.append(f"{bits} bit" + (" container" if valid != bits else ""))
    if "sub_format" in f:
        lines.append(f["sub_format"] + (" " + f["sub_format_name"] if "sub_format_name" in f else ""))
    return lines + [f"{n}. {name}" for n, name in enumerate(f.get("speakers", []), 1)]


def broadcast_lines(b):
    shown = b["coding_history"].encode("cp1252")[:5000 - 602].decode("cp1252")
    history = shown.split("\r\n")[:-1]  # the last one may be cut
    return [f"Description: {quoted(b['description'])}", f"Originator: {quoted(b['originator'])}",
            f"Origination date: {quoted(b['origination_date'])}",
            f"Sample count {signed(b['time_reference'], 64)} since midnight",
            f"Version {b['version']}"] + [line for line in history if line]


def sampler_lines(s):
    lines = [f"Sample period {signed(s['sample_period'])} ns ({s['sample_rate']} Hz)",
             f"MIDI root note {s['root_note']} {s['cents']:+03d} cents"]
    if s["loop_count"] < 10:
        for loop in s["loops"]:
            kind = loop.get("type_name", f"mode {signed(loop['type'])}")
            count = "infinite" if loop["play_count"] == 0 else f"{signed(loop['play_count'])} repeats"
            lines.append(f"{item(loop, 'Loop #{}')}: {signed(loop['start'])} to "
                         f"{signed(loop['end'])}.{loop['fraction'] // 42949672:02d}, {kind}, {count}")
    return lines


DECODERS = {
    "format": format_lines,
    "broadcast": broadcast_lines,
    "sampler": sampler_lines,
    "cue": lambda c: [f"{item(p)} (playlist entry {signed(p['position'])}) @ "
                      f"{signed(p['sample_offset'])} samples" for p in c["points"][:c["count"] & 127]],
    "playlist": lambda c: [f"{item(s)}: {signed(s['length'])} samples x {signed(s['repeats'])} "
                           f"repeat{'' if s['repeats'] == 1 else 's'}"
                           for s in c["segments"][:c["count"] & 127]],
    "label": lambda l: [f"{item(l)}: {quoted(l['text'])}"],
    "labelled_text": lambda l: [f"{item(l)}: {signed(l['length'])} samples as "
                                f"\"{l['purpose'].split(chr(0))[0]}\" "
                                + (quoted(l["text"]) if "text" in l else "")],
    "instrument": lambda i: [f"MIDI root note {i['unshifted_note']} {i['fine_tune']:+d} cents",
                             f"Gain {i['gain']} dB", f"Key range {i['low_note']} - {i['high_note']}",
                             f"Vel range {i['low_velocity']} - {i['high_velocity']}"],
    "peak": lambda p: [f"Version {signed(p['version'])} (timestamp {signed(p['timestamp'])})"]
    + [f"Channel {n}: {c['level_db']:.2f} dB @ {signed(c['position'])}"
       for n, c in enumerate(p["channels"], 1) if c["level_db"] is not None],
    "mpeg_extension": lambda m: [("H" if m["homogeneous"] else "Non-h") + "omogeneous sound data",
                                 f"{m['frame_size']} bytes per frame"],
    "display": lambda d: [f"{d.get('clipboard_format_name', '')}: {quoted(d['text'])}"]
    if "text" in d else [],
    "data": lambda d: [f"{d['duration_seconds']:.3f} sec duration"]
    if d["duration_seconds"] is not None and d["duration_seconds"] < 60 else [],
    "fact": lambda f: [f"{signed(f['sample_count'])} samples"],
    "ds64": lambda d: [f"RIFF length {d['riff_length']}", f"data length {d['data_length']}"],
    "guid": lambda g: [g["value"] + (" " + g["name"] if "name" in g else "")],
}
XML_CHUNKS = ("iXML", "axml", "_PMX")


def chunks_of(value):
    for each in value.get("chunks", []):
        yield each
        yield from chunks_of(each)


def compare_with_text(path, description, used):
    """The lines each decoder's fields imply are lines of the text report."""
    status, text, _ = run(path)
    lines = {line.strip("\t") for line in text.decode("utf-8").split("\n")}
    for each in chunks_of(description):
        expected = []
        if "text" in each:
            expected.append(quoted(each["text"], each["id"] in XML_CHUNKS))
        for name, lines_of in DECODERS.items():
            if name in each:
                used.add(name)
                expected += lines_of(each[name])
        for line in expected:
            check(f"{path}: chunk at {each['offset']} shows its JSON field", line in lines, line)


# ---- The checks -----------------------------------------------------------------

schema = json.load(open(os.path.join(top, "docs", "tarvo-report.schema.json")))
jsonschema.Draft202012Validator.check_schema(schema)
validator = jsonschema.Draft202012Validator(schema)
work = tempfile.mkdtemp()
made = made_files(work)
kept = [os.path.join(top, folder) for folder in ("examples", "tests/data", "tests/crashes")]

# Every object is valid, and comes in the order of the text reports: the
# files of each folder sorted by their bytes.
status, described, _ = objects(*kept, *made.values())
check("status of the kept files", status == 0, status)
expected_paths = []
for folder in kept:
    found = [os.path.join(d, f) for d, _, names in os.walk(folder) for f in names
             if f.lower().endswith((".wav", ".bwf"))]
    expected_paths += sorted(found, key=os.fsencode)
expected_paths += list(made.values())
check("one object per file, in order", [d["path"] for d in described] == expected_paths,
      [d["path"] for d in described])
for description in described:
    for error in validator.iter_errors(description):
        check(f"{description['path']} against the schema", False, error.message)

# Each decoder's fields against the text report, on every file but the
# hostile ones, whose decoders read past their chunks.
used = set()
for description in described:
    if "/tests/crashes/" not in description["path"]:
        compare_with_text(description["path"], description, used)
check("every decoder was compared", used == set(DECODERS), set(DECODERS) - used)

# Texts come back whole, read in their code page.
texts = next(d for d in described if d["path"] == made["texts"])
by_id = {}
for each in chunks_of(texts):
    by_id.setdefault(each["id"], []).append(each)
check("whole coding history", by_id["bext"][0]["broadcast"]["coding_history"] == HISTORY)
check("whole INFO text in Windows-1252", by_id["ICMT"][0].get("text") == COMMENT)
check("whole label", by_id["labl"][0]["label"]["text"] == LABEL)
check("whole labelled text", by_id["ltxt"][0]["labelled_text"]["text"] == REGION)
check("whole display text", by_id["DISP"][0]["display"].get("text") == SCREEN)
check("no text of a bitmap", "text" not in by_id["DISP"][1]["display"])
check("XML in UTF-8, a bad byte as U+FFFD",
      by_id["iXML"][0].get("text") == XML.decode("utf-8", "replace"))
check("no text of a binary payload", "text" not in by_id["bin "][0])
check("text up to its NUL", by_id["txt0"][0].get("text") == "abc")
check("text up to its NUL, whatever follows", by_id["txt1"][0].get("text") == "abc")
check("no problems in a sound file", texts["problems"] == [], texts["problems"])

capped = next(d for d in described if d["path"] == made["cap"])
info = {each["id"]: each for each in chunks_of(capped)}
check("a text of 1 MiB is whole",
      len(info["ICMT"]["text"]) == 1 << 20 and "text_truncated" not in info["ICMT"])
check("a longer one is cut at 1 MiB",
      len(info["IKEY"]["text"]) == 1 << 20 and info["IKEY"].get("text_truncated") is True)

tags = next(d for d in described if d["path"] == made["tags"])
check("tag chunks' members", [sorted(set(c) & {"umid", "cart", "acid", "chna", "adm"})
                              for c in tags["chunks"]]
      == [[], ["umid"], ["cart"], ["cart"], ["acid"], ["chna"], ["adm"], ["umid"], []],
      tags["chunks"])
check("a cart too short for its fields", [p["kind"] for p in tags["problems"]]
      == ["chunk_too_short"], tags["problems"])

cut = next(d for d in described if d["path"] == made["cut"])
check("problems of a file cut short", [(p["kind"], p.get("id")) for p in cut["problems"]]
      == [("riff_length_mismatch", None), ("chunk_past_end_of_file", "data")], cut["problems"])

tagged = next(d for d in described if d["path"] == made["id3"])
id3 = [each["id3"] for each in chunks_of(tagged) if "id3" in each]
check("what is not an ID3 tag, a compressed 2.2 tag, one cut short",
      [each.get("unread", each.get("damage")) for each in id3[1:]]
      == ["not_id3v2", "compressed_tag", "the tag header runs past the chunk at byte 4"], id3)
check("a chunk too short for an ID3 tag header",
      [p["kind"] for p in tagged["problems"]] == ["chunk_too_short"], tagged["problems"])

# A path that cannot be opened, and a name whose bytes are not UTF-8.
missing = os.path.join(work, "missing.wav")
status, found, err = objects(made["texts"], missing)
check("status with a missing file", status == 1, status)
check("error object", found[-1] == {"path": missing, "error": "No such file or directory"}, found)
check("message on standard error", b"cannot open" in err, err)
latin1 = os.path.join(os.fsencode(work), b"caf\xe9.wav")
with open(latin1, "wb") as out:
    out.write(riff(PCM))
status, found, _ = objects(os.fsdecode(latin1))
check("bytes of a name that is not UTF-8", bytes.fromhex(found[0].get("path_hex", "")) == latin1,
      found[0].get("path_hex"))
check("such a name has U+FFFD", found[0]["path"] == os.fsdecode(latin1).encode(
    "utf-8", "surrogateescape").decode("utf-8", "replace"), found[0]["path"])

# ---- Unusual and damaged chunks ---------------------------------------------------

def description_of(name, data):
    """The object of a file of data, checked against the schema, and its line."""
    path = os.path.join(work, name + ".wav")
    with open(path, "wb") as out:
        out.write(data)
    status, out, err = run("--json", path)
    check(f"{name}: status 0 and nothing on standard error", status == 0 and not err, (status, err))
    found = strict(out)
    for error in validator.iter_errors(found):
        check(f"{name} against the schema", False, error.message)
    return found, out.decode()


def float_bits(number):
    """The bytes of a number read as a float; None past the largest float."""
    try:
        return struct.pack("<f", float(number))
    except OverflowError:
        return None


def significant(text):
    """The significant digits of a number as written."""
    digits = text.lstrip("-").split("e")[0].replace(".", "")
    return digits.strip("0") or "0"


# Peak values: null when not finite; else the fewest digits that read back as
# the same float: infinities, NaN, the smallest subnormal, the largest float,
# minus zero and plain values.
PEAKS = [0x7F800000, 0xFF800000, 0x7FC00000, 0x00000001, 0x7F7FFFFF, 0x80000000, 0x3F000000,
         0x3B083772, 0x0DA24260]
peaks, line = description_of("peaks", riff(chunk(b"PEAK", u32(1) + u32(0) + b"".join(
    u32(bits) + u32(n) for n, bits in enumerate(PEAKS)))))
written = re.findall(r'"value":([^,}]*)', line)
check("a value per peak", len(written) == len(PEAKS), written)
for bits, text in zip(PEAKS, written):
    value = struct.unpack("<f", u32(bits))[0]
    if not math.isfinite(value):
        check(f"peak {bits:08X} is null", text == "null", text)
        continue
    fewest = next(p + 1 for p in range(9) if float_bits(f"{value:.{p}e}") == u32(bits))
    check(f"peak {bits:08X} reads back as the same float",
          text != "null" and float_bits(text) == u32(bits), text)
    check(f"peak {bits:08X} in {fewest} digits", len(significant(text)) == fewest, text)


def depth(value):
    """How deep objects and arrays nest: 1 for a flat object."""
    inner = value.values() if isinstance(value, dict) else value if isinstance(value, list) else []
    return 0 if not isinstance(value, (dict, list)) else 1 + max(map(depth, inner), default=0)


# LIST chunks 120 deep around a cue chunk: no object nests deeper than the
# 100 levels common JSON readers take, and the lists left out are named.
nested = chunk(b"cue ", u32(1) + u32(1) + u32(0) + b"data" + u32(0) + u32(0) + u32(0))
for _ in range(120):
    nested = listed(b"adtl", nested)
deep, _ = description_of("deep", riff(nested))
check("no object nests deeper than 100 levels", depth(deep) <= 100, depth(deep))
check("the lists left out are named", [p["kind"] for p in deep["problems"]] == ["nesting_too_deep"],
      deep["problems"])

# A chunk shorter than its decoder's fixed part, followed by a LIST: its
# JSON fields come only from its own bytes, and a problem says how many its
# fields need.
FMT = u16(1) + u16(2) + u32(48000) + u32(192000) + u16(4) + u16(16)
FMT_FIELDS = {"format_tag": 1, "format_name": "PCM format", "channels": 2, "sample_rate": 48000,
              "bytes_per_second": 192000, "block_align": 4}
SHORT = [  # identifier, payload, member, its fields, the bytes they need
    (b"inst", b"\x3c", "instrument", {}, 7),
    (b"fact", b"\x01", "fact", {}, 4),
    (b"bext", b"abcd", "broadcast", {}, 602),
    (b"fmt ", FMT[:14], "format", FMT_FIELDS, 16),
    (b"fmt ", u16(0xFFFE) + FMT[2:] + u16(22), "format",
     dict(FMT_FIELDS, format_tag=65534, format_name="Extensible format", bits_per_sample=16,
          extra_size=22), 40),
    (b"PEAK", u32(1), "peak", {}, 8),
    (b"cue ", u16(1), "cue", {}, 4),
    (b"plst", u16(1), "playlist", {}, 4),
    (b"labl", b"ab", "label", {}, 4),
    (b"ltxt", u32(1) + u32(2), "labelled_text", {}, 20),
    (b"smpl", bytes(20), "sampler", {}, 36),
    (b"mext", b"\x01\x00\x02", "mpeg_extension", {}, 8),
    (b"DISP", u16(1), "display", {}, 4),
    (b"guid", bytes(8), "guid", {}, 16),
    (b"ds64", struct.pack("<QQ", 5, 6) + u32(7), "ds64", {"riff_length": 5, "data_length": 6}, 28),
]
after = listed(b"INFO", chunk(b"ICMT", b"after"))
for ident, payload, member, fields, needed in SHORT:
    name = f"short {ident.decode().strip()} of {len(payload)} bytes"
    found, _ = description_of(name, riff(chunk(ident, payload) + after))
    check(f"{name}: fields", found["chunks"][0].get(member) == fields, found["chunks"][0])
    check(f"{name}: problem", found["problems"] == [{"kind": "chunk_too_short", "offset": 12,
          "id": ident.decode(), "declared": len(payload), "needed": needed}], found["problems"])
found, _ = description_of("short LIST", riff(chunk(b"LIST", b"ab") + chunk(b"JUNK", b"")))
check("short LIST: no type", "list_type" not in found["chunks"][0], found["chunks"][0])
check("short LIST: problem", found["problems"] == [{"kind": "chunk_too_short", "offset": 12,
      "id": "LIST", "declared": 2, "needed": 4}], found["problems"])

# Chunks that hold text by definition give it up to the first NUL, control
# bytes and all; a chunk of unknown content is text when the bytes before
# its first NUL are.
XML_TAKE = "<BWFXML><SCENE>12A</SCENE>\t\x01</BWFXML>"
TEXTS = [  # chunk, the path to its text in the chunk's object, the text
    (listed(b"INFO", chunk(b"ICMT", b"Take\x01two\0")), ("ICMT", "text"), "Take\x01two"),
    (chunk(b"iXML", XML_TAKE.encode() + b"\0" + b"\x01pad" * 50), ("iXML", "text"), XML_TAKE),
    (chunk(b"axml", b"<a>\x1b</a>"), ("axml", "text"), "<a>\x1b</a>"),
    (chunk(b"_PMX", b"<x/>\0\xff\xfe"), ("_PMX", "text"), "<x/>"),
    (listed(b"adtl", chunk(b"labl", u32(1) + b"a\tb\x02\0zz")), ("labl", "label", "text"), "a\tb\x02"),
    (chunk(b"abcd", b"abc\0x"), ("abcd", "text"), "abc"),
    (chunk(b"abcd", b"a\x01b"), ("abcd", "text"), None),
]
for data, (ident, *keys), text in TEXTS:
    found, _ = description_of("text of " + ident, riff(data))
    held = next(c for c in chunks_of(found) if c["id"] == ident)
    for key in keys[:-1]:
        held = held[key]
    check(f"text of {ident} {data[-12:]!r}", held.get(keys[-1]) == text, held)

shutil.rmtree(work)
for failure in failures:
    print("FAILED", failure)
print(f"{len(described)} objects checked, {len(failures)} failures")
sys.exit(1 if failures else 0)
