// The Tags report of iXML and XMP chunks, and XML that cannot be trusted.
#include "decoder_cases.h"

namespace {

const std::string Format48k = PcmFormat(2, 48000, 24);

std::string Ixml(const std::string& inside) {
  return Chunk("iXML", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<BWFXML>" + inside +
                           "</BWFXML>\r\n");
}
std::string Speed(const std::string& rate, const std::string& flag, std::uint64_t samples,
                  const std::string& stampRate = "48000") {
  return "<SPEED><TIMECODE_RATE>" + rate + "</TIMECODE_RATE><TIMECODE_FLAG>" + flag +
         "</TIMECODE_FLAG><TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_HI>" + std::to_string(samples >> 32) +
         "</TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_HI><TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_LO>" +
         std::to_string(samples & 0xFFFFFFFF) +
         "</TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_LO><TIMESTAMP_SAMPLE_RATE>" + stampRate +
         "</TIMESTAMP_SAMPLE_RATE></SPEED>";
}
std::string Section(const std::string& heading, std::initializer_list<std::string> lines) {
  std::string text = "\n" + heading + "\n";
  for (const std::string& line : lines) text += line + "\n";
  return text;
}
std::string Start(const std::string& timecode, const std::string& rate, std::uint64_t samples) {
  return "  Start timecode:   " + timecode + "\n  Timecode rate:    " + rate +
         "\n  Timestamp:        " + std::to_string(samples) +
         " samples since midnight at 48000 Hz";
}
// A broadcast chunk of version 1 whose time reference is samples.
std::string Bext(std::uint64_t samples) {
  return Chunk("bext", Fill(338) + U64(samples) + U16(1) + Fill(254));
}

TEST(IxmlChunk, FieldsInTheOrderASoundPersonReadsThem) {
  const std::string take =
      "<IXML_VERSION>2.10</IXML_VERSION><PROJECT>Night Shoot</PROJECT><SCENE>12A</SCENE>"
      "<TAKE>3</TAKE><TAPE>DAY04</TAPE><CIRCLED>TRUE</CIRCLED>"
      "<TAKE_TYPE>DEFAULT,WILD_TRACK</TAKE_TYPE><NOTE>Plane overhead\r\nat the end </NOTE>"
      "<UBITS>00000000</UBITS><FILE_UID>ABC123</FILE_UID>"
      "<SPEED><FILE_SAMPLE_RATE>48000</FILE_SAMPLE_RATE><AUDIO_BIT_DEPTH>24</AUDIO_BIT_DEPTH>"
      "</SPEED><TRACK_LIST><TRACK_COUNT>2</TRACK_COUNT>"
      "<TRACK><CHANNEL_INDEX>1</CHANNEL_INDEX><INTERLEAVE_INDEX>1</INTERLEAVE_INDEX>"
      "<NAME>Boom</NAME><FUNCTION>MIX</FUNCTION></TRACK>"
      "<TRACK><CHANNEL_INDEX>3</CHANNEL_INDEX><INTERLEAVE_INDEX>2</INTERLEAVE_INDEX>"
      "<NAME>Lav \xC3\x89lodie</NAME></TRACK></TRACK_LIST>"
      "<FILE_SET><TOTAL_FILES>2</TOTAL_FILES><FAMILY_NAME>12A-3</FAMILY_NAME>"
      "<FILE_SET_INDEX>1</FILE_SET_INDEX></FILE_SET>"
      "<HISTORY><ORIGINAL_FILENAME>12A-03.WAV</ORIGINAL_FILENAME></HISTORY>"
      "<LOCATION><LOCATION_NAME>Pier 4</LOCATION_NAME><LOCATION_GPS>1, 2</LOCATION_GPS>"
      "</LOCATION><USER>Mixer: A. Person</USER><VENDOR><NOTE>not ours</NOTE></VENDOR>";
  const std::string older =
      "<SCENE>1</SCENE><SCENE>2</SCENE><NO_GOOD>TRUE</NO_GOOD><FALSE_START>true</FALSE_START>"
      "<WILD_TRACK>FALSE</WILD_TRACK><CIRCLED/>";
  CheckTags({
      {"WholeTake", Riff(Format48k + Chunk("data", "") + Ixml(take)),
       Section("iXML", {"  Version:          2.10", "  Project:          Night Shoot",
                        "  Scene:            12A", "  Take:             3",
                        "  Tape:             DAY04",
                        "  Take type:        circled, wild track",
                        "  Note:             Plane overhead at the end",
                        "  Sample rate:      48000", "  Bit depth:        24",
                        "  User bits:        00000000", "  File UID:         ABC123",
                        "  Family:           12A-3", "  File of family:   1 of 2",
                        "  Tracks:           2", "    channel 1, track 1, Boom, MIX",
                        "    channel 2, track 3, Lav \xC3\x89lodie",
                        "  Original file:    12A-03.WAV", "  Location:         Pier 4",
                        "  GPS:              1, 2", "  User:             Mixer: A. Person"})},
      // Before TAKE_TYPE, flags said it; the first of a repeated element counts.
      {"OlderFlags", Riff(Ixml(older)),
       Section("iXML", {"  Scene:            1", "  Take type:        no good, false start"})},
      {"NoneOfOurs", Riff(Ixml("<VENDOR/>")), Section("iXML", {})},
      {"OtherRoot", Riff(Chunk("iXML", "<BWF><SCENE>1</SCENE></BWF>")), Section("iXML", {})},
      // Inside a LIST, or in a form other than RIFF, RF64 and BW64, it is not a tag.
      {"InsideList", Riff(List("INFO", Ixml("<SCENE>1</SCENE>"))), ""},
      {"NotAWaveForm", "RIFX" + U32(4 + 8 + 28) + "WAVE" + Ixml("<SCENE>1</SCENE>"), ""},
  });
}

TEST(IxmlChunk, StartTimecodeCountedInWholeFrames) {
  CheckTags({
      // Two real recordings: seconds times 24 would give 12:40:44:14 for the first.
      {"TwentyThreeNineSevenSix", Riff(Format48k + Ixml(Speed("24000/1001", "NDF", 2190940753))),
       Section("iXML", {Start("12:39:59:00", "23.976 fps non-drop (24000/1001)", 2190940753)})},
      {"TwentyFive", Riff(Format48k + Ixml(Speed("25/1", "NDF", 2350375830))),
       Section("iXML", {Start("13:36:06:04", "25 fps non-drop (25/1)", 2350375830)})},
      // At 29.97 drop-frame, 00:00:59;29 is followed by 00:01:00;02, but the
      // tenth minute keeps its first frames.
      {"DropFrameBeforeMinute", Riff(Ixml(Speed("30000/1001", "DF", 2881279))),
       Section("iXML", {Start("00:00:59;29", "29.97 fps drop-frame (30000/1001)", 2881279)})},
      {"DropFrameAfterMinute", Riff(Ixml(Speed("30000/1001", "DF", 2882880))),
       Section("iXML", {Start("00:01:00;02", "29.97 fps drop-frame (30000/1001)", 2882880)})},
      {"DropFrameTenthMinute", Riff(Ixml(Speed("30000/1001", "DF", 28799972))),
       Section("iXML", {Start("00:10:00;00", "29.97 fps drop-frame (30000/1001)", 28799972)})},
      {"DropFlagAtTwentyFourIsIgnored", Riff(Ixml(Speed("24/1", "DF", 48000 * 61))),
       Section("iXML", {Start("00:01:01:00", "24 fps non-drop (24/1)", 48000 * 61)})},
      // A negative half is the value plus 2^32, as some recorders write it.
      {"NegativeLowHalf",
       Riff(Ixml("<SPEED><TIMECODE_RATE>25/1</TIMECODE_RATE><TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_HI>"
                 "0000000000</TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_HI>"
                 "<TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_LO>-2104026543"
                 "</TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_LO><FILE_SAMPLE_RATE>48000</FILE_SAMPLE_RATE>"
                 "</SPEED>")),
       Section("iXML", {Start("12:40:44:14", "25 fps non-drop (25/1)", 2190940753),
                        "  Sample rate:      48000"})},
      // Without an iXML timestamp: the broadcast time reference, at the
      // format's rate; without a timecode rate, a time of day.
      {"FromBroadcastTimeReference",
       Riff(Format48k + Bext(2190940753) + Ixml("<SPEED><TIMECODE_RATE>25/1</TIMECODE_RATE></SPEED>")),
       Section("iXML", {Start("12:40:44:14", "25 fps non-drop (25/1)", 2190940753)})},
      {"TimeOfDayWithoutSpeed", Riff(Format48k + Bext(2190940753) + Ixml("<SCENE>4</SCENE>")),
       Section("iXML", {"  Scene:            4", "  Start time:       12:40:44.599",
                        "  Timestamp:        2190940753 samples since midnight at 48000 Hz"})},
      {"RateBeyondBoundsGivesNoTimecode", Riff(Ixml(Speed("25/1", "NDF", 100, "99999999"))),
       Section("iXML", {"  Timestamp:        100 samples since midnight"})},
  });
}

TEST(XmpChunk, PropertiesAsAttributesOrElements) {
  const std::string open =
      "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>"
      "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
      "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description rdf:about=\"\" "
      "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
      "xmlns:dm=\"http://ns.adobe.com/xmp/1.0/DynamicMedia/\"";
  const std::string close = "</rdf:Description></rdf:RDF></x:xmpmeta><?xpacket end=\"w\"?>";
  CheckTags({
      {"Elements",
       Riff(Chunk("_PMX", open + "><dc:title><rdf:Alt><rdf:li xml:lang=\"fr\">Titre</rdf:li>"
                                 "<rdf:li xml:lang=\"x-default\">Title</rdf:li></rdf:Alt>"
                                 "</dc:title><dm:projectName>Film</dm:projectName>"
                                 "<dm:scene>7</dm:scene><dm:shotName>Wide</dm:shotName>"
                                 "<dm:shotNumber>2</dm:shotNumber><dm:tapeName>R1</dm:tapeName>"
                                 "<dm:logComment>Noisy</dm:logComment><dm:good>False</dm:good>"
                                 "<dm:startTimecode rdf:parseType=\"Resource\">"
                                 "<dm:timeFormat>25Timecode</dm:timeFormat>"
                                 "<dm:timeValue>10:00:00:00</dm:timeValue></dm:startTimecode>" +
                                 close)),
       Section("XMP", {"  Title:            Title", "  Project:          Film",
                       "  Scene:            7", "  Shot name:        Wide",
                       "  Shot number:      2", "  Tape name:        R1",
                       "  Log comment:      Noisy", "  Good:             no",
                       "  Start timecode:   10:00:00:00", "  Timecode format:  25Timecode"})},
      {"Attributes",
       Riff(Chunk("_PMX", open + " dm:scene=\"8\" dm:good=\"True\"><dc:title><rdf:Alt><rdf:li "
                                 "xml:lang=\"de\">Nur</rdf:li></rdf:Alt></dc:title>"
                                 "<dm:startTimecode dm:timeValue=\"01:00:00:00\"/>" +
                                 close)),
       Section("XMP", {"  Title:            Nur", "  Scene:            8",
                       "  Good:             yes", "  Start timecode:   01:00:00:00"})},
      // Both in one file, in file order.
      {"IxmlThenXmp", Riff(Ixml("<TAKE>5</TAKE>") + Chunk("_PMX", open + " dm:scene=\"9\">" + close)),
       Section("iXML", {"  Take:             5"}) + Section("XMP", {"  Scene:            9"})},
  });
}

TEST(XmlChunk, DamagedOrHostileXmlGivesALineAndWhatWasRead) {
  const std::string laughs =
      "<?xml version=\"1.0\"?><!DOCTYPE l [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
      "\"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]><BWFXML><SCENE>&b;</SCENE></BWFXML>";
  const std::string external =
      "<?xml version=\"1.0\"?><!DOCTYPE x SYSTEM \"/etc/passwd\"><BWFXML/>";
  std::string deep;
  for (int i = 0; i < 300; ++i) deep += "<A>";
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("<BWFXML><TAKE>7</TAKE></BWFXML>")) utf16 += std::string{c, '\0'};
  CheckTags({
      {"MismatchedTag", Riff(Chunk("iXML", "<BWFXML><SCENE>1</SCENE><TAKE>2</TAK></BWFXML>")),
       Section("iXML", {"  Scene:            1", "  Damaged XML: mismatched tag at byte 33"})},
      // Refused where expat has read the declaration's name and identifiers.
      {"EntitiesRefused", Riff(Chunk("iXML", laughs)),
       Section("iXML", {"  Damaged XML: document type declaration refused at byte 33"})},
      {"ExternalDocumentTypeRefused", Riff(Chunk("iXML", external)),
       Section("iXML", {"  Damaged XML: document type declaration refused at byte 53"})},
      {"NestedTooDeep", Riff(Chunk("iXML", "<BWFXML><SCENE>2</SCENE>" + deep)),
       Section("iXML", {"  Scene:            2",
                        "  Damaged XML: elements nested too deep at byte 789"})},
      {"InvalidUtf8", Riff(Chunk("iXML", "<BWFXML><SCENE>\xC3(</SCENE></BWFXML>")),
       Section("iXML", {"  Damaged XML: not well-formed (invalid token) at byte 15"})},
      {"SecondRoot", Riff(Chunk("iXML", "<BWFXML><TAKE>1</TAKE></BWFXML><BWFXML/>")),
       Section("iXML", {"  Take:             1",
                        "  Damaged XML: junk after document element at byte 31"})},
      // Padding of NULs is dropped, also after a UTF-16 document.
      {"TrailingNuls", Riff(Ixml("<TAKE>1</TAKE>") + Chunk("JUNK", "") + Chunk("iXML", "<BWFXML><TAKE>2</TAKE></BWFXML>" + Fill(5000))),
       Section("iXML", {"  Take:             1"}) + Section("iXML", {"  Take:             2"})},
      {"Utf16WithByteOrderMark", Riff(Chunk("iXML", utf16 + Fill(6))),
       Section("iXML", {"  Take:             7"})},
      // The code page editors on Windows declare, which expat lacks.
      {"Windows1252Declared",
       Riff(Chunk("iXML", "<?xml version=\"1.0\" encoding=\"Windows-1252\"?>"
                          "<BWFXML><NOTE>caf\xE9 \x80</NOTE></BWFXML>")),
       Section("iXML", {"  Note:             caf\xC3\xA9 \xE2\x82\xAC"})},
      {"CutByTheEndOfTheFile",
       RiffWithLength(4 + 8 + 40, "iXML" + U32(40) + "<BWFXML><TAKE>3</TAKE><NO"),
       Section("iXML", {"  Take:             3", "  Damaged XML: unclosed token at byte 22"})},
  });
}

