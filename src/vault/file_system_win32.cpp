// The vault's file operations on Windows, with the wide-character APIs so that any folder name works.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/handles.h"
#include "platform/system_error.h"
#include "vault/file_system_impl.h"

namespace vk::vault {

namespace {

IoError errorOf(DWORD code) { return IoError{code, systemErrorText(code), {}}; }
IoError lastError() { return errorOf(GetLastError()); }

IoResult writeAll(HANDLE file, std::string_view bytes) {
    constexpr size_t kChunk = 1u << 24;
    while (!bytes.empty()) {
        DWORD size = static_cast<DWORD>(std::min(bytes.size(), kChunk));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), size, &written, nullptr)) return lastError();
        if (written == 0) return errorOf(ERROR_WRITE_FAULT);  // no progress: do not spin
        bytes.remove_prefix(written);
    }
    return IoResult::success();
}

// A replace reports only "access denied" when another program holds the target open. Opening
// the target as the replace would (for deletion) tells whether that is the reason.
IoError explainReplaceFailure(const Path& target, IoError error) {
    if (error.code != ERROR_ACCESS_DENIED && error.code != ERROR_UNABLE_TO_REMOVE_REPLACED) return error;
    FileHandle probe(CreateFileW(target.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!probe && GetLastError() == ERROR_SHARING_VIOLATION) return errorOf(ERROR_SHARING_VIOLATION);
    return error;
}

bool exists(const Path& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Of a file's attributes, those that make it what it is to the user and that a new copy must keep.
DWORD carriedAttributes(DWORD attributes) {
    if (attributes == INVALID_FILE_ATTRIBUTES) return FILE_ATTRIBUTE_NORMAL;
    DWORD carried = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    return carried ? carried : FILE_ATTRIBUTE_NORMAL;
}

// Wine's ReplaceFile moves the old file aside before it moves the new one in: a moment with no
// vault at all, which a crash can make last. Its plain move is one rename, and atomic.
bool replaceIsAtomic() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr;
}

// Puts the temporary copy in the target's place. On Windows ReplaceFileW keeps the target's access
// rights, attributes and streams; under Wine, or where the target vanished meanwhile, a plain move.
IoResult moveOver(const Path& target, const Path& temporary) {
    if (replaceIsAtomic()) {
        if (ReplaceFileW(target.c_str(), temporary.c_str(), nullptr, REPLACEFILE_WRITE_THROUGH, nullptr, nullptr))
            return IoResult::success();
        DWORD code = GetLastError();
        if (code != ERROR_FILE_NOT_FOUND && code != ERROR_UNABLE_TO_MOVE_REPLACEMENT) return errorOf(code);
    }
    if (!MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return lastError();
    return IoResult::success();
}

// Why the temporary copy could not be made: when something is still in its place (a leftover
// that could not be removed), the reason it stays, found by opening it without writing.
IoError whyNotMade(const Path& temporary) {
    IoError refused = lastError();
    if (refused.code != ERROR_FILE_EXISTS) return refused;
    FileHandle probe(CreateFileW(temporary.c_str(), DELETE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT,
                                 nullptr));
    return probe ? refused : lastError();
}

// A file marked so is removed by the system when its last handle closes, also when the program is
// killed.
bool setDeletedOnClose(HANDLE file, bool deleted) {
    FILE_DISPOSITION_INFO disposition{deleted};
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

// Renames the open file to `target`, replacing it: the file is unmarked only for that moment, so
// that a program killed at any other time leaves no copy behind.
template <typename Fail>
IoResult keepUnderName(FileHandle& file, const Path& target, Fail& fail) {
    const size_t nameBytes = target.size() * sizeof(wchar_t);
    std::vector<std::uint8_t> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = TRUE;
    rename->FileNameLength = static_cast<DWORD>(nameBytes);
    std::memcpy(rename->FileName, target.data(), nameBytes);
    if (!setDeletedOnClose(file.get(), false)) return fail(lastError());
    if (!SetFileInformationByHandle(file.get(), FileRenameInfo, rename, static_cast<DWORD>(buffer.size()))) {
        IoError refused = lastError();
        setDeletedOnClose(file.get(), true);
        return fail(refused);
    }
    if (!CloseHandle(file.release())) return lastError();
    return IoResult::success();
}

// "\\?\C:\x" is "C:\x", "\\?\UNC\server\share" is "\\server\share".
Path withoutLongPathPrefix(Path name) {
    if (name.starts_with(L"\\\\?\\UNC\\")) return L"\\\\" + name.substr(8);
    if (name.starts_with(L"\\\\?\\")) return name.substr(4);
    return name;
}

}  // namespace

std::optional<Path> Win32FileSystem::firstOrdinaryFileName(const Path& path) {
    WIN32_FIND_DATAW found{};
    FindHandle search(FindFirstFileW(path.c_str(), &found));
    if (!search) return std::nullopt;
    // Only the first match counts, as the listing gives it; a name that is not ordinary is "none".
    constexpr DWORD kNotOrdinary = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
    if (found.dwFileAttributes & kNotOrdinary) return std::nullopt;
    return Path(found.cFileName);
}

bool Win32FileSystem::sameFileName(const Path& a, const Path& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

IoResult Win32FileSystem::readAll(const Path& path, std::string& bytes) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return lastError();
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return lastError();
    if (static_cast<unsigned long long>(size.QuadPart) > std::string().max_size() / 2)
        return errorOf(ERROR_FILE_TOO_LARGE);

    std::string data(static_cast<size_t>(size.QuadPart), '\0');
    size_t filled = 0;
    constexpr size_t kChunk = 1u << 24;
    while (filled < data.size()) {
        DWORD got = 0;
        DWORD want = static_cast<DWORD>(std::min(data.size() - filled, kChunk));
        if (!ReadFile(file.get(), data.data() + filled, want, &got, nullptr)) return lastError();
        if (got == 0) break;  // the file became shorter meanwhile
        filled += got;
    }
    data.resize(filled);
    bytes = std::move(data);
    return IoResult::success();
}

IoResult Win32FileSystem::readPieces(const Path& path, const PieceWriter& into) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return lastError();
    auto piece = std::make_unique_for_overwrite<char[]>(kPieceSize);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), piece.get(), static_cast<DWORD>(kPieceSize), &got, nullptr)) return lastError();
        if (got == 0) return IoResult::success();
        if (IoResult result = into(std::string_view(piece.get(), got)); result.failed()) return result;
    }
}

