// Identifiers shared by tessaly.rc, the program and its window-driving tests.
#pragma once

#define IDR_TESSALY_MANIFEST 1

// mainFrm
#define IDC_MAIN_COMMAND1 101
#define IDC_MAIN_COMMAND2 102
#define IDC_MAIN_COMMAND3 103
#define IDC_MAIN_COMMAND4 104
#define IDC_MAIN_COMMAND5 105
// The system menu's own item: below 0xF000, its four low bits clear (the system uses those).
#define IDM_MAIN_PREVIOUS_STANDARD 0x0110

// warnFrm
#define IDC_WARN_TEXT1 201
#define IDC_WARN_COMMAND1 202

// fileSelectFrm
#define IDC_FSEL_TEXT1 301
#define IDC_FSEL_FILE1 302
#define IDC_FSEL_DRIVE1 303
#define IDC_FSEL_DIR1 304
#define IDC_FSEL_COMMAND1 305
#define IDC_FSEL_COMMAND2 306
#define IDC_FSEL_LABEL1 311
#define IDC_FSEL_LABEL2 312
#define IDC_FSEL_LABEL3 313
#define IDC_FSEL_LABEL4 314
