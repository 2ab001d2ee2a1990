// XML chunks read with expat, defensively: the payload is held in memory up
// to a cap, and a document that declares a document type or entities is
// refused, so that nothing outside the file is ever loaded and no entity is
// ever expanded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The most of one XML chunk that is read; a longer chunk is read that far.
constexpr std::uint32_t XmlByteCap = 4u << 20;
// Elements nested deeper than this stop the reading.
constexpr std::size_t XmlDepthCap = 256;

// Receives the document's elements and text, names and text in UTF-8.
// Element and attribute names are local names; with namespaces, uri is the
// namespace's name (empty without one).
class XmlReader {
 public:
  virtual void Start(const std::string& uri, const std::string& name,
                     const char** attributes) = 0;
  virtual void End(const std::string& uri, const std::string& name) = 0;
  virtual void Text(const char* text, std::size_t length) = 0;

 protected:
  ~XmlReader() = default;
};

// Splits an expat name "uri\1local" (as given with namespaces) into its parts.
void SplitXmlName(const char* name, std::string& uri, std::string& local);

// How the reading of an XML chunk went.
struct XmlOutcome {
  bool wellFormed = true;
  std::string message;       // why not: expat's words, or why it was refused
  std::uint64_t offset = 0;  // the byte of the payload where it stopped
  bool cut = false;          // only the first XmlByteCap bytes were read
  std::uint64_t length = 0;  // of the payload
};

// Reads the XML payload of length bytes at the file position and hands its
// elements to reader. NUL bytes at its end are dropped before it is read
// (recorders pad with them). With namespaces, names are split as above.
XmlOutcome ReadXmlChunk(std::uint32_t length, bool namespaces, XmlReader& reader);

// Describes an outcome that was not clean: a line of the Tags report and
// the JSON members xml_error, xml_error_offset and xml_cut.
void DescribeXmlOutcome(const XmlOutcome& outcome);
