#include "platform/app_info.h"

#include <windows.h>

#include <vector>

namespace vk {
namespace {

std::string versionString(const std::vector<char>& block, const char* langCodepage, const char* name) {
    std::string query = std::string("\\StringFileInfo\\") + langCodepage + "\\" + name;
    char* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) || !value)
        return {};
    std::string text(value, length);
    while (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

}  // namespace

std::wstring executablePath() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n < buffer.size()) {
            buffer.resize(n);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring executableFolder() {
    std::wstring path = executablePath();
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

AppInfo readAppInfo() {
    AppInfo info;
    info.folder = executableFolder();
    std::wstring exe = executablePath();
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
    if (size == 0) return info;
    std::vector<char> block(size);
    if (!GetFileVersionInfoW(exe.c_str(), 0, size, block.data())) return info;

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedLength = 0;
    if (VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedLength) && fixed) {
        info.major = HIWORD(fixed->dwFileVersionMS);
        info.minor = LOWORD(fixed->dwFileVersionMS);
        info.revision = LOWORD(fixed->dwFileVersionLS);
    }

    struct Translation {
        WORD language, codepage;
    };
    Translation* translations = nullptr;
    UINT translationsLength = 0;
    char langCodepage[16] = "040904b0";
    if (VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations),
                       &translationsLength) &&
        translationsLength >= sizeof(Translation))
        wsprintfA(langCodepage, "%04x%04x", translations[0].language, translations[0].codepage);

    info.title = versionString(block, langCodepage, "FileDescription");
    info.productName = versionString(block, langCodepage, "ProductName");
    info.companyName = versionString(block, langCodepage, "CompanyName");
    info.comments = versionString(block, langCodepage, "Comments");
    return info;
}

}  // namespace vk
