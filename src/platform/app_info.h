#pragma once
// What a program knows of itself: its folder and the strings and numbers of its version resource.
#include <string>

namespace vk {

struct AppInfo {
    std::wstring folder;  // the executable's folder, without a trailing separator
    std::string title;    // "FileDescription": the title of message boxes that have none
    std::string productName;
    std::string companyName;
    std::string comments;  // "Comments": the maker's web site host
    int major = 0;
    int minor = 0;
    int revision = 0;
};

// The program's branding: what the version information calls its product, its maker and the
// maker's web site.
struct Branding {
    std::string productName;
    std::string companyName;
    std::string companyWebsite;
};

// Reads the running executable's folder and version information.
AppInfo readAppInfo();

// The running executable, and its folder.
std::wstring executablePath();
std::wstring executableFolder();

}  // namespace vk
