#include "text_output.h"

#include "code_page.h"

void AppendAsUtf8(const char* report, std::string& out) {
  for (const unsigned char* byte = reinterpret_cast<const unsigned char*>(report); *byte;
       ++byte) {
    if (byte[0] == '\r' && byte[1] == '\n') continue;  // the LF follows
    AppendUtf8(Windows1252CodePoint(*byte), out);
  }
}
