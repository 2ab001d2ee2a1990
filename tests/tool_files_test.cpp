// Files written by common audio tools (made by data/make-tool-files.sh): the
// report of each must show the header the tool wrote, as read off the bytes
// by hand.
#include "decoder_cases.h"

namespace {

const std::string PcmGuidLine = "{00000001-0000-0010-8000-00aa00389b71} PCM format";
const std::string Fact960 = Decoded("<fact> waveform length", {"960 samples"});
const std::string Fact160 = Decoded("<fact> waveform length", {"160 samples"});
const std::string Tone = Decoded("<data> waveform data", {"0.020 sec duration"});

TEST(ToolFiles, ReportsShowTheHeadersTheToolsWrote) {
  const std::string channels = "Channel assignments:";
  const std::pair<const char*, std::string> files[] = {
      {"pcm16-stereo-44k.wav", FormatLines("PCM format", 2, 44100, 176400, 4, {"16 bit"}) + Tone},
      {"pcm24-mono-48k.wav", FormatLines("Extensible format", 1, 48000, 144000, 3,
                                         {"24 bit", channels, "\t1. Centre", PcmGuidLine}) +
                                 Fact960 + Tone},
      {"float32-mono-48k.wav",
       FormatLines("Floating point format", 1, 48000, 192000, 4, {"32 bit"}) + Fact960 + Tone},
      {"extensible-24bit-6ch-48k.wav",
       FormatLines("Extensible format", 6, 48000, 864000, 18, {"24 bit", channels}) +
           Lines(3, {"1. Left", "2. Right", "3. Centre", "4. Subwoofer", "5. Surround left",
                     "6. Surround right"}) +
           Lines(2, {PcmGuidLine}) + Fact960 + Tone},
      {"extensible-16bit-5.1side-48k.wav",
       FormatLines("Extensible format", 6, 48000, 576000, 12, {"16 bit", channels}) +
           Lines(3, {"1. Left", "2. Right", "3. Centre", "4. Subwoofer", "5. Side left",
                     "6. Side right"}) +
           Lines(2, {PcmGuidLine}) + Tone},
      {"alaw-mono-8k.wav",
       FormatLines("A-law format", 1, 8000, 8000, 1, {"8 bit"}) + Fact160 + Tone},
      {"ulaw-mono-8k.wav",
       FormatLines("\xB5-law format", 1, 8000, 8000, 1, {"8 bit"}) + Fact160 + Tone},
      {"ima-adpcm-mono-8k.wav", FormatLines("IMA/DVI PCM format", 1, 8000, 4055, 256,
                                            {"4 bit", "Additional parameters (2 bytes): F9 01"}) +
                                    Fact160 +
                                    Decoded("<data> waveform data", {"0.063 sec duration"})},
      {"broadcast-16bit-mono-48k.wav",
       FormatLines("PCM format", 1, 48000, 96000, 2, {"16 bit"}) +
           Decoded("<bext> broadcast audio extension",
                   {"Description: \"Tone for the report tests\"", "Originator: \"tarvo tests\"",
                    "Originator reference: \"TARVO0001\"", "Origination date: \"2024-03-01\"",
                    "Origination time: \"12:34:56\"", "Sample count 172800000 since midnight",
                    "Version 1", "\"\"", "Coding history: ", "\tA=PCM,F=48000,W=16,M=mono,T=sine",
                    "\tA=PCM,F=48000,W=16,M=mono,T=copy"}) +
           Tone},
      {"broadcast-float-peak-info-44k.wav",
       FormatLines("Floating point format", 2, 44100, 352800, 8, {"32 bit"}) +
           Decoded("<fact> waveform length", {"882 samples"}) +
           Decoded("<PEAK> peak positions",
                   {"Version 1 (timestamp 1796672068)", "Channel 1: 0.00 dB @ 876",
                    "Channel 2: 0.00 dB @ 876"}) +
           Decoded("<bext> broadcast audio extension",
                   {"Description: \"Hall take 3\"", "Originator: \"tarvo tests\"",
                    "Originator reference: \"TARVO0002\"", "Origination date: \"2024-03-02\"",
                    "Origination time: \"01:02:03\"", "Sample count 96000 since midnight",
                    "Version 2", "\"UMIDTEXT\"", "Coding history: ",
                    "\tA=PCM,F=44100,W=32,M=stereo,T=convert",
                    "\tA=PCM,F=44100,W=24,M=stereo,T=libsndfile-1.2.0"}) +
           Tone + Lines(1, {"LIST 'INFO'"}) +
           Lines(2, {"<INAM> title", "\t\"Hall take\"", "<IART> artist name", "\t\"Quartet\"",
                     "<ICMT> comments", "\t\"tuned A=442\""})},
      // RIFF length and data size 0xFFFFFFFF; ds64 holds 2022 (the file's
      // 2030 bytes less 8), 1920 and 960.
      {"rf64-16bit-mono-48k-info.wav",
       Decoded("<ds64> 64-bit sizes", {"RIFF length 2022", "data length 1920", "960 samples"}) +
           FormatLines("PCM format", 1, 48000, 96000, 2, {"16 bit"}) +
           Lines(1, {"LIST 'INFO'"}) + Lines(2, {"<INAM> title", "\t\"Long take\""}) + Tone},
  };
  // Copied into the tests' own file, so that the summary lines do not depend
  // on where the data folder is or when it was written.
  std::vector<DecoderCase> cases;
  for (const auto& f : files) {
    std::string bytes = ReadWholeFile(TARVO_SOURCE_DIR "/tests/data/"s + f.first);
    ASSERT_FALSE(bytes.empty()) << f.first << " is missing";
    cases.push_back({f.first, bytes, f.second});
  }
  CheckReports(cases);
}

}  // namespace