IoResult Win32FileSystem::append(const Path& path, std::string_view bytes) {
    FileHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return lastError();
    if (IoResult result = writeAll(file.get(), bytes); result.failed()) return result;
    if (!CloseHandle(file.release())) return lastError();
    return IoResult::success();
}

IoResult Win32FileSystem::replaceAtomically(const Path& target, const Path& temporary, const ContentSource& content,
                                            TemporaryCopy copy) {
    FileHandle file;
    bool made = false;  // the temporary copy is this replace's own
    const Path* stepFile = &temporary;
    // Whatever step fails, the target keeps its bytes and no temporary copy stays behind, unless
    // the target is gone and the temporary copy is all that is left of the vault. A copy that goes
    // when the program dies goes with its handle.
    auto fail = [&](IoError error) -> IoResult {
        file.reset();
        if (made && (stepFile == &temporary || exists(target))) DeleteFileW(temporary.c_str());
        if (error.file.empty()) error.file = *stepFile;
        return error;
    };
    const bool removedIfKilled = copy == TemporaryCopy::RemovedIfKilled;

    // The new copy wears the vault's hidden and system attributes from the start: a plain move
    // (all that Wine's ReplaceFile does) would otherwise drop them.
    const DWORD targetAttributes = GetFileAttributesW(target.c_str());
    const DWORD carried = carriedAttributes(targetAttributes);
    if (IoResult result = beforeStep(WriteStep::CreateTemporary, nullptr); result.failed()) return fail(result.error());
    // What a crash left in the temporary copy's place goes first, read-only or not; a link there is
    // removed, never followed, so that nothing is written where it leads. The copy is then made new.
    vk::removeFile(temporary);
    file.reset(CreateFileW(temporary.c_str(), GENERIC_WRITE | (removedIfKilled ? DELETE : 0), 0, nullptr, CREATE_NEW,
                           carried, nullptr));
    if (!file) return fail(whyNotMade(temporary));
    made = true;
    if (removedIfKilled && !setDeletedOnClose(file.get(), true)) return fail(lastError());

    if (IoResult result = beforeStep(WriteStep::Write, file.get()); result.failed()) return fail(result.error());
    HANDLE handle = file.get();
    IoResult written;
    try {
        written = content([handle](std::string_view piece) { return writeAll(handle, piece); });
    } catch (...) {
        // Whatever went wrong while the content was made, no temporary copy stays; the exception,
        // not the clean-up's result, tells what happened.
        (void)fail(IoError{});
        throw;
    }
    if (written.failed()) return fail(written.error());

    if (IoResult result = beforeStep(WriteStep::Flush, file.get()); result.failed()) return fail(result.error());
    if (!FlushFileBuffers(file.get())) return fail(lastError());

    if (IoResult result = beforeStep(WriteStep::Close, file.get()); result.failed()) return fail(result.error());
    if (!removedIfKilled && !CloseHandle(file.release())) return fail(lastError());

    stepFile = &target;
    if (IoResult result = beforeStep(WriteStep::Replace, nullptr); result.failed()) return fail(result.error());
    // Windows will not replace a read-only file, but not every file system under it says so.
    if (targetAttributes != INVALID_FILE_ATTRIBUTES && (targetAttributes & FILE_ATTRIBUTE_READONLY))
        return fail(errorOf(ERROR_ACCESS_DENIED));
    if (removedIfKilled) return keepUnderName(file, target, fail);
    if (IoResult moved = moveOver(target, temporary); moved.failed())
        return fail(explainReplaceFailure(target, moved.error()));
    return IoResult::success();
}

