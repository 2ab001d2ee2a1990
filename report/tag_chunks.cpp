// Binary tag chunks: cart (radio traffic and automation), acid (loop tempo
// and beats) and umid, and the UMID of a broadcast chunk. Each fills a
// record from its fixed fields, read in file order as far as the payload
// holds them, then describes it.
#include <cstring>

#include "engine.h"

namespace {

// Text after the cart's fixed fields that is read; the rest is counted.
constexpr std::uint32_t CartTagTextCap = 65536;
constexpr std::uint32_t CartFixedBytes = 2048;
constexpr std::size_t PostTimers = 8;
constexpr std::uint32_t AcidBytes = 24;
// The bytes of a umid chunk that are shown.
constexpr std::uint32_t UmidShownCap = 1024;
constexpr std::uint32_t BroadcastVersionAt = 346;
constexpr std::uint32_t BroadcastUmidBytes = 64;
constexpr std::size_t BasicUmidBytes = 32, ExtendedUmidBytes = 64;
// The SMPTE label that begins a UMID, and the length byte after its 12
// bytes of label: the bytes that follow, 19 (basic) or 51 (extended).
const unsigned char UmidLabel[] = {0x06, 0x0A, 0x2B, 0x34};
constexpr std::size_t UmidLengthAt = 12;
constexpr unsigned char BasicUmidLength = 0x13, ExtendedUmidLength = 0x33;

std::string TwoDigits(std::uint64_t value) {
  std::string text = std::to_string(value);
  return text.size() < 2 ? "0" + text : text;
}

// A count of samples at rate as a time, hh:mm:ss.fff (thousandths cut).
std::string SampleTime(std::uint64_t samples, std::uint32_t rate) {
  std::uint64_t seconds = samples / rate;
  std::uint64_t thousandths = samples % rate * 1000 / rate;
  return TwoDigits(seconds / 3600) + ":" + TwoDigits(seconds / 60 % 60) + ":" +
         TwoDigits(seconds % 60) + "." + std::to_string(1000 + thousandths).substr(1);
}

// A line of two fields shown as one ("2024-01-02 10:20:30"), each its own
// JSON member.
void TwoFields(const char* label, const char* firstName, const std::string& first,
               const char* secondName, const std::string& second) {
  {
    TagShowing lineOnly(true, false);
    std::string a = TagValue(first), b = TagValue(second);
    TagText(label, nullptr, a + (a.empty() || b.empty() ? "" : " ") + b);
  }
  TagShowing jsonOnly(false, true);
  TagText(nullptr, firstName, first);
  TagText(nullptr, secondName, second);
}

struct PostTimer {
  unsigned char usage[4];
  std::uint32_t samples;
};

struct CartRecord {
  std::string version, title, artist, cutId, clientId, category, classification, outCue,
      startDate, startTime, endDate, endTime, producer, producerVersion, userDefinition, url,
      tagText;
  bool levelKnown = false;
  std::int32_t level = 0;
  PostTimer timers[PostTimers] = {};
  std::size_t timersRead = 0;
  bool tagTextCut = false;
  std::uint64_t tagTextBytes = 0;
};

void DescribePostTimer(const PostTimer& timer) {
  std::string usage;
  for (unsigned char byte : timer.usage)
    usage += byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '?';
  std::string value = std::to_string(timer.samples) + " samples";
  if (Facts.sampleRate) value += " (" + SampleTime(timer.samples, Facts.sampleRate) + ")";
  {
    TagShowing lineOnly(true, false);
    TagText(("Post timer " + usage).c_str(), nullptr, value);
  }
  JsonScope element(nullptr);
  JsonIdentifier("usage", timer.usage);
  JsonUnsigned("samples", timer.samples);
  if (Facts.sampleRate) JsonUtf8("time", SampleTime(timer.samples, Facts.sampleRate));
}

bool IsUmid(const unsigned char* bytes, std::size_t count) {
  if (count != BasicUmidBytes && count != ExtendedUmidBytes) return false;
  unsigned char length = count == BasicUmidBytes ? BasicUmidLength : ExtendedUmidLength;
  return std::memcmp(bytes, UmidLabel, sizeof UmidLabel) == 0 && bytes[UmidLengthAt] == length;
}

// The bytes as capital hexadecimal, and their kind when they are an SMPTE
// UMID: 32 bytes (basic) or 64 (extended) that begin with its label and
// give the length that goes with their size. Other bytes are not called one.
void DescribeUmid(const unsigned char* bytes, std::size_t count) {
  static const char Digits[] = "0123456789ABCDEF";
  std::string hex;
  for (std::size_t at = 0; at < count; ++at) {
    hex += Digits[bytes[at] >> 4];
    hex += Digits[bytes[at] & 15];
  }
  TagText("UMID", "hex", hex);
  if (!IsUmid(bytes, count)) return;
  bool basic = count == BasicUmidBytes;
  {
    TagShowing lineOnly(true, false);
    TagText("Kind", nullptr, basic ? "basic SMPTE UMID" : "extended SMPTE UMID");
  }
  JsonAscii("kind", basic ? "basic" : "extended");
}

}  // namespace

