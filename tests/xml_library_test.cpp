// The XML library as the engine links it: Debian's libexpat1-dev natively,
// Debian's source package built static for each Windows width. The test
// reaches the library through the engine's own link alone.
#include <expat.h>
#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

// Each element as "/PATH=TEXT" once it ends, its text as the handlers got it.
struct Collected {
  std::string path, text, elements;
};

void OnStart(void* data, const XML_Char* name, const XML_Char**) {
  auto* collected = static_cast<Collected*>(data);
  collected->path += "/" + std::string(name);
  collected->text.clear();
}

void OnText(void* data, const XML_Char* text, int length) {
  static_cast<Collected*>(data)->text.append(text, static_cast<std::size_t>(length));
}

void OnEnd(void* data, const XML_Char*) {
  auto* collected = static_cast<Collected*>(data);
  collected->elements += collected->path + "=" + collected->text + "\n";
  collected->path.erase(collected->path.rfind('/'));
  collected->text.clear();
}

TEST(XmlLibrary, ParsesUtf8AndPlacesErrorsAlike) {
  // The build the engine relies on: 2.4 or later, UTF-8 (one byte a
  // character unit), namespaces (XMP), DTD handling with the protection
  // against entity expansion.
  const XML_Expat_Version version = XML_ExpatVersionInfo();
  EXPECT_TRUE(version.major == 2 && version.minor >= 4)
      << version.major << "." << version.minor << "." << version.micro;
  std::set<std::string> features;
  for (const XML_Feature* feature = XML_GetFeatureList(); feature->feature != XML_FEATURE_END;
       ++feature) {
    switch (feature->feature) {
      case XML_FEATURE_UNICODE: features.insert("unicode"); break;
      case XML_FEATURE_DTD: features.insert("dtd"); break;
      case XML_FEATURE_NS: features.insert("ns"); break;
      case XML_FEATURE_SIZEOF_XML_CHAR:
        features.insert("char" + std::to_string(feature->value));
        break;
      case XML_FEATURE_BILLION_LAUGHS_ATTACK_PROTECTION_MAXIMUM_AMPLIFICATION_DEFAULT:
        features.insert("amplification-limit");
        break;
      default: break;
    }
  }
  EXPECT_EQ(features, (std::set<std::string>{"amplification-limit", "char1", "dtd", "ns"}));

  const std::string document =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<BWFXML><PROJECT>Caf\xC3\xA9 &amp; bar</PROJECT><SCENE>12A</SCENE>"
      "<NOTE><![CDATA[<take 3>]]></NOTE></BWFXML>";
  XML_Parser parser = XML_ParserCreate(nullptr);
  ASSERT_NE(parser, nullptr);
  Collected collected;
  XML_SetUserData(parser, &collected);
  XML_SetElementHandler(parser, OnStart, OnEnd);
  XML_SetCharacterDataHandler(parser, OnText);
  EXPECT_EQ(XML_Parse(parser, document.data(), static_cast<int>(document.size()), XML_TRUE),
            XML_STATUS_OK)
      << XML_ErrorString(XML_GetErrorCode(parser));
  EXPECT_EQ(collected.elements,
            "/BWFXML/PROJECT=Caf\xC3\xA9 & bar\n"
            "/BWFXML/SCENE=12A\n"
            "/BWFXML/NOTE=<take 3>\n"
            "/BWFXML=\n");

  // A mismatched end tag: its message, and the place of the name in that
  // tag, which the library reports: after "<a>\n<b></", 9 bytes; line 2,
  // column 5 (columns count from 0).
  const std::string broken = "<a>\n<b></a>";
  ASSERT_EQ(XML_ParserReset(parser, nullptr), XML_TRUE);
  EXPECT_EQ(XML_Parse(parser, broken.data(), static_cast<int>(broken.size()), XML_TRUE),
            XML_STATUS_ERROR);
  EXPECT_EQ(XML_GetErrorCode(parser), XML_ERROR_TAG_MISMATCH);
  EXPECT_STREQ(XML_ErrorString(XML_GetErrorCode(parser)), "mismatched tag");
  EXPECT_EQ(XML_GetCurrentByteIndex(parser), 9);
  EXPECT_EQ(XML_GetCurrentLineNumber(parser), 2u);
  EXPECT_EQ(XML_GetCurrentColumnNumber(parser), 5u);
  XML_ParserFree(parser);
}

}  // namespace
