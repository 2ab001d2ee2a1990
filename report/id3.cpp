// ID3v2 tags, which music players and editors keep in an `id3 ` or `ID3 `
// chunk: versions 2.2, 2.3 and 2.4. The frames fill an Id3Record, which is
// then described: title, artist, album, date, genre and track first, then
// every other frame in file order. Only the bytes that a text or the header
// of a picture needs are read; a picture's own bytes are skipped.
#include <vector>

#include "code_page.h"
#include "engine.h"

namespace {

// The tag header: "ID3", the major version and the revision, flags, then
// the size of the rest of the tag as a syncsafe number (7 bits a byte, most
// significant first).
constexpr std::uint32_t TagHeaderBytes = 10;
// Frames read of one tag, the most read of one frame's content, and the
// most text kept of all frames together; a tag with more is read that far.
constexpr std::size_t FrameCap = 1000;
constexpr std::size_t FrameReadCap = 65536;
constexpr std::size_t PictureFirstRead = 512;
constexpr std::size_t TextKeptCap = 4u << 20;
constexpr std::size_t ReadBlock = 8192;
// 2.4 extended headers count their own size field and at least two bytes
// more.
constexpr std::uint64_t SmallestExtendedHeader24 = 6;

constexpr unsigned TagUnsynchronised = 0x80;
constexpr unsigned TagExtendedHeader = 0x40;  // 2.3 and 2.4
constexpr unsigned TagCompressed22 = 0x40;    // 2.2: no scheme was ever defined
// Frame flags, the two bytes after a frame's size.
constexpr unsigned Compressed23 = 0x0080, Encrypted23 = 0x0040, Grouped23 = 0x0020;
constexpr unsigned Grouped24 = 0x0040, Compressed24 = 0x0008, Encrypted24 = 0x0004,
                   Unsynchronised24 = 0x0002, DataLength24 = 0x0001;

// Why a tag's frames were not read.
const char NotId3v2[] = "not_id3v2";
const char UnknownVersion[] = "unknown_version";
const char CompressedTag[] = "compressed_tag";

// Text encodings, the first byte of a frame that holds text.
constexpr unsigned Latin1 = 0, Utf16 = 1, Utf16BigEndian = 2, Utf8 = 3;

enum class FrameKind {
  Text,
  UserText,
  Url,
  UserUrl,
  Comment,
  Picture,
  Compressed,
  Encrypted,
  UnknownEncoding,
  Other
};

struct Id3Frame {
  std::string id;
  FrameKind kind = FrameKind::Other;
  std::string language, description;
  std::string value;    // the text, the URL, or a picture's MIME type (2.2: image format)
  unsigned number = 0;  // a picture's type, or the unknown text encoding
  bool sized = false;
  std::uint64_t size = 0;  // a picture's bytes, or the content of a frame not read
};

struct Id3Record {
  bool id3 = false;  // the payload begins "ID3"
  bool majorKnown = false, revisionKnown = false;
  unsigned major = 0, revision = 0;
  const char* unread = nullptr;  // why the frames were not read, when the header was
  bool framesRead = false;
  std::vector<Id3Frame> frames;
  std::size_t textKept = 0;
  bool framesCut = false;
  std::string damage;
  std::uint64_t damageAt = 0;  // the byte of the payload where reading stopped
};

std::uint32_t BigEndian(const unsigned char* bytes, std::size_t count) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < count; ++i) value = value << 8 | bytes[i];
  return value;
}

std::uint32_t Syncsafe(const unsigned char* bytes) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) value = value << 7 | (bytes[i] & 0x7F);
  return value;
}

std::size_t Smaller(std::uint64_t a, std::uint64_t b) {
  return static_cast<std::size_t>(a < b ? a : b);
}

// Frame identifiers are capital letters and digits, beginning with a letter.
bool IsFrameId(const unsigned char* id, std::size_t count) {
  if (id[0] < 'A' || id[0] > 'Z') return false;
  for (std::size_t i = 1; i < count; ++i)
    if (!((id[i] >= 'A' && id[i] <= 'Z') || (id[i] >= '0' && id[i] <= '9'))) return false;
  return true;
}

// The bytes of the tag after its header, up to its end (or the chunk's, or
// the file's). With the tag-wide unsynchronisation of 2.2 and 2.3 each
// 0xFF 0x00 reads as 0xFF: the tag's sizes count its bytes as they were
// before unsynchronisation, so they are counted here as they read.
class TagBytes {
 public:
  TagBytes(std::uint64_t start, std::uint64_t end, bool unsynchronised)
      : start_(start), end_(end), at_(start), unsynchronised_(unsynchronised) {}

