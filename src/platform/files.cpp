#include "platform/files.h"

#include <windows.h>

#include "platform/handles.h"
#include "platform/system_error.h"

namespace vk {

std::optional<FileIdentity> fileIdentityOf(const std::wstring& path) {
    // No access is asked for: a file that another program holds open still has its identity.
    FileHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    if (!file || !GetFileInformationByHandle(file.get(), &information)) return std::nullopt;
    return FileIdentity{information.dwVolumeSerialNumber,
                        (static_cast<unsigned long long>(information.nFileIndexHigh) << 32) | information.nFileIndexLow,
                        (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, information.nNumberOfLinks};
}

namespace {

std::optional<std::wstring> finalPathOf(const std::wstring& path) {
    FileHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) return std::nullopt;
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetFinalPathNameByHandleW(file.get(), name.data(), static_cast<DWORD>(name.size()),
                                                 FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) return std::nullopt;
        const bool fits = length < name.size();
        name.resize(length);
        if (fits) return name;
    }
}

bool exists(const std::wstring& path) {
    // A link that leads nowhere is still there: its own name is looked for, not its target.
    WIN32_FIND_DATAW found{};
    FindHandle search(FindFirstFileW(path.c_str(), &found));
    return static_cast<bool>(search);
}

// Puts an empty file of our own in the link's place and removes that: on Windows deleting a link
// removes the link, but Wine's DeleteFileW removes the file it leads to.
bool removeLink(const std::wstring& path) {
    const std::wstring stand = freeNameBeside(path, L".removing");
    FileHandle placeholder(CreateFileW(stand.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                       nullptr));
    if (!placeholder) return false;
    placeholder.reset();
    if (!MoveFileExW(stand.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(stand.c_str());
        return false;
    }
    return DeleteFileW(path.c_str()) != FALSE;
}

}  // namespace

namespace {

// Where a name leads: the final path of its folder, followed by its own name.
std::wstring whereNameLeads(const std::wstring& path) {
    if (std::optional<std::wstring> final = finalPathOf(path)) return *final;
    const size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos) return path;
    std::optional<std::wstring> folder = finalPathOf(path.substr(0, separator + 1));
    if (!folder) return path;
    if (folder->empty() || folder->back() != L'\\') *folder += L'\\';
    return *folder + path.substr(separator + 1);
}

}  // namespace

bool sameFile(const std::wstring& a, const std::wstring& b) {
    const std::optional<FileIdentity> first = fileIdentityOf(a), second = fileIdentityOf(b);
    if (first && second) return first->volume == second->volume && first->index == second->index;
    const std::wstring x = whereNameLeads(a), y = whereNameLeads(b);
    return CompareStringOrdinal(x.c_str(), static_cast<int>(x.size()), y.c_str(), static_cast<int>(y.size()), TRUE) ==
           CSTR_EQUAL;
}

bool isLink(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return true;
    if (!exists(path)) return false;
    // Wine shows a link as the file it leads to: where it leads is compared with where it stands.
    const size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos) return false;
    const std::optional<std::wstring> folder = finalPathOf(path.substr(0, separator + 1));
    const std::optional<std::wstring> file = finalPathOf(path);
    if (!folder) return false;
    if (!file) return true;  // a link that leads nowhere
    std::wstring standing = *folder;
    if (standing.empty() || standing.back() != L'\\') standing += L'\\';
    standing += path.substr(separator + 1);
    return CompareStringOrdinal(standing.c_str(), static_cast<int>(standing.size()), file->c_str(),
                                static_cast<int>(file->size()), TRUE) != CSTR_EQUAL;
}

bool removeFile(const std::wstring& path) {
    if (isLink(path)) return removeLink(path);
    if (DeleteFileW(path.c_str())) return true;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    // A read-only file goes once it is writable.
    if (!(attributes & FILE_ATTRIBUTE_READONLY)) return false;
    return SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY) && DeleteFileW(path.c_str());
}

bool moveFileOver(const std::wstring& from, const std::wstring& to, std::string& reason) {
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    reason = systemErrorText(GetLastError());
    return false;
}

std::wstring freeNameBeside(const std::wstring& path, const std::wstring& suffix) {
    std::wstring name = path + suffix;
    for (int n = 2; exists(name); ++n) name = path + suffix + L"-" + std::to_wstring(n);
    return name;
}

std::optional<unsigned long long> fileSizeOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace vk
