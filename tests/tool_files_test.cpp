// Files written by common audio tools (made by data/make-tool-files.sh):
// the report of each must show the header the tool wrote. The expected lines
// were read off the files' bytes by hand.
#include "decoder_cases.h"

using namespace wav;
using namespace std::string_literals;

namespace {

const std::string Fmt = "<fmt > format description";
const std::string PcmGuidLine = "{00000001-0000-0010-8000-00aa00389b71} PCM format";
const std::string Fact960 = Decoded("<fact> waveform length", {"960 samples"});
const std::string Fact160 = Decoded("<fact> waveform length", {"160 samples"});
const std::string Tone = Decoded("<data> waveform data", {"0.020 sec duration"});

TEST(ToolFiles, ReportsShowTheHeadersTheToolsWrote) {
  const struct {
    const char* name;
    std::string body;
  } files[] = {
      {"pcm16-stereo-44k.wav",
       Decoded(Fmt, {"PCM format", "2 channel", "44100 Hz", "176400 bytes/sec", "4 bytes/frame",
                     "16 bit"}) +
           Tone},
      {"pcm24-mono-48k.wav",
       Decoded(Fmt, {"Extensible format", "1 channel", "48000 Hz", "144000 bytes/sec",
                     "3 bytes/frame", "24 bit", "Channel assignments:"}) +
           Lines(3, {"1. Centre"}) + Lines(2, {PcmGuidLine}) + Fact960 + Tone},
      {"float32-mono-48k.wav",
       Decoded(Fmt, {"Floating point format", "1 channel", "48000 Hz", "192000 bytes/sec",
                     "4 bytes/frame", "32 bit"}) +
           Fact960 + Tone},
      {"extensible-24bit-6ch-48k.wav",
       Decoded(Fmt, {"Extensible format", "6 channel", "48000 Hz", "864000 bytes/sec",
                     "18 bytes/frame", "24 bit", "Channel assignments:"}) +
           Lines(3, {"1. Left", "2. Right", "3. Centre", "4. Subwoofer", "5. Surround left",
                     "6. Surround right"}) +
           Lines(2, {PcmGuidLine}) + Fact960 + Tone},
      {"extensible-16bit-5.1side-48k.wav",
       Decoded(Fmt, {"Extensible format", "6 channel", "48000 Hz", "576000 bytes/sec",
                     "12 bytes/frame", "16 bit", "Channel assignments:"}) +
           Lines(3, {"1. Left", "2. Right", "3. Centre", "4. Subwoofer", "5. Side left",
                     "6. Side right"}) +
           Lines(2, {PcmGuidLine}) + Tone},
      {"alaw-mono-8k.wav",
       Decoded(Fmt, {"A-law format", "1 channel", "8000 Hz", "8000 bytes/sec", "1 bytes/frame",
                     "8 bit"}) +
           Fact160 + Tone},
      {"ulaw-mono-8k.wav",
       Decoded(Fmt, {"\xB5-law format", "1 channel", "8000 Hz", "8000 bytes/sec",
                     "1 bytes/frame", "8 bit"}) +
           Fact160 + Tone},
      {"ima-adpcm-mono-8k.wav",
       Decoded(Fmt, {"IMA/DVI PCM format", "1 channel", "8000 Hz", "4055 bytes/sec",
                     "256 bytes/frame", "4 bit", "Additional parameters (2 bytes): F9 01"}) +
           Fact160 + Decoded("<data> waveform data", {"0.063 sec duration"})},
      {"broadcast-16bit-mono-48k.wav",
       Decoded(Fmt, {"PCM format", "1 channel", "48000 Hz", "96000 bytes/sec", "2 bytes/frame",
                     "16 bit"}) +
           Decoded("<bext> broadcast audio extension",
                   {"Description: \"Tone for the report tests\"", "Originator: \"tarvo tests\"",
                    "Originator reference: \"TARVO0001\"", "Origination date: \"2024-03-01\"",
                    "Origination time: \"12:34:56\"", "Sample count 172800000 since midnight",
                    "Version 1", "\"\"", "Coding history: "}) +
           Lines(3, {"A=PCM,F=48000,W=16,M=mono,T=sine", "A=PCM,F=48000,W=16,M=mono,T=copy"}) +
           Tone},
  };
  // The bytes are copied into a file of the tests' own, so that the summary
  // lines do not depend on where the data folder is or when it was written.
  ReportFixture copy;
  for (const auto& f : files) {
    SCOPED_TRACE(f.name);
    std::string bytes = ReadWholeFile(TARVO_SOURCE_DIR "/tests/data/"s + f.name);
    ASSERT_FALSE(bytes.empty()) << "missing test file";
    EXPECT_EQ(copy.ReportOf(bytes), copy.Whole(bytes, f.body));
  }
}

}  // namespace