  // Where reading is, counted in stored bytes from the first byte after the
  // tag header, and how many stored bytes are left.
  std::uint64_t Offset() const { return at_ - start_; }
  std::uint64_t Left() const { return end_ - at_; }

  // Reads up to count bytes into into, or past them when into is null;
  // returns how many there were.
  std::size_t Read(unsigned char* into, std::size_t count) {
    if (!unsynchronised_ && into == nullptr) {
      std::size_t skipped = Smaller(count, Left());
      at_ += skipped;
      return skipped;
    }
    std::size_t done = 0;
    while (done < count && at_ < end_) {
      unsigned char block[ReadBlock];
      std::size_t wanted = Smaller(Smaller(count - done, sizeof block), Left());
      SeekFile(at_);
      std::size_t got = ReadBytes(block, wanted);
      at_ += got;
      for (std::size_t i = 0; i < got; ++i) {
        bool dropped = unsynchronised_ && afterFF_ && block[i] == 0;
        afterFF_ = block[i] == 0xFF;
        if (dropped) continue;
        if (into) into[done] = block[i];
        ++done;
      }
      if (got < wanted) break;
    }
    return done;
  }

  bool Skip(std::uint64_t count) {
    while (count > 0) {
      std::size_t step = Smaller(count, ReadBlock);
      if (Read(nullptr, step) < step) return false;
      count -= step;
    }
    return true;
  }

  // Up to count stored bytes from offset bytes ahead, the position kept.
  std::size_t Peek(std::uint64_t offset, unsigned char* into, std::size_t count) const {
    if (offset >= Left()) return 0;
    SeekFile(at_ + offset);
    return ReadBytes(into, Smaller(count, Left() - offset));
  }

 private:
  std::uint64_t start_, end_, at_;
  bool unsynchronised_;
  bool afterFF_ = false;
};

// Whether what lies offset stored bytes ahead may follow a frame: the end
// of the tag, padding, or the identifier of another frame.
bool MayFollowFrame(const TagBytes& bytes, std::uint64_t offset) {
  if (offset > bytes.Left()) return false;
  unsigned char next[10];
  std::size_t got = bytes.Peek(offset, next, sizeof next);
  bool padding = true;
  for (std::size_t i = 0; i < got; ++i) padding = padding && next[i] == 0;
  return padding || (got >= 4 && IsFrameId(next, 4));
}

// The size of a 2.4 frame, whose header is just read. Sizes are syncsafe in
// 2.4, yet some writers put plain 32-bit sizes there: a size that is not
// syncsafe is plain, and so is one whose syncsafe reading ends the frame
// where no frame, padding or end of tag follows while its plain reading does.
std::uint64_t FrameSize24(const TagBytes& bytes, const unsigned char* size) {
  std::uint32_t plain = BigEndian(size, 4);
  if ((size[0] | size[1] | size[2] | size[3]) & 0x80) return plain;
  std::uint32_t syncsafe = Syncsafe(size);
  if (syncsafe == plain || MayFollowFrame(bytes, syncsafe) || !MayFollowFrame(bytes, plain))
    return syncsafe;
  return plain;
}

// Undoes the unsynchronisation of a 2.4 frame: each 0xFF 0x00 becomes 0xFF.
std::string Resynchronised(const std::string& stored) {
  std::string bytes;
  bytes.reserve(stored.size());
  for (std::size_t i = 0; i < stored.size(); ++i) {
    bytes += stored[i];
    if (stored[i] == '\xFF' && i + 1 < stored.size() && stored[i + 1] == '\0') ++i;
  }
  return bytes;
}

// How many stored bytes of an unsynchronised run give its first count bytes.
std::size_t StoredBytes(const std::string& stored, std::size_t count) {
  std::size_t at = 0;
  for (std::size_t taken = 0; taken < count && at < stored.size(); ++taken)
    at += stored[at] == '\xFF' && at + 1 < stored.size() && stored[at + 1] == '\0' ? 2 : 1;
  return at;
}

