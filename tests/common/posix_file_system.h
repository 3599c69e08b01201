#pragma once
// The vault's file operations on POSIX systems, for the native tests and benchmarks (the program
// itself runs on Windows): realFileSystem() there. Windows behaviour is followed where it matters
// to the vault: names compare ignoring letter case, and a name that starts with '.' counts as hidden.
#include "vault/file_system.h"

namespace vk::vault {

class PosixFileSystem : public FileSystem {
public:
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

protected:
    // Called before each step of replaceAtomically but the flush, which goes through flushToDisk;
    // a test returns an error to make that step fail.
    virtual IoResult beforeStep(WriteStep) { return IoResult::success(); }
    // Forces the written bytes of an open file to disk: the flush step of a replace. Tests
    // observe it here, or make it fail.
    virtual IoResult flushToDisk(int fd);
};

}  // namespace vk::vault
