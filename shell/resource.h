// Identifiers shared by the resource script and the code.
#pragma once

#define InfoDialogId 132
#define TagsDialogId 133
#define ReportControlId 1003