// The strings of a frame's content in its text encoding, one after the
// other, each ended by a NUL (two in UTF-16) or by the content's end; read
// as UTF-8. UTF-16 texts begin with a byte order mark, which the next text
// without one follows (little-endian before any); a last odd byte is
// dropped, and a surrogate without its pair reads as U+FFFD.
class Strings {
 public:
  Strings(const std::string& content, std::size_t at, unsigned encoding)
      : bytes_(reinterpret_cast<const unsigned char*>(content.data())),
        size_(content.size()),
        at_(at < content.size() ? at : content.size()),
        encoding_(encoding) {}

  std::size_t Position() const { return at_; }

  // count bytes as they stand (a language code, a 2.2 image format).
  std::string Fixed(std::size_t count) {
    std::size_t end = at_ + Smaller(count, size_ - at_);
    std::string text(reinterpret_cast<const char*>(bytes_ + at_), end - at_);
    at_ = end;
    return text;
  }

  std::string Next(bool* ended = nullptr) { return Take(encoding_, ended); }
  std::string NextLatin1() { return Take(Latin1, nullptr); }

  // The texts left, joined by " / " (2.4 text frames hold several); empty
  // ones are left out.
  std::string Rest() {
    std::string joined;
    while (at_ < size_) {
      std::string text = Next();
      if (text.empty()) continue;
      if (!joined.empty()) joined += " / ";
      joined += text;
    }
    return joined;
  }

 private:
  std::string Take(unsigned encoding, bool* ended) {
    std::string text;
    bool nul = encoding == Utf16 || encoding == Utf16BigEndian ? TakeUtf16(encoding, text)
                                                                : TakeBytes(encoding, text);
    if (ended) *ended = nul;
    return text;
  }

  bool TakeBytes(unsigned encoding, std::string& text) {
    std::size_t end = at_;
    while (end < size_ && bytes_[end] != 0) ++end;
    std::size_t at = at_;
    if (encoding == Utf8 && end - at >= 3 && bytes_[at] == 0xEF && bytes_[at + 1] == 0xBB &&
        bytes_[at + 2] == 0xBF)
      at += 3;
    while (at < end) {
      std::size_t taken = 1;
      AppendUtf8(encoding == Utf8 ? DecodeUtf8(bytes_ + at, end - at, taken) : bytes_[at], text);
      at += taken;
    }
    bool nul = end < size_;
    at_ = nul ? end + 1 : end;
    return nul;
  }

  unsigned Unit(bool bigEndian) const {
    return bigEndian ? bytes_[at_] << 8 | bytes_[at_ + 1] : bytes_[at_ + 1] << 8 | bytes_[at_];
  }

  bool TakeUtf16(unsigned encoding, std::string& text) {
    if (size_ - at_ >= 2) {
      unsigned mark = Unit(true);
      if (encoding == Utf16 && (mark == 0xFFFE || mark == 0xFEFF)) {
        bigEndian_ = mark == 0xFEFF;
        at_ += 2;
      } else if (encoding == Utf16BigEndian && mark == 0xFEFF) {
        at_ += 2;
      }
    }
    bool bigEndian = encoding == Utf16BigEndian || bigEndian_;
    unsigned high = 0;  // a high surrogate waiting for its pair
    bool nul = false;
    while (size_ - at_ >= 2) {
      unsigned unit = Unit(bigEndian);
      at_ += 2;
      bool low = unit >= 0xDC00 && unit <= 0xDFFF;
      if (high && low) {
        AppendUtf8(0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00), text);
        high = 0;
        continue;
      }
      if (high) AppendUtf8(0xFFFD, text);
      high = 0;
      if (unit == 0) {
        nul = true;
        break;
      }
      if (unit >= 0xD800 && unit <= 0xDBFF)
        high = unit;
      else
        AppendUtf8(low ? 0xFFFD : unit, text);
    }
    if (high) AppendUtf8(0xFFFD, text);
    if (!nul) at_ = size_;
    return nul;
  }

  const unsigned char* bytes_;
  std::size_t size_, at_;
  unsigned encoding_;
  bool bigEndian_ = false;
};

// Plain 3-letter language codes; anything else is left out.
std::string Language(const std::string& code) {
  for (char c : code)
    if (c < 0x20 || c > 0x7E) return std::string();
  return code;
}

