#pragma once
// incmerge's version, for --version and the Windows version resource.
#define INCMERGE_VERSION_BINARY 1, 0, 0, 0
#define INCMERGE_VERSION_TEXT "1.0.0"
