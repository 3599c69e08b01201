#pragma once
// The real Windows file system, with one step of the atomic replace (or every read) made to fail
// on request. It notes the steps it saw, the flush as the flush itself happens. Tests of the whole
// program give it this one from the start, and tell it when to fail and when to work again.
#include <windows.h>

#include <functional>
#include <optional>
#include <vector>

#include "vault/file_system_impl.h"

namespace vk::test {

class FailingFileSystem final : public vault::FileSystem, private vault::WriteStepWatch {
public:
    std::optional<vault::WriteStep> failAt;
    DWORD failCode = ERROR_DISK_FULL;
    bool failReads = false;
    std::function<void()> beforeReadAll;  // runs before each whole read; a test may throw from it
    std::vector<vault::WriteStep> steps;
    std::function<void(vault::WriteStep)> onStep;
    long long flushedSize = -1;  // how many bytes the flushed file held

    std::optional<vault::Path> firstOrdinaryFileName(const vault::Path& path) override;
    bool sameFileName(const vault::Path& a, const vault::Path& b) override;
    vault::IoResult readAll(const vault::Path& path, std::string& bytes) override;
    vault::IoResult readPieces(const vault::Path& path, const vault::PieceWriter& into) override;
    vault::IoResult append(const vault::Path& path, std::string_view bytes) override;
    vault::IoResult replaceAtomically(const vault::Path& target, const vault::Path& temporary,
                                      const vault::ContentSource& content,
                                      vault::TemporaryCopy copy = vault::TemporaryCopy::KeptIfKilled) override;
    vault::IoResult finalPath(const vault::Path& path, vault::Path& final) override;
    bool isFolder(const vault::Path& path) override;
    std::optional<std::uint64_t> fileSize(const vault::Path& path) override { return real_.fileSize(path); }
    bool isLink(const vault::Path& path) override { return real_.isLink(path); }
    vault::IoResult remove(const vault::Path& path) override;
    vault::IoResult moveFile(const vault::Path& from, const vault::Path& to) override;
    std::optional<FileIdentity> identity(const vault::Path& path) override { return real_.identity(path); }
    vault::IoResult filesIn(const vault::Path& folder, std::vector<vault::Path>& names) override;
    vault::IoResult makeFolder(const vault::Path& folder) override;
    // Removing or moving a file fails too, with the same reason.
    bool failRemovesAndMoves = false;

private:
    vault::IoResult beforeStep(vault::WriteStep step, void* file) override;
    vault::IoError failure() const;

    vault::Win32FileSystem real_{*this};
};

}  // namespace vk::test
