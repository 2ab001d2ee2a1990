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
