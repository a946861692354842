#pragma once
// Identifiers shared by vardock.rc and the code.
#define IDR_VARDOCK_MANIFEST 1

// Form1's controls. None is IDOK or IDCANCEL: the window has no default and no cancel button.
#define IDC_COMMAND1 101
#define IDC_COMBO1 102
#define IDC_COMMAND2 103
#define IDC_TEXT1 104
