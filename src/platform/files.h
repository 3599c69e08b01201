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
    unsigned long names = 1;  // hard links: the names the file has
};
// Empty when nothing can be opened at `path`.
std::optional<FileIdentity> fileIdentityOf(const std::wstring& path);

// The file's size in bytes; empty when it cannot be told.
std::optional<unsigned long long> fileSizeOf(const std::wstring& path);

// Whether two paths name one file: by the file's identity when both are there (any name of it, a
// link to it), else by where the names lead.
bool sameFile(const std::wstring& a, const std::wstring& b);

// Whether the name is a link (symbolic link or junction) that leads to a file of another name.
bool isLink(const std::wstring& path);

// Removes the file at `path` (a link itself, not what it leads to), even a read-only one; false
// when it is still there.
bool removeFile(const std::wstring& path);

// Moves the file at `from` to `to`, replacing what is there (a link itself, not what it leads to);
// false, with the system's reason, when it could not.
bool moveFileOver(const std::wstring& from, const std::wstring& to, std::string& reason);
// `path` followed by `suffix`, or by the suffix and a number: a name beside it that is free.
std::wstring freeNameBeside(const std::wstring& path, const std::wstring& suffix);

}  // namespace vk
