#pragma once
// The real file system behind realFileSystem(), and the way tests watch the steps of its replace.
#include "vault/file_system.h"

namespace vk::vault {

// Watches the steps of an atomic replace as the real file system takes them. Before each step it
// may stop the replace with an error, which the replace then handles as that step's own failure.
// The program's file system has none; tests watch with one, to see every step and fail any.
class WriteStepWatch {
public:
    virtual ~WriteStepWatch() = default;
    // `file` is the new copy's open file (a HANDLE) at Write, Flush and Close; null at the others.
    virtual IoResult beforeStep(WriteStep step, void* file) = 0;
};

class Win32FileSystem : public FileSystem {
public:
    Win32FileSystem() = default;
    // Shows every step of a replace to `watch` first.
    explicit Win32FileSystem(WriteStepWatch& watch) : watch_(&watch) {}

    std::optional<Path> firstOrdinaryFileName(const Path& path) override;
    bool sameFileName(const Path& a, const Path& b) override;
    IoResult readAll(const Path& path, std::string& bytes) override;
    IoResult readPieces(const Path& path, const PieceWriter& into) override;
    IoResult append(const Path& path, std::string_view bytes) override;
    IoResult replaceAtomically(const Path& target, const Path& temporary, const ContentSource& content,
                               TemporaryCopy copy = TemporaryCopy::KeptIfKilled) override;
    IoResult finalPath(const Path& path, Path& final) override;
    bool isFolder(const Path& path) override;
    std::optional<std::uint64_t> fileSize(const Path& path) override;
    bool isLink(const Path& path) override;
    IoResult remove(const Path& path) override;
    IoResult moveFile(const Path& from, const Path& to) override;
    std::optional<FileIdentity> identity(const Path& path) override;
    IoResult filesIn(const Path& folder, std::vector<Path>& names) override;
    IoResult makeFolder(const Path& folder) override;

private:
    IoResult beforeStep(WriteStep step, void* file);

    WriteStepWatch* watch_ = nullptr;
};

}  // namespace vk::vault
