#include "failing_file_system.h"

#include "platform/system_error.h"

namespace vk::test {

vault::IoError FailingFileSystem::failure() const { return vault::IoError{failCode, systemErrorText(failCode), {}}; }

vault::IoResult FailingFileSystem::beforeStep(vault::WriteStep step, void* file) {
    if (step == vault::WriteStep::Flush) {
        LARGE_INTEGER size{};
        flushedSize = GetFileSizeEx(file, &size) ? size.QuadPart : -1;
    }
    steps.push_back(step);
    if (onStep) onStep(step);
    if (step == failAt) return failure();
    return vault::IoResult::success();
}

std::optional<vault::Path> FailingFileSystem::firstOrdinaryFileName(const vault::Path& path) {
    return real_.firstOrdinaryFileName(path);
}

bool FailingFileSystem::sameFileName(const vault::Path& a, const vault::Path& b) { return real_.sameFileName(a, b); }

vault::IoResult FailingFileSystem::readAll(const vault::Path& path, std::string& bytes) {
    if (beforeReadAll) beforeReadAll();
    if (failReads) return failure();
    return real_.readAll(path, bytes);
}

vault::IoResult FailingFileSystem::readPieces(const vault::Path& path, const vault::PieceWriter& into) {
    if (failReads) return failure();
    return real_.readPieces(path, into);
}

vault::IoResult FailingFileSystem::append(const vault::Path& path, std::string_view bytes) {
    return real_.append(path, bytes);
}

vault::IoResult FailingFileSystem::replaceAtomically(const vault::Path& target, const vault::Path& temporary,
                                                     const vault::ContentSource& content, vault::TemporaryCopy copy) {
    return real_.replaceAtomically(target, temporary, content, copy);
}

vault::IoResult FailingFileSystem::finalPath(const vault::Path& path, vault::Path& final) {
    return real_.finalPath(path, final);
}

bool FailingFileSystem::isFolder(const vault::Path& path) { return real_.isFolder(path); }

vault::IoResult FailingFileSystem::remove(const vault::Path& path) {
    if (failRemovesAndMoves) return failure();
    return real_.remove(path);
}

vault::IoResult FailingFileSystem::moveFile(const vault::Path& from, const vault::Path& to) {
    if (failRemovesAndMoves) return failure();
    return real_.moveFile(from, to);
}

vault::IoResult FailingFileSystem::filesIn(const vault::Path& folder, std::vector<vault::Path>& names) {
    return real_.filesIn(folder, names);
}

vault::IoResult FailingFileSystem::makeFolder(const vault::Path& folder) { return real_.makeFolder(folder); }

}  // namespace vk::test
