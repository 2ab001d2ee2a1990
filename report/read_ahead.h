// Switches of the file layer for the tests.
#pragma once

// Switches the file layer between its read-ahead buffer (the default) and
// plain reads of each field from the file, for the reports the calling
// thread builds. The reports are the same either way; tests compare the two.
void SetReadAhead(bool enabled);

// Has every thread call wait just before each read it makes from its
// report's file (nullptr, the default, for none): a test holds one report
// inside its file read, as a file on a share that does not answer would.
void SetBeforeRead(void (*wait)());
