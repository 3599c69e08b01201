// Vellumkeep starts on its splash window; everything after that happens in window events.
#include <windows.h>
#include <ole2.h>

#include "app/program.h"
#include "platform/process.h"
#include "platform/window.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Pictures and the shell want COM on the user-interface thread.
    if (FAILED(OleInitialize(nullptr))) return 1;
    vk::initializeWindowing();
    vk::Program program(vk::Environment::real());
    // Two copies on one vault would overwrite each other's changes: the second hands over to the first.
    if (!program.claimVault()) return 0;
    program.start();
    return vk::runMessageLoop();
}
