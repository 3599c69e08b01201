#pragma once
// What the program asks of files besides the vault's own operations: which file a name leads to,
// how big a file is, and removing a file that was left behind.
#include <optional>
#include <string>

namespace vk {

// A file as its volume knows it: every name of one file (its hard links, and symbolic links to
// it, which are followed) gives the same identity.
struct FileIdentity {
    unsigned long volume = 0;
    unsigned long long index = 0;
    bool directory = false;
};
// Empty when nothing can be opened at `path`.
std::optional<FileIdentity> fileIdentityOf(const std::wstring& path);

// The file's size in bytes; empty when it cannot be told.
std::optional<unsigned long long> fileSizeOf(const std::wstring& path);
// A size as people read it: "512 bytes", or "130 MB (136314880 bytes)".
std::string sizeText(unsigned long long bytes);

// Removes the file at `path` (a link itself, not what it leads to), even a read-only one; false
// when it is still there.
bool removeFile(const std::wstring& path);

}  // namespace vk
