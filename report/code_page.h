// Text of the report's code page (Windows-1252) and of files in UTF-8, as
// Unicode.
#pragma once

#include <cstddef>
#include <string>

// The Unicode code point of a Windows-1252 byte. The five bytes the code
// page leaves unassigned keep their C1 control code points.
unsigned Windows1252CodePoint(unsigned char byte);

// Appends the UTF-8 form of a code point (below U+110000).
void AppendUtf8(unsigned codePoint, std::string& out);

// Decodes the UTF-8 sequence at bytes[0..count): its code point, and how
// many bytes it takes. A byte that does not begin a valid sequence (a
// stray continuation byte, an overlong form, a surrogate, a cut sequence)
// gives U+FFFD and takes one byte.
unsigned DecodeUtf8(const unsigned char* bytes, std::size_t count, std::size_t& taken);