// Fills frame from its content (the first part of it that was read, at
// most FrameReadCap bytes; length is the whole content's, in the bytes the
// picture size counts).
void DecodeFrame(Id3Frame& frame, const std::string& content, std::uint64_t length,
                 const std::string* stored, unsigned major) {
  const bool v22 = major == 2;
  const std::string& id = frame.id;
  bool userText = id == (v22 ? "TXX" : "TXXX"), userUrl = id == (v22 ? "WXX" : "WXXX");
  bool comment = id == (v22 ? "COM" : "COMM"), picture = id == (v22 ? "PIC" : "APIC");
  bool text = id[0] == 'T' && !userText, url = id[0] == 'W' && !userUrl;
  if (!(text || userText || url || userUrl || comment || picture)) {
    frame.kind = FrameKind::Other;
    frame.sized = true;
    frame.size = length;
    return;
  }
  if (url) {
    frame.kind = FrameKind::Url;
    frame.value = Strings(content, 0, Latin1).NextLatin1();
    return;
  }
  // The others begin with their text encoding.
  unsigned encoding = content.empty() ? Latin1 : static_cast<unsigned char>(content[0]);
  if (encoding > Utf8) {
    frame.kind = FrameKind::UnknownEncoding;
    frame.number = encoding;
    return;
  }
  Strings in(content, 1, encoding);
  if (text) {
    frame.kind = FrameKind::Text;
    frame.value = major == 4 ? in.Rest() : in.Next();
  } else if (userText) {
    frame.kind = FrameKind::UserText;
    frame.description = in.Next();
    frame.value = major == 4 ? in.Rest() : in.Next();
  } else if (userUrl) {
    frame.kind = FrameKind::UserUrl;
    frame.description = in.Next();
    frame.value = in.NextLatin1();
  } else if (comment) {
    frame.kind = FrameKind::Comment;
    frame.language = Language(in.Fixed(3));
    frame.description = in.Next();
    frame.value = in.Next();
  } else {
    frame.kind = FrameKind::Picture;
    frame.value = v22 ? Strings(in.Fixed(3), 0, Latin1).NextLatin1() : in.NextLatin1();
    std::string type = in.Fixed(1);
    frame.number = type.empty() ? 0 : static_cast<unsigned char>(type[0]);
    bool ended = false;
    frame.description = in.Next(&ended);
    // The picture's bytes follow the description's end, when it has one.
    std::size_t header = stored ? StoredBytes(*stored, in.Position()) : in.Position();
    frame.sized = ended && header <= length;
    if (frame.sized) frame.size = length - header;
  }
}

void Damage(Id3Record& record, std::uint64_t at, const std::string& what) {
  record.damage = what;
  record.damageAt = at;
}

