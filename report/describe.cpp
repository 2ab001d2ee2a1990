// Plain-language descriptions of chunk identifiers.
#include "engine.h"

namespace {

struct ChunkDescription {
  char id[5];
  const char* text;
};

const ChunkDescription ChunkDescriptions[] = {
    // WAVE form
    {"fmt ", " format description"},
    {"data", " waveform data"},
    {"fact", " waveform length"},
    {"cue ", " markers"},
    {"plst", " playlist"},
    {"tlst", " trigger list"},
    {"smpl", " sample paramters"},
    {"inst", " sample paramters"},
    {"PAD ", " sector alignment"},
    {"JUNK", " obsolete data"},
    {"DISP", " displayable object"},
    {"PEAK", " peak positions"},
    {"PVXW", " phase vocoder analysis window"},
    {"guid", " unique ID"},
    {"dlid", " unique ID"},
    {"ds64", " 64-bit sizes"},
    // broadcast extension
    {"bext", " broadcast audio extension"},
    {"BEXT", " broadcast audio extension"},
    {"mext", " broadcast MPEG audio extension"},
    {"MEXT", " broadcast MPEG audio extension"},
    // associated data list
    {"labl", " marker/region text"},
    {"note", " marker/region comment"},
    {"ltxt", " region length"},
    // INFO list
    {"IARL", " archival location"},
    {"IART", " artist name"},
    {"ICMS", " commissioned by"},
    {"ICMT", " comments"},
    {"ICOP", " copyright"},
    {"ICRD", " creation date"},
    {"ICRP", " cropping"},
    {"IDIM", " dimensions"},
    {"IDIT", " digitization time"},
    {"IDPI", " dots per inch"},
    {"IENG", " engineer"},
    {"IGNR", " genre"},
    {"IKEY", " keywords"},
    {"ILGT", " lightness"},
    {"IMED", " source medium"},
    {"INAM", " title"},
    {"IPLT", " palette"},
    {"IPRD", " associated product"},
    {"ISBJ", " subject description"},
    {"ISFT", " software used"},
    {"ISHP", " sharpness"},
    {"ISMP", " start time"},
    {"ISRC", " supplied by"},
    {"ISRF", " source format"},
    {"ITCH", " recording technician"},
};

static_assert(sizeof ChunkDescriptions / sizeof ChunkDescriptions[0] == 48,
              "every described identifier has one row");

}  // namespace

void DescribeChunkId(const unsigned char* id) {
  std::uint32_t value = FourCCValue(id);
  for (const ChunkDescription& row : ChunkDescriptions) {
    if (FourCC(row.id) == value) {
      TextField("description", row.text);
      return;
    }
  }
}
