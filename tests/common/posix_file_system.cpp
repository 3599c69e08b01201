#include "posix_file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace vk::vault {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    int release() { return std::exchange(fd_, -1); }
    void reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

struct DirectoryCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using Directory = std::unique_ptr<DIR, DirectoryCloser>;

IoError errorOf(int code) { return IoError{static_cast<unsigned long>(code), std::strerror(code), {}}; }
IoError lastError() { return errorOf(errno); }

// The folder part and the name part of a path's text.
std::pair<std::string, std::string> splitFolderAndName(const std::string& text) {
    size_t slash = text.rfind('/');
    if (slash == std::string::npos) return {".", text};
    return {slash == 0 ? "/" : text.substr(0, slash), text.substr(slash + 1)};
}

IoResult writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return lastError();
        }
        if (written == 0) return errorOf(EIO);  // no progress: do not spin
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return IoResult::success();
}

// Makes the rename itself durable. Some file systems cannot sync a folder; the data is safe
// either way, so this is best effort.
void syncFolderOf(const std::string& path) {
    Descriptor folder(::open(splitFolderAndName(path).first.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder) ::fsync(folder.get());
}

bool asciiEqualIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

}  // namespace

std::optional<Path> PosixFileSystem::firstOrdinaryFileName(const Path& path) {
    auto [folder, name] = splitFolderAndName(path);
    if (name.empty()) return std::nullopt;
    // Like a Windows directory listing, find the name ignoring letter case, and judge only the
    // first entry that matches.
    Directory listing(::opendir(folder.c_str()));
    if (!listing) return std::nullopt;
    while (const dirent* entry = ::readdir(listing.get())) {
        std::string found = entry->d_name;
        if (!sameFileName(found, name)) continue;
        if (found.starts_with('.')) return std::nullopt;  // hidden
        struct stat info {};
        if (::stat((folder + '/' + found).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
        return found;
    }
    return std::nullopt;
}

bool PosixFileSystem::sameFileName(const Path& a, const Path& b) {
    return asciiEqualIgnoringCase(a, b);
}

IoResult PosixFileSystem::readAll(const Path& path, std::string& bytes) {
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file) return lastError();
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) return lastError();
    if (S_ISDIR(info.st_mode)) return errorOf(EISDIR);

    std::string data;
    // One byte more than the file holds, so that the end is seen without growing the buffer.
    data.resize(static_cast<size_t>(info.st_size) + 1);
    size_t filled = 0;
    for (;;) {
        if (filled == data.size()) data.resize(data.size() * 2);  // the file has grown meanwhile
        ssize_t got = ::read(file.get(), data.data() + filled, data.size() - filled);
        if (got < 0) {
            if (errno == EINTR) continue;
            return lastError();
        }
        if (got == 0) break;
        filled += static_cast<size_t>(got);
    }
    data.resize(filled);
    bytes = std::move(data);
    return IoResult::success();
}

IoResult PosixFileSystem::readPieces(const Path& path, const PieceWriter& into) {
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file) return lastError();
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) return lastError();
    if (S_ISDIR(info.st_mode)) return errorOf(EISDIR);
    auto piece = std::make_unique_for_overwrite<char[]>(kPieceSize);
    for (;;) {
        ssize_t got = ::read(file.get(), piece.get(), kPieceSize);
        if (got < 0) {
            if (errno == EINTR) continue;
            return lastError();
        }
        if (got == 0) return IoResult::success();
        if (IoResult result = into(std::string_view(piece.get(), static_cast<size_t>(got))); result.failed())
            return result;
    }
}

