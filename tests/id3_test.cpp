// ID3v2 tags in id3 and ID3 chunks: the section of the Tags report that
// each tag gives, and its JSON member.
#include "decoder_cases.h"

namespace {

std::string Be16(unsigned value) { return {char(value >> 8 & 0xFF), char(value & 0xFF)}; }
std::string Be32(std::uint32_t value) { return Be16(value >> 16) + Be16(value & 0xFFFF); }
std::string Syncsafe(std::uint32_t value) {
  return {char(value >> 21 & 0x7F), char(value >> 14 & 0x7F), char(value >> 7 & 0x7F),
          char(value & 0x7F)};
}

// A frame of a tag of the given major version: its identifier, its size
// (24 bits in 2.2, 32 in 2.3, syncsafe in 2.4), its flags, its content.
std::string Frame(int version, const std::string& id, const std::string& content,
                  unsigned flags = 0) {
  auto size = static_cast<std::uint32_t>(content.size());
  if (version == 2) return id + Be32(size).substr(1) + content;
  return id + (version == 3 ? Be32(size) : Syncsafe(size)) + Be16(flags) + content;
}
// A 2.4 frame with a plain 32-bit size, as some writers give it.
std::string PlainFrame(const std::string& id, const std::string& content) {
  return id + Be32(static_cast<std::uint32_t>(content.size())) + Be16(0) + content;
}
// A tag: header (its size syncsafe), then frames and padding.
std::string Tag(int version, const std::string& frames, unsigned flags = 0) {
  return "ID3" + std::string{char(version), '\0', char(flags)} +
         Syncsafe(static_cast<std::uint32_t>(frames.size())) + frames;
}
// Unsynchronisation as a writer applies it: a NUL after each 0xFF that is
// followed by 0xE0 or more, or by a NUL.
std::string Unsynchronised(const std::string& bytes) {
  std::string stored;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    stored += bytes[i];
    if (bytes[i] == '\xFF' && i + 1 < bytes.size() &&
        (static_cast<unsigned char>(bytes[i + 1]) >= 0xE0 || bytes[i + 1] == '\0'))
      stored += '\0';
  }
  return stored;
}
std::string Utf16(const std::u16string& text, bool bigEndian = false) {
  std::string bytes;
  for (char16_t unit : text)
    bytes += bigEndian ? Be16(unit) : std::string{char(unit & 0xFF), char(unit >> 8)};
  return bytes;
}
// Text frame contents: the encoding byte, then the text.
std::string Latin1(const std::string& text) { return '\0' + text; }
std::string Utf8(const std::string& text) { return '\3' + text; }
const std::string LittleEndianMark = "\xFF\xFE", BigEndianMark = "\xFE\xFF";

