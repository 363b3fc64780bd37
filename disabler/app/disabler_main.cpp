// disabler.exe: the dialog is the program; it ends when the dialog ends.
#include <windows.h>

#include "disabler/app/disabler_platform.h"
#include "disabler/app/patcher_dialog.h"
#include "disabler/platform/win32/win32_patch_platform.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    DisablerPlatform platform = {Win32PatchPlatform()};
    RunPatcherDialog(instance, platform);
    return 0;
}