TEST(XmlChunk, ChunkBeyondTheCapIsReadToTheCap) {
  std::string big = "<BWFXML><SCENE>1</SCENE><NOTE>" + std::string(5u << 20, 'x') + "</NOTE></BWFXML>";
  ReportFixture file;
  file.Write(Riff(Chunk("iXML", big)));
  EXPECT_EQ(file.Tags(), Section("iXML", {"  Scene:            1",
                                          "  Only the first 4194304 of 5242926 bytes were read"}));
}

TEST(XmlChunk, JsonMembersAreTyped) {
  ReportFixture file;
  file.Write(Riff(Format48k + Ixml("<TAKE>3</TAKE>" + Speed("25/1", "NDF", 2350375830) +
                                   "<TRACK_LIST><TRACK><INTERLEAVE_INDEX>1</INTERLEAVE_INDEX>"
                                   "<NAME>Boom</NAME></TRACK></TRACK_LIST>"
                                   "<USER>a<B>b</B></USER><BAD>")));
  std::string json;
  file.Tags(&json);
  EXPECT_NE(json.find("\"ixml\":{\"take\":\"3\",\"start_samples\":2350375830,"
                      "\"start_sample_rate\":48000,\"start_timecode\":\"13:36:06:04\","
                      "\"timecode_rate\":\"25/1\",\"drop_frame\":false,"
                      "\"tracks\":[{\"interleave_index\":1,\"name\":\"Boom\"}],"
                      "\"user\":{\"b\":\"b\",\"text\":\"a\"},"
                      "\"xml_error\":\"mismatched tag\",\"xml_error_offset\":"),
            std::string::npos)
      << json;
}

}  // namespace
