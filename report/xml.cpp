// Reading XML chunks with expat.
#include "xml.h"

#include <expat.h>

#include <cstring>

#include "code_page.h"
#include "engine.h"

namespace {

constexpr char NameSeparator = '\1';

struct Reading {
  XML_Parser parser;
  XmlReader& reader;
  bool namespaces;
  std::size_t depth = 0;
  const char* refusal = nullptr;  // why the reading was stopped, if it was
  std::uint64_t refusedAt = 0;
  std::string uri, name;
};

void Refuse(Reading& reading, const char* why) {
  if (reading.refusal) return;
  reading.refusal = why;
  reading.refusedAt = static_cast<std::uint64_t>(XML_GetCurrentByteIndex(reading.parser));
  XML_StopParser(reading.parser, XML_FALSE);
}

void Name(Reading& reading, const char* name) {
  if (reading.namespaces) {
    SplitXmlName(name, reading.uri, reading.name);
  } else {
    reading.uri.clear();
    reading.name = name;
  }
}

void XMLCALL StartElement(void* data, const XML_Char* name, const XML_Char** attributes) {
  Reading& reading = *static_cast<Reading*>(data);
  if (++reading.depth > XmlDepthCap) {
    Refuse(reading, "elements nested too deep");
    return;
  }
  Name(reading, name);
  reading.reader.Start(reading.uri, reading.name, attributes);
}

void XMLCALL EndElement(void* data, const XML_Char* name) {
  Reading& reading = *static_cast<Reading*>(data);
  if (reading.depth-- > XmlDepthCap) return;
  Name(reading, name);
  reading.reader.End(reading.uri, reading.name);
}

void XMLCALL CharacterData(void* data, const XML_Char* text, int length) {
  Reading& reading = *static_cast<Reading*>(data);
  if (length > 0) reading.reader.Text(text, static_cast<std::size_t>(length));
}

void XMLCALL StartDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
  Refuse(*static_cast<Reading*>(data), "document type declaration refused");
}

void XMLCALL EntityDeclaration(void* data, const XML_Char*, int, const XML_Char*, int,
                               const XML_Char*, const XML_Char*, const XML_Char*,
                               const XML_Char*) {
  Refuse(*static_cast<Reading*>(data), "entity declaration refused");
}

// Windows-1252, which editors on Windows declare and expat does not know: one
// byte a character, each as its code point.
int XMLCALL Windows1252Encoding(void*, const XML_Char* name, XML_Encoding* encoding) {
  static const char* const Names[] = {"windows-1252", "cp1252", "x-cp1252"};
  bool known = false;
  for (const char* known1252 : Names) {
    std::size_t i = 0;
    while (known1252[i] && name[i] &&
           (name[i] == known1252[i] || (name[i] >= 'A' && name[i] <= 'Z' && name[i] + 32 == known1252[i])))
      ++i;
    known = known || (known1252[i] == '\0' && name[i] == '\0');
  }
  if (!known) return XML_STATUS_ERROR;
  for (int byte = 0; byte < 256; ++byte)
    encoding->map[byte] = static_cast<int>(Windows1252CodePoint(static_cast<unsigned char>(byte)));
  encoding->data = nullptr;
  encoding->convert = nullptr;
  encoding->release = nullptr;
  return XML_STATUS_OK;
}

// The length of text without the NUL bytes at its end. A UTF-16 document
// (it begins with a byte order mark) loses only whole NUL characters, since
// its last character may end in a NUL byte.
std::size_t WithoutTrailingNuls(const std::string& text) {
  std::size_t length = text.size();
  bool wide = length >= 2 && ((text[0] == '\xFF' && text[1] == '\xFE') ||
                              (text[0] == '\xFE' && text[1] == '\xFF'));
  if (wide) {
    length &= ~static_cast<std::size_t>(1);
    while (length >= 2 && text[length - 1] == '\0' && text[length - 2] == '\0') length -= 2;
  } else {
    while (length > 0 && text[length - 1] == '\0') --length;
  }
  return length;
}

}  // namespace

void SplitXmlName(const char* name, std::string& uri, std::string& local) {
  const char* separator = std::strchr(name, NameSeparator);
  if (separator) {
    uri.assign(name, static_cast<std::size_t>(separator - name));
    local = separator + 1;
  } else {
    uri.clear();
    local = name;
  }
}

XmlOutcome ReadXmlChunk(std::uint32_t length, bool namespaces, XmlReader& reader) {
  XmlOutcome outcome;
  outcome.length = length;
  outcome.cut = length > XmlByteCap;
  // Not kept from report to report: a thread-local with a destructor would
  // outlive tarvo.dll in a thread that showed a page (see engine.h).
  std::string Payload;
  Payload.resize(outcome.cut ? XmlByteCap : length);
  Payload.resize(ReadBytes(&Payload[0], Payload.size()));
  std::size_t count = WithoutTrailingNuls(Payload);

  XML_Parser parser = namespaces ? XML_ParserCreateNS(nullptr, NameSeparator)
                                 : XML_ParserCreate(nullptr);
  if (parser == nullptr) {
    outcome.wellFormed = false;
    outcome.message = "out of memory";
    return outcome;
  }
  Reading reading{parser, reader, namespaces, 0, nullptr, 0, {}, {}};
  XML_SetUserData(parser, &reading);
  XML_SetElementHandler(parser, StartElement, EndElement);
  XML_SetCharacterDataHandler(parser, CharacterData);
  XML_SetStartDoctypeDeclHandler(parser, StartDoctype);
  XML_SetEntityDeclHandler(parser, EntityDeclaration);
  XML_SetUnknownEncodingHandler(parser, Windows1252Encoding, nullptr);
  // A document cut at the cap is read as the start of one, so the cut alone
  // is no error; one cut by the end of the file is damaged.
  XML_Status status =
      XML_Parse(parser, Payload.data(), static_cast<int>(count), outcome.cut ? XML_FALSE : XML_TRUE);
  if (status != XML_STATUS_OK) {
    outcome.wellFormed = false;
    if (reading.refusal) {
      outcome.message = reading.refusal;
      outcome.offset = reading.refusedAt;
    } else {
      outcome.message = XML_ErrorString(XML_GetErrorCode(parser));
      outcome.offset = static_cast<std::uint64_t>(XML_GetCurrentByteIndex(parser));
    }
  }
  XML_ParserFree(parser);
  return outcome;
}

void DescribeXmlOutcome(const XmlOutcome& outcome) {
  if (!outcome.wellFormed) {
    TagLine(2, "Damaged XML: " + outcome.message + " at byte " + std::to_string(outcome.offset));
    JsonUtf8("xml_error", outcome.message);
    JsonUnsigned("xml_error_offset", outcome.offset);
  }
  if (outcome.cut) {
    TagLine(2, "Only the first " + std::to_string(XmlByteCap) + " of " +
                   std::to_string(outcome.length) + " bytes were read");
    JsonBool("xml_cut", true);
  }
}
