// Switches the file layer between its read-ahead buffer (the default) and
// plain reads of each field from the file. The reports are the same either
// way; tests compare the two.
#pragma once

void SetReadAhead(bool enabled);
