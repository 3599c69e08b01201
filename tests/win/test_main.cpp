// The Windows test program. Besides running the tests it can play "another program" for them:
//   --hold-file PATH   opens PATH with no sharing, says "held" on stdout, and keeps it open until
//                      its standard input closes.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "platform/window.h"

namespace {

int holdFile(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 2;
    std::puts("held");
    std::fflush(stdout);
    char buffer[16];
    while (std::fread(buffer, 1, sizeof buffer, stdin) > 0) {
    }
    CloseHandle(file);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--hold-file") == 0) return holdFile(argv[2]);
    OleInitialize(nullptr);
    vk::initializeWindowing();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
