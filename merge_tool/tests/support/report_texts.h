#pragma once
// Tessaly's report headers, written out here as the tests expect them, apart from the program's
// own copy.
#include <string>

namespace tessaly::testing {

inline const std::wstring kHeader =
    L"The following phrases were found in the standard Lang.inc file\r\n"
    L"but were not found in the custom Lang.inc file.\r\n"
    L"Please edit them manually using Notepad.exe .\r\n"
    L"\r\n";
inline const std::wstring kConflictsHeader =
    L"The following phrases were changed in the custom file and also, to another\r\n"
    L"text, in the standard file. The custom text was kept; the new standard\r\n"
    L"text is shown here. Please compare them.\r\n"
    L"\r\n";
inline const std::wstring kGoneHeader =
    L"The following phrases were changed in the custom file but are no longer\r\n"
    L"in the standard file. They were not carried over.\r\n"
    L"\r\n";

}  // namespace tessaly::testing