// Reads the frames up to the padding or the end. limit names the end that
// bytes reach: the tag's, the chunk's or the file's.
void ReadFrames(TagBytes& bytes, Id3Record& record, bool tagUnsynchronised, const char* limit) {
  const unsigned major = record.major;
  const std::size_t idBytes = major == 2 ? 3 : 4, headerBytes = major == 2 ? 6 : 10;
  std::string content;
  while (bytes.Left() > 0) {
    std::uint64_t at = TagHeaderBytes + bytes.Offset();
    unsigned char header[10];
    std::size_t got = bytes.Read(header, headerBytes);
    if (got == 0 || header[0] == 0) return;  // padding
    if (got < headerBytes) {
      Damage(record, at, "the frame header at byte " + std::to_string(at) + " runs past " + limit);
      return;
    }
    if (!IsFrameId(header, idBytes)) {
      Damage(record, at, "neither a frame nor padding at byte " + std::to_string(at));
      return;
    }
    if (record.frames.size() == FrameCap || record.textKept >= TextKeptCap) {
      record.framesCut = true;
      return;
    }
    Id3Frame frame;
    frame.id.assign(reinterpret_cast<const char*>(header), idBytes);
    std::uint64_t size = major == 2   ? BigEndian(header + 3, 3)
                         : major == 3 ? BigEndian(header + 4, 4)
                                      : FrameSize24(bytes, header + 4);
    unsigned flags = major == 2 ? 0 : BigEndian(header + 8, 2);
    const std::string runsPast =
        "frame " + frame.id + " at byte " + std::to_string(at) + " runs past " + limit;
    if (size > bytes.Left()) {
      Damage(record, at, runsPast);
      return;
    }
    bool compressed = flags & (major == 3 ? Compressed23 : Compressed24);
    bool encrypted = flags & (major == 3 ? Encrypted23 : Encrypted24);
    if (compressed || encrypted) {
      frame.kind = compressed ? FrameKind::Compressed : FrameKind::Encrypted;
      frame.sized = true;
      frame.size = size;
      if (!bytes.Skip(size)) {
        Damage(record, at, runsPast);
        return;
      }
      record.frames.push_back(frame);
      continue;
    }
    // Before the content: a group's number (2.3, 2.4), then the content's
    // length before unsynchronisation (2.4, syncsafe).
    unsigned char extra[5];
    std::size_t extraBytes = 0;
    if (major == 3) extraBytes = flags & Grouped23 ? 1 : 0;
    if (major == 4) extraBytes = (flags & Grouped24 ? 1 : 0) + (flags & DataLength24 ? 4 : 0);
    extraBytes = Smaller(extraBytes, size);
    const std::uint64_t length = size - extraBytes;
    // Of a picture, the header is read first, and more of it only when its
    // description goes on.
    const bool picture = frame.id == (major == 2 ? "PIC" : "APIC");
    const std::size_t cap = Smaller(length, FrameReadCap);
    std::size_t wanted = picture ? Smaller(cap, PictureFirstRead) : cap;
    content.resize(cap);
    unsigned char* into = reinterpret_cast<unsigned char*>(&content[0]);
    if (bytes.Read(extra, extraBytes) < extraBytes || bytes.Read(into, wanted) < wanted) {
      Damage(record, at, runsPast);
      return;
    }
    // In 2.4 a frame's own flag says it is unsynchronised, and the tag's
    // flag that all of them are.
    const bool unsynchronised = major == 4 && (flags & Unsynchronised24 || tagUnsynchronised);
    const bool lengthGiven = unsynchronised && flags & DataLength24 && extraBytes >= 4;
    const std::uint64_t decodedLength = lengthGiven ? Syncsafe(extra + extraBytes - 4) : length;
    auto decode = [&] {
      content.resize(wanted);
      if (!unsynchronised)
        DecodeFrame(frame, content, decodedLength, nullptr, major);
      else
        DecodeFrame(frame, Resynchronised(content), decodedLength, lengthGiven ? nullptr : &content,
                    major);
    };
    decode();
    if (picture && !frame.sized && wanted < cap) {
      content.resize(cap);
      into = reinterpret_cast<unsigned char*>(&content[0]);
      if (bytes.Read(into + wanted, cap - wanted) < cap - wanted) {
        Damage(record, at, runsPast);
        return;
      }
      wanted = cap;
      decode();
    }
    if (!bytes.Skip(length - wanted)) {
      Damage(record, at, runsPast);
      return;
    }
    record.textKept += frame.value.size() + frame.description.size();
    record.frames.push_back(frame);
  }
}

void ReadTag(std::uint32_t length, Id3Record& record) {
  const std::uint64_t start = FilePosition();
  unsigned char header[TagHeaderBytes];
  std::size_t held = ReadBytes(header, Smaller(length, sizeof header));
  record.id3 = held > 0;
  for (std::size_t i = 0; i < 3 && i < held; ++i) record.id3 = record.id3 && header[i] == "ID3"[i];
  if (!record.id3) record.unread = NotId3v2;
  record.majorKnown = record.id3 && held > 3;
  record.revisionKnown = record.id3 && held > 4;
  if (record.majorKnown) record.major = header[3];
  if (record.revisionKnown) record.revision = header[4];
  if (length < sizeof header) {
    unsigned char id[4];
    SeekFile(start - 8);
    ReadBytes(id, sizeof id);
    ReportProblem({"chunk_too_short", start - 8, id});
  }
  if (held < sizeof header) {
    if (record.id3)
      Damage(record, held,
             "the tag header runs past " +
                 std::string(length < sizeof header ? "the chunk" : "the end of the file") +
                 " at byte " + std::to_string(held));
    return;
  }
  if (!record.id3) return;
  if (record.major < 2 || record.major > 4) {
    record.unread = UnknownVersion;
    return;
  }
  unsigned flags = header[5];
  if (record.major == 2 && flags & TagCompressed22) {
    record.unread = CompressedTag;
    return;
  }

  const std::uint64_t body = start + TagHeaderBytes;
  const std::uint64_t tagEnd = body + Syncsafe(header + 6);
  const std::uint64_t chunkEnd = start + length;
  const std::uint64_t fileEnd = ReportFileSize() > body ? ReportFileSize() : body;
  std::uint64_t end = tagEnd;
  const char* limit = "the tag";
  if (chunkEnd < end) end = chunkEnd, limit = "the chunk";
  if (fileEnd < end) end = fileEnd, limit = "the end of the file";
  const bool unsynchronised = flags & TagUnsynchronised;
  record.framesRead = true;
  TagBytes bytes(body, end, unsynchronised && record.major < 4);

  if (record.major >= 3 && flags & TagExtendedHeader) {
    // 2.3 counts the bytes after the size field, 2.4 the whole header.
    unsigned char size[4];
    std::size_t got = bytes.Read(size, sizeof size);
    std::uint64_t rest = record.major == 3 ? BigEndian(size, 4) : Syncsafe(size);
    if (got == sizeof size && record.major == 4 && rest < SmallestExtendedHeader24) {
      Damage(record, TagHeaderBytes,
             "the extended header at byte 10 gives its size as " + std::to_string(rest) +
                 " bytes, fewer than its own " + std::to_string(SmallestExtendedHeader24));
      return;
    }
    if (record.major == 4) rest -= sizeof size;
    if (got < sizeof size || !bytes.Skip(rest)) {
      Damage(record, TagHeaderBytes,
             std::string("the extended header at byte 10 runs past ") + limit);
      return;
    }
  }
  ReadFrames(bytes, record, unsynchronised, limit);
  if (record.damage.empty() && tagEnd > end) {
    std::uint64_t heldBytes = end - start;
    Damage(record, heldBytes,
           "the tag's " + std::to_string(tagEnd - start) + " bytes run past " +
               (end == chunkEnd ? "the chunk" : "the end of the file") + " at byte " +
               std::to_string(heldBytes));
  }
}

