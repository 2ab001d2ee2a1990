#!/usr/bin/env python3
"""Makes the sample WAV files of this folder. Run it from anywhere; it
writes next to itself. The files are deterministic: the same bytes every run."""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def chunk(ident, payload):
    data = ident.encode("latin-1") + struct.pack("<I", len(payload)) + payload
    return data + (b"\0" if len(payload) % 2 else b"")


def riff(chunks, length=None):
    body = b"WAVE" + b"".join(chunks)
    return b"RIFF" + struct.pack("<I", len(body) if length is None else length) + body


def info(items):
    return chunk("LIST", b"INFO" + b"".join(chunk(k, v.encode("latin-1") + b"\0")
                                           for k, v in items))


def pcm_format(channels, rate, bits):
    block = channels * bits // 8
    return chunk("fmt ", struct.pack("<HHIIHH", 1, channels, rate, rate * block, block, bits))


def sine(channels, rate, seconds, frequency=440.0):
    frames = int(rate * seconds)
    out = bytearray()
    for n in range(frames):
        value = int(12000 * math.sin(2 * math.pi * frequency * n / rate))
        out += struct.pack("<h", value) * channels
    return bytes(out)


def bext(description, originator, reference, date, time, samples, history):
    fixed = (description.encode().ljust(256, b"\0") + originator.encode().ljust(32, b"\0")
             + reference.encode().ljust(32, b"\0") + date.encode().ljust(10, b"\0")
             + time.encode().ljust(8, b"\0") + struct.pack("<QH", samples, 1)
             + bytes(64) + bytes(190))
    return chunk("bext", fixed + history.encode())


def cue(points):
    payload = struct.pack("<I", len(points))
    for ident, offset in points:
        payload += struct.pack("<II4sIII", ident, ident - 1, b"data", 0, 0, offset)
    return chunk("cue ", payload)


def labels(items):
    body = b"adtl"
    for kind, ident, text, extra in items:
        if kind == "ltxt":
            body += chunk("ltxt", struct.pack("<II4sHHHH", ident, extra, b"rgn ", 0, 0, 0, 0)
                          + text.encode() + b"\0")
        else:
            body += chunk(kind, struct.pack("<I", ident) + text.encode() + b"\0")
    return chunk("LIST", body)


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as out:
        out.write(data)


