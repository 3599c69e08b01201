#include "vault/file_system.h"

namespace vk::vault {
namespace {

// Where a name leads: the file itself, links followed, or, while nothing is there, the final path
// of its folder followed by its own name.
Path whereNameLeads(FileSystem& files, const Path& path) {
    Path final;
    if (files.finalPath(path, final).succeeded()) return final;
    const size_t separator = path.find_last_of(kPathSeparator);
    if (separator == Path::npos) return path;
    Path folder;
    if (files.finalPath(path.substr(0, separator + 1), folder).failed()) return path;
    if (folder.empty() || folder.back() != kPathSeparator) folder += kPathSeparator;
    return folder + path.substr(separator + 1);
}

// Something is at the name: a file, a folder, or a link, even one that leads nowhere.
bool taken(FileSystem& files, const Path& path) {
    return files.identity(path) || files.isLink(path) || files.fileSize(path);
}

}  // namespace

bool sameFile(FileSystem& files, const Path& a, const Path& b) {
    const std::optional<FileIdentity> first = files.identity(a), second = files.identity(b);
    if (first && second) return first->volume == second->volume && first->index == second->index;
    return files.sameFileName(whereNameLeads(files, a), whereNameLeads(files, b));
}

Path freeNameBeside(FileSystem& files, const Path& path, const Path& suffix) {
    Path name = path + suffix;
    for (int n = 2; taken(files, name); ++n) {
        const std::string number = std::to_string(n);
        name = path + suffix;
        name += static_cast<Path::value_type>('-');
        for (char digit : number) name += static_cast<Path::value_type>(digit);
    }
    return name;
}

}  // namespace vk::vault