// cart:    0 version (4)        4 title (64)       68 artist (64)
//         132 cut ID (64)      196 client ID (64) 260 category (64)
//         324 classification (64)                 388 out cue (64)
//         452 start date (10)  462 start time (8) 470 end date (10)
//         480 end time (8)     488 producer application (64)
//         552 producer application version (64)   616 user definition (64)
//         680 s32 level reference (the sample value of 0 dB)
//         684 eight post timers: usage (4), u32 samples from the start
//         748 reserved (276)  1024 URL (1024)    2048 tag text
void DescribeCartChunk(std::uint32_t length) {
  std::uint64_t start = FilePosition();
  std::uint64_t held = PayloadHeld(length);
  CartRecord cart;
  TagRecordReader read(held);
  read.Text<4>(cart.version);
  read.Text<64>(cart.title);
  read.Text<64>(cart.artist);
  read.Text<64>(cart.cutId);
  read.Text<64>(cart.clientId);
  read.Text<64>(cart.category);
  read.Text<64>(cart.classification);
  read.Text<64>(cart.outCue);
  read.Text<10>(cart.startDate);
  read.Text<8>(cart.startTime);
  read.Text<10>(cart.endDate);
  read.Text<8>(cart.endTime);
  read.Text<64>(cart.producer);
  read.Text<64>(cart.producerVersion);
  read.Text<64>(cart.userDefinition);
  cart.levelKnown = read.S32(cart.level);
  for (PostTimer& timer : cart.timers)
    if (read.Bytes(timer.usage, sizeof timer.usage) && read.U32(timer.samples)) ++cart.timersRead;
  read.Skip(276);
  read.Text<1024>(cart.url);
  if (read.Whole() && held > CartFixedBytes) {
    // The tag text runs to the end of the payload, or to a NUL.
    cart.tagTextBytes = held - CartFixedBytes;
    std::size_t count = cart.tagTextBytes < CartTagTextCap
                            ? static_cast<std::size_t>(cart.tagTextBytes)
                            : CartTagTextCap;
    std::string text(count + 1, '\0');
    ReadBytes(&text[0], count);
    cart.tagTextCut = cart.tagTextBytes > count && std::strlen(text.c_str()) == count;
    cart.tagText = TagFieldText(text.c_str());
  }

  TagSection section("cart", "cart");
  TagText("Version", "version", cart.version);
  TagText("Title", "title", cart.title);
  TagText("Artist", "artist", cart.artist);
  TagText("Cut ID", "cut_id", cart.cutId);
  TagText("Client ID", "client_id", cart.clientId);
  TagText("Category", "category", cart.category);
  TagText("Classification", "classification", cart.classification);
  TagText("Out cue", "out_cue", cart.outCue);
  TwoFields("Start", "start_date", cart.startDate, "start_time", cart.startTime);
  TwoFields("End", "end_date", cart.endDate, "end_time", cart.endTime);
  TwoFields("Producer", "producer_app_id", cart.producer, "producer_app_version",
            cart.producerVersion);
  TagText("User definition", "user_definition", cart.userDefinition);
  if (cart.levelKnown) {
    {
      TagShowing lineOnly(true, false);
      TagText("Level reference", nullptr, std::to_string(cart.level));
    }
    JsonSigned("level_reference", cart.level);
  }
  {
    JsonScope timers("post_timers", JsonScope::Array);
    for (std::size_t at = 0; at < cart.timersRead; ++at)
      if (FourCCValue(cart.timers[at].usage) != 0) DescribePostTimer(cart.timers[at]);
  }
  TagText("URL", "url", cart.url);
  TagText("Tag text", "tag_text", cart.tagText);
  if (cart.tagTextCut) {
    TagLine(2, "Only the first " + std::to_string(CartTagTextCap) + " of " +
                   std::to_string(cart.tagTextBytes) + " bytes of tag text were read");
    JsonBool("tag_text_truncated", true);
  }
  if (!read.Whole()) DescribeTooShort("cart", start, length, held, CartFixedBytes);
}