IoResult Win32FileSystem::beforeStep(WriteStep step, void* file) {
    return watch_ ? watch_->beforeStep(step, file) : IoResult::success();
}

IoResult Win32FileSystem::finalPath(const Path& path, Path& final) {
    // No access is asked for: a file that another program holds can still be named.
    FileHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) return lastError();
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetFinalPathNameByHandleW(file.get(), name.data(), static_cast<DWORD>(name.size()),
                                                 FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) return lastError();
        if (length < name.size()) {
            name.resize(length);
            break;
        }
        name.resize(length);  // too small: the length asked for counts the terminating zero
    }
    final = withoutLongPathPrefix(std::move(name));
    return IoResult::success();
}

bool Win32FileSystem::isFolder(const Path& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::uint64_t> Win32FileSystem::fileSize(const Path& path) { return fileSizeOf(path); }

bool Win32FileSystem::isLink(const Path& path) { return vk::isLink(path); }

IoResult Win32FileSystem::remove(const Path& path) {
    if (removeFile(path)) return IoResult::success();
    return lastError();
}

IoResult Win32FileSystem::moveFile(const Path& from, const Path& to) {
    std::string reason;
    if (moveFileOver(from, to, reason)) return IoResult::success();
    return IoError{0, reason, {}};
}

std::optional<FileIdentity> Win32FileSystem::identity(const Path& path) { return fileIdentityOf(path); }

IoResult Win32FileSystem::filesIn(const Path& folder, std::vector<Path>& names) {
    names.clear();
    if (!isFolder(folder)) return IoResult::success();  // nothing there, or a file
    WIN32_FIND_DATAW found{};
    FindHandle search(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (!search) return lastError();
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(found.cFileName);
    } while (FindNextFileW(search.get(), &found));
    if (GetLastError() != ERROR_NO_MORE_FILES) return lastError();
    return IoResult::success();
}

IoResult Win32FileSystem::makeFolder(const Path& folder) {
    // A file in the folder's place is named as the reason, whatever name the system gives it.
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return errorOf(ERROR_ALREADY_EXISTS);
    if (CreateDirectoryW(folder.c_str(), nullptr)) return IoResult::success();
    const DWORD code = GetLastError();
    if (code == ERROR_ALREADY_EXISTS && isFolder(folder)) return IoResult::success();
    return errorOf(code);
}

FileSystem& realFileSystem() {
    static Win32FileSystem files;
    return files;
}

}  // namespace vk::vault
