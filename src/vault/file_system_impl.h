#pragma once
// The real file system behind realFileSystem(), named so that tests can derive from it and make
// one step of a save fail.
#include "vault/file_system.h"

namespace vk::vault {

class Win32FileSystem : public FileSystem {
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

protected:
    // Forces the written bytes of an open file (a HANDLE) to disk: the flush step of a replace.
    // Tests observe it here, or make it fail.
    virtual IoResult flushToDisk(void* file);
};

}  // namespace vk::vault
