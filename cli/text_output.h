// Turns report text (Windows-1252, CR LF) into UTF-8 with LF line ends.
#pragma once

#include <string>

void AppendAsUtf8(const char* report, std::string& out);