// acid:  0 u32 flags: 0x01 one-shot (else a loop), 0x02 root note set,
//          0x04 stretch, 0x08 disk-based (else in RAM)
//        4 u16 root note (a MIDI note number)   6 u16 unknown   8 f32 unknown
//       12 u32 beats   16 u16 meter denominator   18 u16 meter numerator
//       20 f32 tempo (beats per minute)
void DescribeAcidChunk(std::uint32_t length) {
  std::uint64_t start = FilePosition();
  std::uint64_t held = PayloadHeld(length);
  std::uint32_t flags = 0, beats = 0, tempoBits = 0;
  std::uint16_t rootNote = 0, denominator = 0, numerator = 0;
  TagRecordReader read(held);
  bool flagsRead = read.U32(flags);
  bool rootRead = read.U16(rootNote);
  read.Skip(2);
  read.Skip(4);
  bool beatsRead = read.U32(beats);
  bool meterRead = read.U16(denominator) && read.U16(numerator);
  bool tempoRead = read.U32(tempoBits);

  TagSection section("acid", "acid");
  if (flagsRead) {
    JsonUnsigned("flags", flags);
    {
      TagShowing lineOnly(true, false);
      TagText("Type", nullptr, flags & 0x01 ? "one-shot" : "loop");
    }
    JsonBool("one_shot", flags & 0x01);
  }
  if (flagsRead && rootRead && (flags & 0x02)) {
    // Octaves numbered so that MIDI note 60 is C4.
    static const char* const Names[] = {"C", "C#", "D", "D#", "E", "F",
                                        "F#", "G", "G#", "A", "A#", "B"};
    std::string name;
    if (rootNote < 128) name = Names[rootNote % 12] + std::to_string(rootNote / 12 - 1);
    {
      TagShowing lineOnly(true, false);
      TagText("Root note", nullptr,
              name.empty() ? "MIDI " + std::to_string(rootNote)
                           : name + " (MIDI " + std::to_string(rootNote) + ")");
    }
    JsonUnsigned("root_note", rootNote);
    TagShowing jsonOnly(false, true);
    TagText(nullptr, "root_note_name", name);
  }
  if (flagsRead) {
    TagFlag("Stretch", "stretch", flags & 0x04);
    {
      TagShowing lineOnly(true, false);
      TagText("Storage", nullptr, flags & 0x08 ? "disk-based" : "RAM");
    }
    JsonBool("disk_based", flags & 0x08);
  }
  if (beatsRead) TagNumber("Beats", "beats", beats);
  if (meterRead) {
    {
      TagShowing lineOnly(true, false);
      TagText("Meter", nullptr, std::to_string(numerator) + "/" + std::to_string(denominator));
    }
    JsonUnsigned("meter_numerator", numerator);
    JsonUnsigned("meter_denominator", denominator);
  }
  if (tempoRead) {
    float tempo;
    std::memcpy(&tempo, &tempoBits, sizeof tempo);
    // As written, to three decimals at most: 120.5, not 120.500.
    FixedText fixed(tempo, 3);
    std::string text = fixed.c_str();
    if (text.find('.') != std::string::npos) {
      while (text.back() == '0') text.pop_back();
      if (text.back() == '.') text.pop_back();
    }
    {
      TagShowing lineOnly(true, false);
      TagText("Tempo", nullptr, text + " bpm");
    }
    JsonNumberText("tempo", text.c_str());
  }
  if (!read.Whole()) DescribeTooShort("acid", start, length, held, AcidBytes);
}

// umid: bytes of no published layout; an SMPTE UMID in some files.
void DescribeUmidChunk(std::uint32_t length) {
  std::uint64_t held = PayloadHeld(length);
  std::size_t count = held < UmidShownCap ? static_cast<std::size_t>(held) : UmidShownCap;
  unsigned char bytes[UmidShownCap];
  ReadBytes(bytes, count);
  TagSection section("umid", "umid");
  DescribeUmid(bytes, count);
  if (held > count) {
    TagLine(2, "Only the first " + std::to_string(count) + " of " + std::to_string(held) +
                   " bytes are shown");
    JsonBool("hex_truncated", true);
  }
}

// The UMID field of a broadcast chunk of version 1 or later: 64 bytes that
// hold a basic UMID (in the first 32), an extended UMID, other bytes, or
// nothing (all NUL).
void DescribeBroadcastUmid(std::uint32_t length) {
  std::uint64_t start = FilePosition();
  if (PayloadHeld(length) < BroadcastVersionAt + 2 + BroadcastUmidBytes) return;
  SeekFile(start + BroadcastVersionAt);
  if (ReadU16() == 0) return;
  unsigned char umid[BroadcastUmidBytes];
  ReadBytes(umid, sizeof umid);
  std::size_t count = sizeof umid;
  while (count > 0 && umid[count - 1] == 0) --count;
  if (count == 0) return;
  count = IsUmid(umid, BasicUmidBytes) ? BasicUmidBytes : sizeof umid;
  HeldTags held;
  TagSection section("UMID (bext)", "umid");
  DescribeUmid(umid, count);
}