// Picture types, as numbered in the tag's own table.
const char* const PictureTypes[] = {"Other",
                                    "32x32 pixels 'file icon' (PNG only)",
                                    "Other file icon",
                                    "Cover (front)",
                                    "Cover (back)",
                                    "Leaflet page",
                                    "Media (e.g. label side of CD)",
                                    "Lead artist/lead performer/soloist",
                                    "Artist/performer",
                                    "Conductor",
                                    "Band/Orchestra",
                                    "Composer",
                                    "Lyricist/text writer",
                                    "Recording Location",
                                    "During recording",
                                    "During performance",
                                    "Movie/video screen capture",
                                    "A bright coloured fish",
                                    "Illustration",
                                    "Band/artist logotype",
                                    "Publisher/Studio logotype"};

// The text frames shown by name, in this order, and their 2.2 identifiers.
const struct {
  const char* id;
  const char* id22;
  const char* label;
  const char* name;
} NamedFrames[] = {
    {"TIT2", "TT2", "Title", "title"}, {"TPE1", "TP1", "Artist", "artist"},
    {"TALB", "TAL", "Album", "album"}, {"TDRC", nullptr, "Date", "date"},
    {"TYER", "TYE", "Year", "year"},   {"TCON", "TCO", "Genre", "genre"},
    {"TRCK", "TRK", "Track", "track"},
};

// A line of its own for the Tags report, besides the frame's JSON members.
void FrameLine(const char* label, const std::string& text) {
  TagShowing lineOnly(true, false);
  TagText(label, nullptr, text);
}

// "description: value", or the value alone.
std::string Described(const Id3Frame& frame) {
  std::string description = TagValue(frame.description);
  return description.empty() ? frame.value : description + ": " + TagValue(frame.value);
}

