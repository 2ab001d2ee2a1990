// Time of BuildReport on typical files.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "report.h"
#include "wav_builder.h"

using namespace wav;

namespace {

void Measure(benchmark::State& state, const std::string& bytes) {
  ReportFixture file;
  file.Write(bytes);
  for (auto _ : state) benchmark::DoNotOptimize(BuildReport(file.Path().c_str()));
  state.SetItemsProcessed(state.iterations());
}

// fmt, LIST INFO with five items, one second of 16-bit stereo data.
void TypicalFile(benchmark::State& state) {
  std::string info = Chunk("INAM", "Morning take") + Chunk("IART", "Field recorder") +
                     Chunk("ICRD", "2026-12-07") + Chunk("ISFT", "tarvo bench") +
                     Chunk("ICMT", "Room tone, north window open");
  Measure(state, Riff(PcmFormat(2, 44100, 16) + List("INFO", info) +
                      Chunk("data", Fill(176400))));
}
BENCHMARK(TypicalFile);

// 1,000 small chunks.
void ThousandSmallChunks(benchmark::State& state) {
  std::string chunks;
  for (int i = 0; i < 1000; ++i) chunks += Chunk("JUNK", "abcd");
  Measure(state, Riff(chunks));
}
BENCHMARK(ThousandSmallChunks);

// A 3 GiB sparse data chunk with LIST chunks after it, against the same
// chunks after 32 KB of data (just beyond the read-ahead buffer) and after
// 3 KB (read whole). The walk seeks over samples, so the first two cost the
// same; the third saves the one read that fetches the LIST after the samples.
void ListsAfterData(benchmark::State& state, std::uint64_t dataSize) {
  ReportFixture file;
  std::string head = Riff(PcmFormat(2, 44100, 16)) + "data" +
                     U32(static_cast<std::uint32_t>(dataSize));
  std::string tail = List("INFO", Chunk("INAM", "after") + Chunk("ICMT", "the samples"));
  {
    std::ofstream out(file.Path(), std::ios::binary | std::ios::trunc);
    out.write(head.data(), static_cast<std::streamsize>(head.size()));
  }
  std::filesystem::resize_file(file.Path(), head.size() + dataSize);
  {
    std::ofstream out(file.Path(), std::ios::binary | std::ios::app);
    out.write(tail.data(), static_cast<std::streamsize>(tail.size()));
  }
  for (auto _ : state) benchmark::DoNotOptimize(BuildReport(file.Path().c_str()));
}
BENCHMARK_CAPTURE(ListsAfterData, Sparse3GiB, 3ull << 30);
BENCHMARK_CAPTURE(ListsAfterData, Beyond32KB, 32768);
BENCHMARK_CAPTURE(ListsAfterData, Small3KB, 3072);

}  // namespace
