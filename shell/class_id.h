// The class identifier of tarvo's one COM class. The library serves it and
// the setup program registers it, so both take it from here.
#pragma once

#include <windows.h>

static const CLSID ExtensionClassId = {
    0x899a4e00, 0x2984, 0x11d4, {0xbb, 0x70, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

// The same identifier in the registry's text form.
static const char ExtensionClassIdText[] = "{899a4e00-2984-11d4-bb70-444553540000}";
