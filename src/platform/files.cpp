#include "platform/files.h"

#include <windows.h>

#include "platform/handles.h"

namespace vk {

std::optional<FileIdentity> fileIdentityOf(const std::wstring& path) {
    // No access is asked for: a file that another program holds open still has its identity.
    FileHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    if (!file || !GetFileInformationByHandle(file.get(), &information)) return std::nullopt;
    return FileIdentity{information.dwVolumeSerialNumber,
                        (static_cast<unsigned long long>(information.nFileIndexHigh) << 32) | information.nFileIndexLow,
                        (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0};
}

bool removeFile(const std::wstring& path) {
    if (DeleteFileW(path.c_str())) return true;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    // A read-only file goes once it is writable; a link is not touched, lest the change reach its target.
    if (!(attributes & FILE_ATTRIBUTE_READONLY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
    return SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY) && DeleteFileW(path.c_str());
}

std::optional<unsigned long long> fileSizeOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::string sizeText(unsigned long long bytes) {
    std::string digits = std::to_string(bytes);
    if (bytes >= (1u << 20)) return std::to_string((bytes + (1u << 19)) >> 20) + " MB (" + digits + " bytes)";
    return digits + " bytes";
}

}  // namespace vk
