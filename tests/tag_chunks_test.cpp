// The Tags report of tag chunks: each case is the chunks of a file after a
// 48 kHz format chunk, its whole Tags report, and a part of its JSON
// description where that matters.
#include "decoder_cases.h"

namespace {

struct TagCase {
  const char* name;
  std::string chunks;
  std::string tags;
  std::string json = "";
};

// Checks the Tags report of each case, built with and without the JSON
// description, and that the description is valid and holds the case's part.
void CheckTags(const std::vector<TagCase>& cases) {
  ReportFixture file;
  for (const TagCase& c : cases) {
    SCOPED_TRACE(c.name);
    file.Write(Riff(PcmFormat(2, 48000, 16) + c.chunks));
    std::string json;
    EXPECT_EQ(file.Tags(&json), c.tags);
    EXPECT_EQ(file.Tags(), c.tags) << "without the JSON description";
    EXPECT_EQ(JsonCheck::Line(json), "") << json;
    if (!c.json.empty()) {
      EXPECT_NE(json.find(c.json), std::string::npos) << json;
    }
  }
}

std::string PostTimer(const std::string& usage, std::uint32_t samples) {
  return Text(usage, 4) + U32(samples);
}

// The cart's 2048 fixed bytes, then the tag text.
std::string Cart(const std::string& cutId, const std::string& timers, const std::string& tagText) {
  return Text("0101", 4) + Text("Morning News", 64) + Text("Zo\xC3\xAB", 64) + Text(cutId, 64) +
         Text("Client 7", 64) + Text("NEWS", 64) + Text("Caf\xE9", 64) + Text("ends cold", 64) +
         "2024-01-0206:00:002024-12-3123:59:59" + Text("Playout", 64) + Text("2.1", 64) +
         Text("user def", 64) + U32(32768) + Text(timers, 64) + Fill(276) +
         Text("http://example.com/cut", 1024) + tagText;
}

TEST(TagChunks, Cart) {
  const std::string cut64 = Fill(64, 'C');
  const std::string timers =
      PostTimer("AUDs", 12000) + Fill(8 * 6) + PostTimer("AUDe", 1441234);
  const std::string text70000 = Fill(70000, 'x');
  CheckTags({
      {"EveryFieldAndTwoPostTimers", Chunk("cart", Cart(cut64, timers, "Traffic note\r\n")),
       "\ncart\n"
       "  Version:          0101\n"
       "  Title:            Morning News\n"
       "  Artist:           Zo\xC3\xAB\n"
       "  Cut ID:           " + cut64 + "\n"
       "  Client ID:        Client 7\n"
       "  Category:         NEWS\n"
       "  Classification:   Caf\xC3\xA9\n"
       "  Out cue:          ends cold\n"
       "  Start:            2024-01-02 06:00:00\n"
       "  End:              2024-12-31 23:59:59\n"
       "  Producer:         Playout 2.1\n"
       "  User definition:  user def\n"
       "  Level reference:  32768\n"
       "  Post timer AUDs:  12000 samples (00:00:00.250)\n"
       "  Post timer AUDe:  1441234 samples (00:00:30.025)\n"
       "  URL:              http://example.com/cut\n"
       "  Tag text:         Traffic note\n",
       "\"cart\":{\"version\":\"0101\",\"title\":\"Morning News\",\"artist\":\"Zo\xC3\xAB\","
       "\"cut_id\":\"" + cut64 + "\",\"client_id\":\"Client 7\",\"category\":\"NEWS\","
       "\"classification\":\"Caf\xC3\xA9\",\"out_cue\":\"ends cold\",\"start_date\":\"2024-01-02\","
       "\"start_time\":\"06:00:00\",\"end_date\":\"2024-12-31\",\"end_time\":\"23:59:59\","
       "\"producer_app_id\":\"Playout\",\"producer_app_version\":\"2.1\","
       "\"user_definition\":\"user def\",\"level_reference\":32768,\"post_timers\":["
       "{\"usage\":\"AUDs\",\"samples\":12000,\"time\":\"00:00:00.250\"},"
       "{\"usage\":\"AUDe\",\"samples\":1441234,\"time\":\"00:00:30.025\"}],"
       "\"url\":\"http://example.com/cut\",\"tag_text\":\"Traffic note\"}"},
      {"TagTextReadTo64KiB", Chunk("cart", Fill(2048) + text70000),
       "\ncart\n"
       "  Level reference:  0\n"
       "  Tag text:         " + text70000.substr(0, 65536) + "\n"
       "  Only the first 65536 of 70000 bytes of tag text were read\n",
       "\"tag_text_truncated\":true}"},
      // A cut inside the title: the version alone, then the damage.
      {"CutInsideItsFixedPart", Chunk("cart", Cart("", "", "").substr(0, 40)),
       "\ncart\n"
       "  Version:          0101\n"
       "  Damaged: the chunk holds 40 bytes of the 2048 its fields take\n",
       "\"cart\":{\"version\":\"0101\",\"post_timers\":[]}}],\"problems\":[{\"kind\":"
       "\"chunk_too_short\",\"offset\":36,\"id\":\"cart\",\"declared\":40,\"actual\":40,"
       "\"needed\":2048}]"},
  });
}

std::string Acid(std::uint32_t flags, unsigned rootNote, float tempo) {
  return U32(flags) + U16(rootNote) + U16(0x8000) + F32(0) + U32(8) + U16(4) + U16(3) +
         F32(tempo);
}

TEST(TagChunks, Acid) {
  CheckTags({
      {"LoopWithRootNote", Chunk("acid", Acid(0x06, 0x30, 120.5f)),
       "\nacid\n"
       "  Type:             loop\n"
       "  Root note:        C3 (MIDI 48)\n"
       "  Stretch:          yes\n"
       "  Storage:          RAM\n"
       "  Beats:            8\n"
       "  Meter:            3/4\n"
       "  Tempo:            120.5 bpm\n",
       "\"acid\":{\"flags\":6,\"one_shot\":false,\"root_note\":48,\"root_note_name\":\"C3\","
       "\"stretch\":true,\"disk_based\":false,\"beats\":8,\"meter_numerator\":3,"
       "\"meter_denominator\":4,\"tempo\":120.5}"},
      // Without the root-note flag the note is not shown.
      {"OneShotOnDisk", Chunk("acid", Acid(0x09, 61, 120.5f)),
       "\nacid\n"
       "  Type:             one-shot\n"
       "  Stretch:          no\n"
       "  Storage:          disk-based\n"
       "  Beats:            8\n"
       "  Meter:            3/4\n"
       "  Tempo:            120.5 bpm\n"},
      {"SharpAndThreeDecimals", Chunk("acid", Acid(0x02, 61, 97.0625f)),
       "\nacid\n"
       "  Type:             loop\n"
       "  Root note:        C#4 (MIDI 61)\n"
       "  Stretch:          no\n"
       "  Storage:          RAM\n"
       "  Beats:            8\n"
       "  Meter:            3/4\n"
       "  Tempo:            97.063 bpm\n"},
  });
}

std::string ChnaEntry(unsigned track, const std::string& uid, const std::string& trackFormat,
                      const std::string& packFormat) {
  return U16(track) + Text(uid, 12) + Text(trackFormat, 14) + Text(packFormat, 11) + Fill(1);
}

const char Adm[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<ebuCoreMain xmlns=\"urn:ebu:metadata-schema:ebuCore_2014\"><coreMetadata><format>"
    "<audioFormatExtended>"
    "<audioProgramme audioProgrammeID=\"APR_1001\" audioProgrammeName=\"Main mix\">"
    "<audioContentIDRef>ACO_1001</audioContentIDRef></audioProgramme>"
    "<audioContent audioContentID=\"ACO_1001\" audioContentName=\"Dialogue\"/>"
    "<audioObject audioObjectID=\"AO_1001\" audioObjectName=\"Narrator\">"
    "<audioPackFormatIDRef>AP_00031001</audioPackFormatIDRef></audioObject>"
    "<audioObject audioObjectID=\"AO_1002\" audioObjectName=\"Music\"/>"
    "<audioPackFormat audioPackFormatID=\"AP_00031001\" audioPackFormatName=\"Narrator\" "
    "typeLabel=\"0003\"/>"
    "<audioPackFormat audioPackFormatID=\"AP_00010002\" audioPackFormatName=\"Stereo\" "
    "typeDefinition=\"DirectSpeakers\"/>"
    "<audioChannelFormat audioChannelFormatID=\"AC_00031001\"/>"
    "<audioChannelFormat audioChannelFormatID=\"AC_00010001\"/>"
    "<audioChannelFormat audioChannelFormatID=\"AC_00010002\"/>"
    "</audioFormatExtended></format></coreMetadata></ebuCoreMain>\r\n";

TEST(TagChunks, AudioDefinitionModel) {
  CheckTags({
      {"ChnaOfTwoEntries",
       Chunk("chna", U16(2) + U16(2) +
                         ChnaEntry(1, "ATU_00000001", "AT_00031001_01", "AP_00031001") +
                         ChnaEntry(2, "ATU_00000002", "AT_00010002_01", "AP_00010002")),
       "\nADM (chna)\n"
       "  Tracks:           2\n"
       "  Track UIDs:       2\n"
       "    track 1, ATU_00000001, AT_00031001_01, AP_00031001\n"
       "    track 2, ATU_00000002, AT_00010002_01, AP_00010002\n",
       "\"chna\":{\"track_count\":2,\"uid_count\":2,\"entries\":["
       "{\"track_index\":1,\"uid\":\"ATU_00000001\",\"track_format\":\"AT_00031001_01\","
       "\"pack_format\":\"AP_00031001\"},{\"track_index\":2,\"uid\":\"ATU_00000002\","
       "\"track_format\":\"AT_00010002_01\",\"pack_format\":\"AP_00010002\"}]}"},
      // The count names more entries than the chunk holds: only those it
      // holds are read.
      {"ChnaCountOf65535InFortyBytes",
       Chunk("chna", U16(1) + U16(65535) + ChnaEntry(1, "ATU_00000001", "", "").substr(0, 36)),
       "\nADM (chna)\n"
       "  Tracks:           1\n"
       "  Track UIDs:       65535\n"
       "  Damaged: the chunk holds 40 bytes of the 2621404 its fields take\n",
       "\"chna\":{\"track_count\":1,\"uid_count\":65535,\"entries\":[]}"},
      {"AxmlOfOneProgrammeAndTwoObjects", Chunk("axml", Adm),
       "\nADM (axml)\n"
       "  Programme:        Main mix (APR_1001)\n"
       "  Content:          Dialogue (ACO_1001)\n"
       "  Object:           Narrator (AO_1001)\n"
       "  Object:           Music (AO_1002)\n"
       "  Pack format:      Narrator (AP_00031001), Objects\n"
       "  Pack format:      Stereo (AP_00010002), DirectSpeakers\n"
       "  Channel formats:  3\n",
       "\"adm\":{\"programmes\":[{\"id\":\"APR_1001\",\"name\":\"Main mix\"}],"
       "\"contents\":[{\"id\":\"ACO_1001\",\"name\":\"Dialogue\"}],"
       "\"objects\":[{\"id\":\"AO_1001\",\"name\":\"Narrator\"},"
       "{\"id\":\"AO_1002\",\"name\":\"Music\"}],\"pack_formats\":["
       "{\"id\":\"AP_00031001\",\"name\":\"Narrator\",\"type\":\"Objects\"},"
       "{\"id\":\"AP_00010002\",\"name\":\"Stereo\",\"type\":\"DirectSpeakers\"}],"
       "\"channel_formats\":3}"},
  });
}

// A UMID's 12 bytes of label and its length byte, then count - 13 bytes
// counting up from 0xA0.
std::string Umid(unsigned char length, std::size_t count) {
  return "\x06\x0A\x2B\x34\x01\x01\x01\x05\x01\x01\x02\x20"s + static_cast<char>(length) +
         Counting(count - 13, 0xA0);
}

// A broadcast chunk of version 1 with umid in its UMID field.
std::string Bext(const std::string& umid) {
  return Chunk("bext", Fill(338) + U64(0) + U16(1) + Text(umid, 254));
}

TEST(TagChunks, Umid) {
  const std::string basicHex = "060A2B34010101050101022013A0A1A2A3A4A5A6A7A8A9AAABACADAEAFB0B1B2";
  const std::string extendedHex =
      "060A2B34010101050101022033A0A1A2A3A4A5A6A7A8A9AAABACADAEAFB0B1B2B3B4B5B6B7B8B9BABBBCBDBE"
      "BFC0C1C2C3C4C5C6C7C8C9CACBCCCDCECFD0D1D2";
  CheckTags({
      {"TwentyFourBytesAsHex", Chunk("umid", Counting(24, 0xF0)),
       "\numid\n"
       "  UMID:             F0F1F2F3F4F5F6F7F8F9FAFBFCFDFEFF0001020304050607\n",
       "\"umid\":{\"hex\":\"F0F1F2F3F4F5F6F7F8F9FAFBFCFDFEFF0001020304050607\"}"},
      {"BasicUmid", Chunk("umid", Umid(0x13, 32)),
       "\numid\n"
       "  UMID:             " + basicHex + "\n"
       "  Kind:             basic SMPTE UMID\n",
       "\"umid\":{\"hex\":\"" + basicHex + "\",\"kind\":\"basic\"}"},
      // 32 bytes with the label, but the length of an extended UMID.
      {"LabelWithTheWrongLength", Chunk("umid", Umid(0x33, 32)),
       "\numid\n"
       "  UMID:             060A2B34010101050101022033A0A1A2A3A4A5A6A7A8A9AAABACADAEAFB0B1B2\n"},
      // The broadcast chunk's UMID is a section only beside another one,
      // and keeps its place in file order; JSON has it either way.
      {"BroadcastUmidAlone", Bext(Umid(0x33, 64)), "",
       "\"umid\":{\"hex\":\"" + extendedHex + "\",\"kind\":\"extended\"}"},
      {"BroadcastUmidBesideAnotherSection",
       Chunk("acid", Acid(0, 0, 100)) + Bext(Umid(0x13, 32)) + Chunk("umid", "\x01\x02"),
       "\nacid\n"
       "  Type:             loop\n"
       "  Stretch:          no\n"
       "  Storage:          RAM\n"
       "  Beats:            8\n"
       "  Meter:            3/4\n"
       "  Tempo:            100 bpm\n"
       "\nUMID (bext)\n"
       "  UMID:             " + basicHex + "\n"
       "  Kind:             basic SMPTE UMID\n"
       "\numid\n"
       "  UMID:             0102\n"},
      {"BroadcastUmidOfNulBytesIsNone", Bext("") + Chunk("umid", "\x01\x02"),
       "\numid\n"
       "  UMID:             0102\n"},
  });
}

// Tag chunks after a report full to its 32,767 characters still make the
// Tags report.
TEST(TagChunks, TagsReportGoesOnPastAFullReport) {
  std::string comments;
  for (int i = 0; i < 200; ++i) comments += Chunk("ICMT", Fill(300, 'c'));
  CheckTags({
      {"IxmlAfterALongInfoList",
       List("INFO", comments) + Chunk("iXML", "<BWFXML><PROJECT>Late</PROJECT></BWFXML>"),
       "\niXML\n"
       "  Project:          Late\n"},
  });
}

}  // namespace