IoResult PosixFileSystem::append(const Path& path, std::string_view bytes) {
    Descriptor file(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
    if (!file) return lastError();
    if (IoResult result = writeAll(file.get(), bytes); result.failed()) return result;
    if (::close(file.release()) != 0) return lastError();
    return IoResult::success();
}

IoResult PosixFileSystem::replaceAtomically(const Path& target, const Path& temporary, const ContentSource& content,
                                            TemporaryCopy) {
    std::optional<Descriptor> file;
    const Path* stepFile = &temporary;
    // Whatever step fails, the target keeps its bytes and no temporary copy stays behind.
    auto fail = [&](IoError error) -> IoResult {
        file.reset();
        ::unlink(temporary.c_str());
        if (error.file.empty()) error.file = *stepFile;
        return error;
    };

    // The new copy gets the target's permissions from the start, so that it is never readable by
    // more people than the vault was.
    struct stat info {};
    const bool targetExists = ::stat(target.c_str(), &info) == 0;
    const mode_t mode = targetExists ? (info.st_mode & 07777) : 0666;
    if (IoResult result = beforeStep(WriteStep::CreateTemporary); result.failed()) return fail(result.error());
    file.emplace(::open(temporary.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, mode));
    if (!*file) return fail(lastError());
    // Also on a copy left by a crash, which keeps the permissions it was made with.
    if (targetExists && ::fchmod(file->get(), mode) != 0) return fail(lastError());

    if (IoResult result = beforeStep(WriteStep::Write); result.failed()) return fail(result.error());
    const int fd = file->get();
    IoResult written;
    try {
        written = content([fd](std::string_view piece) { return writeAll(fd, piece); });
    } catch (...) {
        // Whatever went wrong while the content was made, no temporary copy stays; the exception,
        // not the clean-up's result, tells what happened.
        (void)fail(IoError{});
        throw;
    }
    if (written.failed()) return fail(written.error());

    if (IoResult result = flushToDisk(file->get()); result.failed()) return fail(result.error());

    if (IoResult result = beforeStep(WriteStep::Close); result.failed()) return fail(result.error());
    if (::close(file->release()) != 0) return fail(lastError());

    stepFile = &target;
    if (IoResult result = beforeStep(WriteStep::Replace); result.failed()) return fail(result.error());
    if (::rename(temporary.c_str(), target.c_str()) != 0) return fail(lastError());

    syncFolderOf(target);
    return IoResult::success();
}

IoResult PosixFileSystem::flushToDisk(int fd) {
    if (::fsync(fd) != 0) return lastError();
    return IoResult::success();
}

IoResult PosixFileSystem::finalPath(const Path& path, Path& final) {
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    if (!resolved) return lastError();
    final = resolved.get();
    return IoResult::success();
}

bool PosixFileSystem::isFolder(const Path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::optional<std::uint64_t> PosixFileSystem::fileSize(const Path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
}

bool PosixFileSystem::isLink(const Path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

IoResult PosixFileSystem::remove(const Path& path) {
    if (::unlink(path.c_str()) == 0 || errno == ENOENT) return IoResult::success();
    return IoError{static_cast<unsigned long>(errno), std::strerror(errno), {}};
}

IoResult PosixFileSystem::moveFile(const Path& from, const Path& to) {
    if (::rename(from.c_str(), to.c_str()) == 0) return IoResult::success();
    return IoError{static_cast<unsigned long>(errno), std::strerror(errno), {}};
}

std::optional<FileIdentity> PosixFileSystem::identity(const Path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return FileIdentity{static_cast<unsigned long>(info.st_dev), static_cast<unsigned long long>(info.st_ino),
                        S_ISDIR(info.st_mode), static_cast<unsigned long>(info.st_nlink)};
}

IoResult PosixFileSystem::filesIn(const Path& folder, std::vector<Path>& names) {
    names.clear();
    Directory listing(::opendir(folder.c_str()));
    if (!listing) return errno == ENOENT || errno == ENOTDIR ? IoResult::success() : IoResult(lastError());
    while (const dirent* entry = ::readdir(listing.get())) {
        struct stat info {};
        if (::lstat((folder + '/' + entry->d_name).c_str(), &info) == 0 && !S_ISDIR(info.st_mode))
            names.emplace_back(entry->d_name);
    }
    return IoResult::success();
}

IoResult PosixFileSystem::makeFolder(const Path& folder) {
    if (::mkdir(folder.c_str(), 0700) == 0 || (errno == EEXIST && isFolder(folder))) return IoResult::success();
    return lastError();
}

FileSystem& realFileSystem() {
    static PosixFileSystem files;
    return files;
}

}  // namespace vk::vault
