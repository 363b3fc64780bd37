#pragma once
// Resource and control ids of disabler.exe, shared by the .rc and the code.
#define IDD_PATCHER 101
#define IDI_DISABLER 102

#define IDC_EXIT 1000     // "終了": ends the program
#define IDC_DISABLE 1001  // "ジョイステイックの無効化": runs the patch operation
#define IDC_PATH 1002     // the path field
#define IDC_BROWSE 1003   // "参照": the file dialog
#define IDC_UNDO 1004     // "元に戻す": puts the game back
