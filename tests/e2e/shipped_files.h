#pragma once
// The files the tests ship into a fresh folder: the program under test and its help document.
#include <windows.h>

#include <filesystem>

#include "driver.h"

namespace vk::e2e {

inline std::filesystem::path programPath() {
    // Another build of the program may be tested by naming it (Wine does not pass on names that
    // begin with VK_).
    wchar_t named[MAX_PATH] = L"";
    DWORD length = GetEnvironmentVariableW(L"VELLUMKEEP_E2E_PROGRAM", named, MAX_PATH);
    if (length > 0 && length < MAX_PATH) return named;
    return pathFromUnix(VK_PROGRAM_UNIX_PATH);
}

inline std::filesystem::path helpDocumentPath() {
    return pathFromUnix(VK_HELP_UNIX_PATH);
}

}  // namespace vk::e2e