def main():
    tone = sine(2, 44100, 0.05)
    history = ("A=PCM,F=48000,W=24,M=stereo,T=field recorder\r\n"
               "A=PCM,F=44100,W=16,M=stereo,T=sample rate converter\r\n"
               "A=PCM,F=44100,W=16,M=stereo,T=editor; trimmed\r\n")

    write("pcm-16bit-stereo-44k.wav", riff([pcm_format(2, 44100, 16), chunk("data", tone)]))

    write("info-list.wav", riff([
        pcm_format(2, 44100, 16),
        info([("INAM", "Harbour at dawn"), ("IART", "Field unit 3"),
              ("ICRD", "2026-11-30"), ("ISFT", "make-examples.py"),
              ("ICMT", "Gulls, distant engine, light rain")]),
        chunk("data", tone)]))

    # Odd-sized chunks with their pad bytes, and a RIFF length 100 bytes too large.
    odd = [pcm_format(1, 22050, 16), chunk("ICMT", b"odd"), chunk("JUNK", b"12345"),
           chunk("data", sine(1, 22050, 0.01)), chunk("ISFT", b"x")]
    good = riff(odd)
    write("damaged-odd-chunks.wav", riff(odd, length=len(good) - 8 + 100))

    write("broadcast-coding-history.wav", riff([
        bext("Interview, second take", "Field unit 3", "FU3-20261130-0002",
             "2026-11-30", "06:12:44", 1073741824 + 158760000, history),
        pcm_format(2, 44100, 16), chunk("data", tone)]))

    write("cue-points-labels.wav", riff([
        pcm_format(2, 44100, 16), chunk("data", tone),
        cue([(1, 0), (2, 1100), (3, 2000)]),
        labels([("labl", 1, "Intro", 0), ("labl", 2, "Verse", 0),
                ("note", 2, "check levels here", 0), ("ltxt", 3, "Chorus", 205)])]))

    smpl = struct.pack("<IIIiIiIII", 0x01000047, 0x5A, 22675, 60, 0x80000000, 25,
                       0x02030405, 2, 3)
    smpl += struct.pack("<IiiiIi", 0, 0, 0, 1000, 0, 0)
    smpl += struct.pack("<IiiiIi", 1, 1, 100, 200, 0x80000000, 3)
    smpl += bytes([0x01, 0xAB, 0xFF])
    write("sampler-loops.wav", riff([
        pcm_format(1, 44100, 16), chunk("smpl", smpl),
        chunk("inst", bytes([0x3C, 0xFB, 0x00, 0x00, 0x7F, 0x01, 0x7F])),
        chunk("data", sine(1, 44100, 0.02))]))

    write("production-metadata.wav", riff([
        bext("Dialogue pickup, scene 12", "Field unit 3", "FU3-20261130-0007",
             "2026-11-30", "14:03:10", 635040000, history),
        pcm_format(2, 48000, 16),
        info([("INAM", "Scene 12 pickup"), ("IENG", "J. Doe")]),
        cue([(1, 0), (2, 1200)]),
        labels([("labl", 1, "Line 1", 0), ("labl", 2, "Line 2 (alt)", 0)]),
        chunk("data", sine(2, 48000, 0.05))]))

    # A field recorder's take: its iXML names the scene, take and tracks (in
    # any script: the chunk is UTF-8) and starts at 13:36:06:04 at 25 fps.
    ixml = """<?xml version="1.0" encoding="UTF-8"?>
<BWFXML>
  <IXML_VERSION>1.61</IXML_VERSION>
  <PROJECT>Harbour Lights</PROJECT>
  <SCENE>12A</SCENE>
  <TAKE>3</TAKE>
  <TAPE>D014</TAPE>
  <CIRCLED>TRUE</CIRCLED>
  <NOTE>Boom off mic on the last line</NOTE>
  <SPEED>
    <TIMECODE_RATE>25/1</TIMECODE_RATE>
    <TIMECODE_FLAG>NDF</TIMECODE_FLAG>
    <FILE_SAMPLE_RATE>48000</FILE_SAMPLE_RATE>
    <AUDIO_BIT_DEPTH>16</AUDIO_BIT_DEPTH>
    <TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_HI>0</TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_HI>
    <TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_LO>2350375830</TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_LO>
    <TIMESTAMP_SAMPLE_RATE>48000</TIMESTAMP_SAMPLE_RATE>
  </SPEED>
  <TRACK_LIST>
    <TRACK_COUNT>2</TRACK_COUNT>
    <TRACK>
      <CHANNEL_INDEX>1</CHANNEL_INDEX>
      <INTERLEAVE_INDEX>1</INTERLEAVE_INDEX>
      <NAME>Boom</NAME>
    </TRACK>
    <TRACK>
      <CHANNEL_INDEX>2</CHANNEL_INDEX>
      <INTERLEAVE_INDEX>2</INTERLEAVE_INDEX>
      <NAME>\u00c9lodie \u0440\u0430\u0434\u0438\u043e</NAME>
    </TRACK>
  </TRACK_LIST>
  <HISTORY>
    <ORIGINAL_FILENAME>12A-T03.WAV</ORIGINAL_FILENAME>
  </HISTORY>
</BWFXML>
"""
    write("production-sound-ixml.wav", riff([
        pcm_format(2, 48000, 16), chunk("iXML", ixml.encode("utf-8")),
        chunk("data", sine(2, 48000, 0.05))]))

    # What players, loop libraries and radio automation add: an ID3 tag
    # (a UTF-16 title, a Latin-1 artist, a picture), acid loop data at
    # 120.5 bpm, a cart with a post timer, an editor's umid and XMP packet.
    def id3_frame(ident, body):
        return ident.encode("ascii") + struct.pack(">I", len(body)) + b"\0\0" + body
    frames = (id3_frame("TIT2", b"\x01" + "Harbour Theme".encode("utf-16"))
              + id3_frame("TPE1", b"\x00" + "Caf\u00e9 Quartet".encode("latin-1"))
              + id3_frame("TRCK", b"\x003/12")
              + id3_frame("APIC", b"\x00image/png\0\x03Front\0" + bytes(64)))
    size = len(frames)
    syncsafe = bytes([(size >> 21) & 127, (size >> 14) & 127, (size >> 7) & 127, size & 127])
    id3 = b"ID3\x03\x00\x00" + syncsafe + frames
    acid = struct.pack("<IHHfIHHf", 0x02, 60, 0x8000, 0.0, 8, 4, 4, 120.5)
    cart = (b"0101" + b"Harbour Theme".ljust(64, b"\0") + b"Caf\xe9 Quartet".ljust(64, b"\0")
            + b"HT-001".ljust(64, b"\0") + bytes(64 * 4) + b"2026-12-01" + b"00:00:00"
            + b"2026-12-31" + b"23:59:59" + b"Playout".ljust(64, b"\0")
            + b"2.1".ljust(64, b"\0") + bytes(64) + struct.pack("<i", 32768)
            + b"INTs" + struct.pack("<I", 96000) + bytes(56) + bytes(276)
            + b"http://example.org/ht".ljust(1024, b"\0") + b"Station ID after intro")
    xmp = ("<?xpacket begin=\"\ufeff\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>"
           "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
           "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
           "<rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
           "xmlns:xmpDM=\"http://ns.adobe.com/xmp/1.0/DynamicMedia/\" xmpDM:scene=\"4\" "
           "xmpDM:good=\"True\"><dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">Harbour "
           "Theme</rdf:li></rdf:Alt></dc:title></rdf:Description></rdf:RDF></x:xmpmeta>"
           "<?xpacket end=\"w\"?>")
    write("music-loop-tags.wav", riff([
        pcm_format(2, 44100, 16), chunk("data", sine(2, 44100, 0.02)), chunk("id3 ", id3),
        chunk("acid", acid), chunk("cart", cart), chunk("umid", bytes(range(24))),
        chunk("_PMX", xmp.encode("utf-8"))]))

    # An immersive master's audio definition: chna ties two tracks to their
    # formats, axml names the programme, its objects and pack formats.
    def chna_entry(track, uid, track_format, pack):
        return struct.pack("<H", track) + uid + track_format + pack + b"\0"
    chna = struct.pack("<HH", 2, 2) + b"".join([
        chna_entry(1, b"ATU_00000001", b"AT_00010001_01", b"AP_00010002"),
        chna_entry(2, b"ATU_00000002", b"AT_00010002_01", b"AP_00010002")])
    axml = """<?xml version="1.0" encoding="UTF-8"?>
<ebuCoreMain xmlns="urn:ebu:metadata-schema:ebuCore_2016"><coreMetadata><format>
<audioFormatExtended>
  <audioProgramme audioProgrammeID="APR_1001" audioProgrammeName="Harbour Lights (main)"/>
  <audioContent audioContentID="ACO_1001" audioContentName="Dialogue"/>
  <audioObject audioObjectID="AO_1001" audioObjectName="Boom"/>
  <audioObject audioObjectID="AO_1002" audioObjectName="Lav"/>
  <audioPackFormat audioPackFormatID="AP_00010002" audioPackFormatName="Stereo"
    typeLabel="0001" typeDefinition="DirectSpeakers"/>
  <audioChannelFormat audioChannelFormatID="AC_00010001" audioChannelFormatName="Left"/>
  <audioChannelFormat audioChannelFormatID="AC_00010002" audioChannelFormatName="Right"/>
</audioFormatExtended></format></coreMetadata></ebuCoreMain>
"""
    write("immersive-adm.wav", riff([
        pcm_format(2, 48000, 24), chunk("chna", chna), chunk("axml", axml.encode("utf-8")),
        chunk("data", bytes(48))]))


if __name__ == "__main__":
    main()