// The Tags report of a file of one chunk: an empty line, then lines.
std::string Section(std::initializer_list<std::string> lines) {
  std::string text = "\n";
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

struct Id3Case {
  const char* name;
  std::string chunk;  // the payload of an id3 or ID3 chunk
  std::string tags;
};

void CheckTags(const std::vector<Id3Case>& cases) {
  ReportFixture file;
  bool lowerCase = false;
  for (const Id3Case& c : cases) {
    SCOPED_TRACE(c.name);
    lowerCase = !lowerCase;  // both identifiers, in turn
    file.Write(Riff(PcmFormat(2, 44100, 16) + Chunk(lowerCase ? "id3 " : "ID3 ", c.chunk)));
    std::string json;
    EXPECT_EQ(file.Tags(&json), c.tags);
    EXPECT_EQ(JsonCheck::Line(json), "") << json;
  }
}

// The member "id3" of a JSON description, whole.
std::string Id3Member(const std::string& json) {
  std::size_t start = json.find("\"id3\":{");
  if (start == std::string::npos) return "no id3 member";
  std::size_t at = start + 6;
  for (int depth = 0; at < json.size(); ++at) {
    if (json[at] == '"')
      for (++at; json[at] != '"'; ++at) at += json[at] == '\\';
    else if (json[at] == '{' || json[at] == '[')
      ++depth;
    else if ((json[at] == '}' || json[at] == ']') && --depth == 0)
      break;
  }
  return json.substr(start, at + 1 - start);
}

const std::string Picture24 =
    Frame(4, "APIC", "\x00image/jpeg\x00\x03"s + "Front\0"s + Fill(200, '\xFF'));

TEST(Id3Tag, FramesOfEachVersion) {
  CheckTags({
      {"Version23Utf16TitleLatin1Artist",
       Tag(3, Frame(3, "TIT2", "\x01" + LittleEndianMark + Utf16(u"Über alles") + "\0\0"s) +
                  Frame(3, "TPE1", Latin1("Caf\xE9 Quartet\0"s)) +
                  Frame(3, "TALB", "\x01" + BigEndianMark + Utf16(u"Live", true)) +
                  Frame(3, "TYER", Latin1("1998"s)) + Frame(3, "TRCK", Latin1("3/12"s)) +
                  Frame(3, "COMM", Latin1("eng\0Recorded in one take"s)) +
                  Frame(3, "TSSE", Latin1("Encoder 3.99\0ignored"s)) + Fill(32)),
       Section({"ID3v2.3", "  Title:            Über alles", "  Artist:           Café Quartet",
                "  Album:            Live", "  Year:             1998", "  Track:            3/12",
                "  Comment:          (eng) Recorded in one take",
                "  TSSE:             Encoder 3.99"})},
      // Several texts in one frame; a picture longer than 127 bytes, whose
      // plain size reading would run past the tag.
      {"Version24Utf8SyncsafeSizesAndPicture",
       Tag(4, Frame(4, "TIT2", "\x03T\xC3\xADtulo\0Second\0"s) + Picture24 +
                  Frame(4, "TCON", "\x03(13)"s) + Frame(4, "TDRC", Utf8("2024-05-01"s))),
       Section({"ID3v2.4", "  Title:            Título / Second", "  Date:             2024-05-01",
                "  Genre:            (13)",
                "  Picture:          Cover (front) (type 3), image/jpeg, 200 bytes, \"Front\""})},
      {"Version22ThreeLetterFrames",
       Tag(2, Frame(2, "TT2", "\x00Song"s) +
                  Frame(2, "TP1", "\x01" + LittleEndianMark + Utf16(u"Ünit")) +
                  Frame(2, "TAL", Latin1("Album"s)) + Frame(2, "TYE", Latin1("1987"s)) +
                  Frame(2, "TCO", Latin1("(17)Rock"s)) + Frame(2, "TRK", Latin1("7"s)) +
                  Frame(2, "COM", Latin1("deuNote\0Gut"s)) +
                  Frame(2, "TXX", Latin1("MOOD\0calm"s)) +
                  Frame(2, "WXX", Latin1("\0http://example.org/a"s)) +
                  Frame(2, "PIC", "\0PNG\4back\0"s + Fill(30, 'p')) + Fill(6)),
       Section({"ID3v2.2", "  Title:            Song", "  Artist:           Ünit",
                "  Album:            Album", "  Year:             1987",
                "  Genre:            (17)Rock", "  Track:            7",
                "  Comment:          (deu) Note: Gut", "  TXX:              MOOD: calm",
                "  WXX:              http://example.org/a",
                "  Picture:          Cover (back) (type 4), PNG, 30 bytes, \"back\""})},
      {"PictureDescriptionLongerThanItsFirstRead",
       Tag(3,
           Frame(3, "APIC", "\x00image/jpeg\0\x08"s + std::string(600, 'd') + "\0"s + Fill(1000))),
       Section(
           {"ID3v2.3", "  Picture:          Artist/performer (type 8), image/jpeg, 1000 bytes, \"" +
                           std::string(600, 'd') + "\""})},
      // The second title, an empty frame and a URL frame follow the named
      // ones in file order.
      {"OtherFramesInFileOrder",
       Tag(3,
           Frame(3, "TIT2", "\x00"s) + Frame(3, "WOAR", "http://example.org/artist\0junk"s) +
               Frame(3, "TIT2", "\x00Take two"s) + Frame(3, "TIT2", "\x00Take three"s) +
               Frame(3, "PRIV", "owner\0data"s) + Frame(3, "TIT3", "\7bytes"s) +
               Frame(3, "APIC", "\x00image/png\0\x21\0"s + Fill(5)) +
               Frame(3, "WXXX",
                     "\x01" + LittleEndianMark + Utf16(u"Shop") + "\0\0http://example.org/buy"s)),
       Section({"ID3v2.3", "  Title:            Take two",
                "  WOAR:             http://example.org/artist", "  TIT2:             Take three",
                "  PRIV:             10 bytes, not shown",
                "  TIT3:             text in unknown encoding 7, not read",
                "  Picture:          type 33, image/png, 5 bytes",
                "  WXXX:             Shop: http://example.org/buy"})},
  });
}

TEST(Id3Tag, TextEncodings) {
  auto title = [](const std::string& content) { return Tag(4, Frame(4, "TIT2", content)); };
  CheckTags({
      {"Latin1", title("\x00\xC0 la carte"s),
       Section({"ID3v2.4", "  Title:            À la carte"})},
      {"Utf16BigEndianMarkThenNone",
       title("\x01" + BigEndianMark + Utf16(u"One", true) + "\0\0"s + Utf16(u"Two", true)),
       Section({"ID3v2.4", "  Title:            One / Two"})},
      {"Utf16BigEndianWithoutMark", title("\x02" + Utf16(u"Ça va", true)),
       Section({"ID3v2.4", "  Title:            Ça va"})},
      {"Utf8MarkDropped", title(Utf8("\xEF\xBB\xBF"s + "caf\xC3\xA9 \xFF!")),
       Section({"ID3v2.4", "  Title:            café \uFFFD!"})},
      // A pair of surrogates, a high one without its low one, a low one
      // alone, then an odd byte that is dropped.
      {"Utf16SurrogatesAndOddLength",
       title("\x01" + LittleEndianMark + Utf16(u"Hi \U0001F3B5 ") +
             Utf16(std::u16string(1, 0xD800)) + Utf16(u"x") + Utf16(std::u16string(1, 0xDC00)) +
             "!"),
       Section({"ID3v2.4", "  Title:            Hi \U0001F3B5 \uFFFDx\uFFFD"})},
      {"Utf16EndingInAHighSurrogate",
       title("\x01" + LittleEndianMark + Utf16(u"End") + Utf16(std::u16string(1, 0xDBFF))),
       Section({"ID3v2.4", "  Title:            End\uFFFD"})},
  });
}

TEST(Id3Tag, SizesFlagsAndUnsynchronisation) {
  const std::string longTitle(255, 'a'), title127(127, 't');
  CheckTags({
      // The syncsafe reading of 256 (00 00 01 00) is 128, which ends the
      // title amid its text; the plain reading ends it at the padding.
      {"Version24PlainSizesReadByTheFallback",
       Tag(4,
           PlainFrame("TPE1", Latin1("Band"s)) + PlainFrame("TIT2", Latin1(longTitle)) + Fill(10)),
       Section({"ID3v2.4", "  Title:            " + longTitle, "  Artist:           Band"})},
      // Both readings of the title's size end at a frame: syncsafe wins.
      {"Version24SyncsafeWinsWhereBothReadingsFit",
       Tag(4, Frame(4, "TIT2", Latin1(title127)) + Frame(4, "TPE1", Latin1(std::string(117, 'b'))) +
                  Frame(4, "TALB", Latin1("Third"s))),
       Section({"ID3v2.4", "  Title:            " + title127,
                "  Artist:           " + std::string(117, 'b'), "  Album:            Third"})},
      // A size of 200 (00 00 00 C8) is not syncsafe; read as one, 72, it
      // would end the title where "ABCD" looks like a frame.
      {"Version24SizeNotSyncsafeIsPlain",
       Tag(4, PlainFrame("TIT2", Latin1(std::string(71, 'c') + "ABCD" + std::string(124, 'c'))) +
                  Frame(4, "TPE1", Latin1("Band"s))),
       Section({"ID3v2.4",
                "  Title:            " + std::string(71, 'c') + "ABCD" + std::string(124, 'c'),
                "  Artist:           Band"})},
      // The whole tag unsynchronised: the title's size, 0x1FF, holds 0xFF
      // followed by a NUL, and its text 0xFF 0xE9.
      {"Version23TagUnsynchronised",
       Tag(3,
           Unsynchronised(Frame(3, "TIT2", Latin1(std::string(507, 'u') + "\xFF\xE9!")) +
                          Frame(3, "TPE1", "\x00\xFF"s) + Frame(3, "TALB", Latin1("After"s))),
           0x80),
       Section({"ID3v2.3", "  Title:            " + std::string(507, 'u') + "ÿé!",
                "  Artist:           ÿ", "  Album:            After"})},
      // Frames unsynchronised one by one; one also has a group's number and
      // its length before unsynchronisation.
      {"Version24FramesUnsynchronised",
       Tag(4, Frame(4, "TIT2", Unsynchronised("\x00\xFF\xE9\xFF"s), 0x0002) +
                  Frame(4, "TPE1", "\x07" + Syncsafe(5) + Unsynchronised("\0\xFF\0\xFF"s + "A"),
                        0x0043) +
                  Frame(4, "APIC",
                        "\x07" + Syncsafe(17) +
                            Unsynchronised("\x00image/gif\0\x00\0\xFF\xE0\xFF\xFF"s),
                        0x0043) +
                  Frame(4, "TALB", Latin1("After"s)) +
                  Frame(4, "APIC", Unsynchronised("\0image/png\0\2\xFF\0abcdef"s), 0x0002)),
       Section({"ID3v2.4", "  Title:            ÿéÿ", "  Artist:           ÿ / ÿA",
                "  Album:            After",
                "  Picture:          Other (type 0), image/gif, 4 bytes",
                "  Picture:          Other file icon (type 2), image/png, 6 bytes, \"ÿ\""})},
      {"CompressedAndEncryptedFramesSkipped",
       Tag(3, Frame(3, "TALB", Be32(100) + "zlib data", 0x0080) +
                  Frame(3, "TIT2", "\1secret", 0x0040) + Frame(3, "TIT2", "\x05\x00Open"s, 0x0020)),
       Section({"ID3v2.3", "  Title:            Open",
                "  TALB:             compressed, not read (13 bytes)",
                "  TIT2:             encrypted, not read (7 bytes)"})},
      {"Version24CompressedEncryptedAndGrouped",
       Tag(4, Frame(4, "TPE1", Syncsafe(40) + "zlib", 0x0009) +
                  Frame(4, "TIT2", "\x80"s + "key", 0x0004) +
                  Frame(4, "TALB", "\5"s + Latin1("Grouped"), 0x0040)),
       Section({"ID3v2.4", "  Album:            Grouped",
                "  TPE1:             compressed, not read (8 bytes)",
                "  TIT2:             encrypted, not read (4 bytes)"})},
      {"Version23ExtendedHeaderSkipped",
       Tag(3, Be32(6) + Fill(6) + Frame(3, "TIT2", Latin1("After extended"s)), 0x40),
       Section({"ID3v2.3", "  Title:            After extended"})},
      {"Version24ExtendedHeaderCountsItself",
       Tag(4, Syncsafe(6) + "\x01\x00"s + Frame(4, "TIT2", Latin1("After extended"s)), 0x40),
       Section({"ID3v2.4", "  Title:            After extended"})},
  });
}

TEST(Id3Tag, DamageAndHostileTags) {
  const std::string title = Frame(3, "TIT2", "\x00Kept"s);  // 15 bytes
  std::string manyEmpty;
  for (int i = 0; i < 1001; ++i) manyEmpty += Frame(3, "TIT3", "");
  CheckTags({
      {"FrameRunsPastTheTag", Tag(3, title + "TXXX" + Be32(100) + Be16(0) + "\0desc\0value"s),
       Section({"ID3v2.3", "  Title:            Kept",
                "  Damaged: frame TXXX at byte 25 runs past the tag"})},
      {"FrameHeaderRunsPastTheTag", Tag(3, title + "TPE1\0\0"s),
       Section({"ID3v2.3", "  Title:            Kept",
                "  Damaged: the frame header at byte 25 runs past the tag"})},
      {"NeitherFrameNorPadding", Tag(3, title + "tpe1 and more"),
       Section({"ID3v2.3", "  Title:            Kept",
                "  Damaged: neither a frame nor padding at byte 25"})},
      {"SizeOfAllOnesRunsPastTheChunk", "ID3\x03\0\0\xFF\xFF\xFF\xFF"s + title + Fill(10),
       Section({"ID3v2.3", "  Title:            Kept",
                "  Damaged: the tag's 268435465 bytes run past the chunk at byte 35"})},
      {"PictureOf100MegabytesInASmallChunk",
       "ID3\x04\0\0"s + Syncsafe(200u << 20) + "APIC" + Syncsafe(100u << 20) + Be16(0) +
           "\x00image/jpeg\0\x03\0"s + Fill(64, '\xFF'),
       Section({"ID3v2.4", "  Damaged: frame APIC at byte 10 runs past the chunk"})},
      {"FramesBeyondTheCap", Tag(3, manyEmpty + Frame(3, "TIT2", "\x00Late"s)),
       Section({"ID3v2.3", "  Only the first 1000 frames were read"})},
      {"ExtendedHeaderRunsPastTheTag", Tag(3, Be32(60) + Fill(6), 0x40),
       Section({"ID3v2.3", "  Damaged: the extended header at byte 10 runs past the tag"})},
      {"ExtendedHeaderTooSmall", Tag(4, Syncsafe(2) + title, 0x40),
       Section({"ID3v2.4",
                "  Damaged: the extended header at byte 10 gives its size as 2 bytes, fewer than "
                "its own 6"})},
      {"HeaderCutByTheChunk", "ID3\x03\x00"s,
       Section({"ID3v2.3", "  Damaged: the tag header runs past the chunk at byte 5"})},
      {"NotAnId3Tag", "TAG" + Fill(125, 'x'), Section({"ID3", "  Not an ID3v2 tag"})},
      {"UnknownVersion", Tag(5, title), Section({"ID3v2.5", "  Not read: version 2.5 is unknown"})},
      {"Version22CompressedTag", Tag(2, Frame(2, "TT2", "\x00Song"s), 0x40),
       Section({"ID3v2.2", "  Not read: the whole tag is compressed"})},
  });
}

TEST(Id3Tag, JsonMember) {
  ReportFixture file;
  std::string json;
  file.Write(Riff(Chunk("id3 ", Tag(4, Frame(4, "TIT2", "\x03Song\0Two"s) + Picture24 +
                                           Frame(4, "COMM", Latin1("engDesc\0Text"s)) +
                                           Frame(4, "TXXX", Latin1("key\0v1\0v2"s)) +
                                           Frame(4, "TPE1", "zz", 0x0008) + "TIT3\0"s))));
  file.Tags(&json);
  EXPECT_EQ(Id3Member(json),
            "\"id3\":{\"major_version\":4,\"revision\":0,\"title\":\"Song / Two\",\"frames\":["
            "{\"id\":\"APIC\",\"mime_type\":\"image/jpeg\",\"picture_type\":3,"
            "\"picture_type_name\":\"Cover (front)\",\"description\":\"Front\",\"size\":200},"
            "{\"id\":\"COMM\",\"language\":\"eng\",\"description\":\"Desc\",\"text\":\"Text\"},"
            "{\"id\":\"TXXX\",\"description\":\"key\",\"text\":\"v1 / v2\"},"
            "{\"id\":\"TPE1\",\"compressed\":true,\"size\":2}],"
            "\"damage\":\"the frame header at byte 313 runs past the tag\",\"damage_offset\":313}");

  file.Write(Riff(Chunk("ID3 ", "ID3\x02"s)));
  file.Tags(&json);
  EXPECT_EQ(Id3Member(json),
            "\"id3\":{\"major_version\":2,"
            "\"damage\":\"the tag header runs past the chunk at byte 4\",\"damage_offset\":4}");
  EXPECT_NE(
      json.find("\"problems\":[{\"kind\":\"chunk_too_short\",\"offset\":12,\"id\":\"ID3 \"}]"),
      std::string::npos)
      << json;
}

}  // namespace
