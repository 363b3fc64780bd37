// disabler.exe: the dialog is the program; it ends when the dialog ends.
#include <windows.h>

#include "disabler/app/patcher_dialog.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    RunPatcherDialog(instance);
    return 0;
}
