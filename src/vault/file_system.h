#pragma once
// The file operations the vault needs, behind one interface: Win32 in the program
// (file_system_impl.h), POSIX in the native tests.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace vk::vault {

// A path as the system's own text: UTF-16 on Windows, bytes on POSIX. (A plain string keeps the
// program small: the standard path class brings the whole of the locale library with it.)
#ifdef _WIN32
using Path = std::wstring;
inline constexpr wchar_t kPathSeparator = L'\\';
#else
using Path = std::string;
inline constexpr char kPathSeparator = '/';
#endif

// A failed file operation: the system's error code and its own description of the reason.
struct IoError {
    unsigned long code = 0;
    std::string reason;  // e.g. "The process cannot access the file because it is being used by another process."
    Path file;           // the file the failing step worked on, when it is not the one the caller named
};
// The outcome of a file operation: it succeeded, or it failed with an error.
class [[nodiscard]] IoResult {
public:
    IoResult() = default;                                  // success
    IoResult(IoError error) : error_(std::move(error)) {}  // NOLINT: a failure is a result
    static IoResult success() { return {}; }

    bool succeeded() const { return !error_; }
    bool failed() const { return error_.has_value(); }
    // The error of a failed operation.
    const IoError& error() const { return *error_; }
    IoError& error() { return *error_; }

private:
    std::optional<IoError> error_;
};

// A file's content handed over in pieces, in order: a source passes each piece to the writer it is
// given, and stops at the first error the writer returns, returning it. A big vault is written,
// and read back, without ever being held whole in memory.
using PieceWriter = std::function<IoResult(std::string_view piece)>;
using ContentSource = std::function<IoResult(const PieceWriter& write)>;
// How much of a file is handed over at once: small enough to stay in the processor's cache.
inline constexpr size_t kPieceSize = size_t{1} << 17;

// The steps of an atomic replace, in order.
enum class WriteStep { CreateTemporary, Write, Flush, Close, Replace };

// What becomes of a replace's temporary copy should the program die before the replace: a vault's
// is kept (when the vault is gone, it is all that is left of it); an export's, which holds every
// password in plain text, is removed by the system.
enum class TemporaryCopy { KeptIfKilled, RemovedIfKilled };

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The name (file-name part only) of the first ordinary file that the directory listing finds
    // for `path`: hidden, system files and directories are not ordinary. Empty when none or on error.
    virtual std::optional<Path> firstOrdinaryFileName(const Path& path) = 0;
    // Compares two file names as the file system does: ignoring letter case.
    virtual bool sameFileName(const Path& a, const Path& b) = 0;

    virtual IoResult readAll(const Path& path, std::string& bytes) = 0;
    // Reads the file from start to end, handing it to `into` in pieces, in order: a big file is
    // never held whole. Stops at the first error `into` returns, and returns it.
    virtual IoResult readPieces(const Path& path, const PieceWriter& into) = 0;
    // Opens for appending, creating the file when missing, and writes `bytes` at its end.
    virtual IoResult append(const Path& path, std::string_view bytes) = 0;
    // Writes the content to `temporary` in the same folder, flushes it to disk and moves it over
    // `target` in one step, keeping the target's attributes (and, on Windows, its access rights).
    // On any failure `target` is untouched and `temporary` is removed. Whatever is in the temporary
    // copy's place first (a crash's leftover, a link) is removed, never written through.
    virtual IoResult replaceAtomically(const Path& target, const Path& temporary, const ContentSource& content,
                                       TemporaryCopy copy = TemporaryCopy::KeptIfKilled) = 0;
    // The path of the file itself: links followed, in the spelling the file system keeps.
    virtual IoResult finalPath(const Path& path, Path& final) = 0;
    // Whether a folder is at the path (links followed).
    virtual bool isFolder(const Path& path) = 0;
    // The size of the file the path leads to; empty when it cannot be told (no file there).
    virtual std::optional<std::uint64_t> fileSize(const Path& path) = 0;
    // Whether the name itself is a link (symbolic link or junction) that leads to a file of another
    // name, or nowhere.
    virtual bool isLink(const Path& path) = 0;
    // Removes the file at the path (a link itself, not what it leads to), a read-only one too. A
    // name with nothing at it is removed already.
    virtual IoResult remove(const Path& path) = 0;
    // Moves the file at `from` to `to`, replacing what is there (a link itself, not what it leads to).
    virtual IoResult moveFile(const Path& from, const Path& to) = 0;
    // The file at the path as its volume knows it, links followed; empty when nothing can be opened
    // there. Every name of one file gives the same identity.
    virtual std::optional<FileIdentity> identity(const Path& path) = 0;
    // The names of the files in a folder, not of its folders, in no order; none when no folder is
    // there (nothing, or a file).
    virtual IoResult filesIn(const Path& folder, std::vector<Path>& names) = 0;
    // Makes the folder, unless one is there.
    virtual IoResult makeFolder(const Path& folder) = 0;
};

// Whether two paths name one file: by the file's identity when both are there (any name of it, a
// link to it), else by where the names lead.
bool sameFile(FileSystem& files, const Path& a, const Path& b);
// `path` followed by `suffix`, or by the suffix and a number: a name beside it at which nothing is.
Path freeNameBeside(FileSystem& files, const Path& path, const Path& suffix);

// The file system of the machine the program runs on (in the native tests and benchmarks, the
// POSIX one they bring).
FileSystem& realFileSystem();

}  // namespace vk::vault