void DescribeFrame(const Id3Frame& frame) {
  JsonScope element(nullptr);
  JsonIdentifier("id", reinterpret_cast<const unsigned char*>(frame.id.data()), frame.id.size());
  const char* id = frame.id.c_str();
  switch (frame.kind) {
    case FrameKind::Text: TagText(id, "text", frame.value); break;
    case FrameKind::Url: TagText(id, "url", frame.value); break;
    case FrameKind::UserText:
    case FrameKind::UserUrl: {
      FrameLine(id, Described(frame));
      TagShowing json(false, true);
      TagText(nullptr, "description", frame.description);
      TagText(nullptr, frame.kind == FrameKind::UserUrl ? "url" : "text", frame.value);
      break;
    }
    case FrameKind::Comment: {
      std::string language = TagValue(frame.language);
      FrameLine("Comment", (language.empty() ? "" : "(" + language + ") ") + Described(frame));
      TagShowing json(false, true);
      TagText(nullptr, "language", language);
      TagText(nullptr, "description", frame.description);
      TagText(nullptr, "text", frame.value);
      break;
    }
    case FrameKind::Picture: {
      const char* typeName = frame.number < sizeof PictureTypes / sizeof *PictureTypes
                                 ? PictureTypes[frame.number]
                                 : nullptr;
      std::string type = "type " + std::to_string(frame.number);
      std::string line = typeName ? typeName + (" (" + type + ")") : type;
      if (!TagValue(frame.value).empty()) line += ", " + TagValue(frame.value);
      if (frame.sized) line += ", " + std::to_string(frame.size) + " bytes";
      if (!TagValue(frame.description).empty()) line += ", \"" + TagValue(frame.description) + "\"";
      FrameLine("Picture", line);
      TagShowing json(false, true);
      TagText(nullptr, frame.id.size() == 3 ? "image_format" : "mime_type", frame.value);
      JsonUnsigned("picture_type", frame.number);
      if (typeName) JsonAscii("picture_type_name", typeName);
      TagText(nullptr, "description", frame.description);
      if (frame.sized) JsonUnsigned("size", frame.size);
      break;
    }
    case FrameKind::Compressed:
    case FrameKind::Encrypted: {
      bool compressed = frame.kind == FrameKind::Compressed;
      FrameLine(id, std::string(compressed ? "compressed" : "encrypted") + ", not read (" +
                        std::to_string(frame.size) + " bytes)");
      JsonBool(compressed ? "compressed" : "encrypted", true);
      JsonUnsigned("size", frame.size);
      break;
    }
    case FrameKind::UnknownEncoding:
      FrameLine(id, "text in unknown encoding " + std::to_string(frame.number) + ", not read");
      JsonUnsigned("unknown_encoding", frame.number);
      break;
    case FrameKind::Other:
      FrameLine(id, std::to_string(frame.size) + " bytes, not shown");
      JsonUnsigned("size", frame.size);
      break;
  }
}

// Whether a frame has anything to show: an empty text is left out.
bool HasContent(const Id3Frame& frame) {
  switch (frame.kind) {
    case FrameKind::Text:
    case FrameKind::Url: return !TagValue(frame.value).empty();
    case FrameKind::UserText:
    case FrameKind::UserUrl:
    case FrameKind::Comment:
      return !TagValue(frame.value).empty() || !TagValue(frame.description).empty();
    default: return true;
  }
}

void DescribeRecord(const Id3Record& record) {
  std::string heading = record.majorKnown ? "ID3v2." + std::to_string(record.major) : "ID3";
  TagSection section(heading.c_str(), "id3");
  if (record.majorKnown) JsonUnsigned("major_version", record.major);
  if (record.revisionKnown) JsonUnsigned("revision", record.revision);
  // The first text frame of each name with a text shows under that name.
  std::vector<bool> named(record.frames.size(), false);
  for (const auto& kind : NamedFrames) {
    const char* id = record.major == 2 ? kind.id22 : kind.id;
    for (std::size_t i = 0; id && i < record.frames.size(); ++i) {
      const Id3Frame& frame = record.frames[i];
      if (!named[i] && frame.kind == FrameKind::Text && frame.id == id && HasContent(frame)) {
        named[i] = true;
        TagText(kind.label, kind.name, frame.value);
        break;
      }
    }
  }
  if (record.framesRead) {
    JsonScope frames("frames", JsonScope::Array);
    for (std::size_t i = 0; i < record.frames.size(); ++i)
      if (!named[i] && HasContent(record.frames[i])) DescribeFrame(record.frames[i]);
  }
  if (record.framesCut) {
    TagLine(2, "Only the first " + std::to_string(record.frames.size()) + " frames were read");
    JsonBool("frames_cut", true);
  }
  if (record.unread) {
    std::string why = "Not an ID3v2 tag";
    if (record.unread == UnknownVersion)
      why = "Not read: version 2." + std::to_string(record.major) + " is unknown";
    if (record.unread == CompressedTag) why = "Not read: the whole tag is compressed";
    TagLine(2, why);
    JsonAscii("unread", record.unread);
  }
  if (!record.damage.empty()) {
    TagLine(2, "Damaged: " + record.damage);
    JsonUtf8("damage", record.damage);
    JsonUnsigned("damage_offset", record.damageAt);
  }
}

}  // namespace

void DescribeId3Chunk(std::uint32_t length) {
  Id3Record record;
  ReadTag(length, record);
  DescribeRecord(record);
}
