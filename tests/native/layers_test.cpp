// The layers of the program, as the guide's table says them (docs/architecture.md): a file includes
// from its own folder and from what its folder's row allows, never from a folder above it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kSource = VK_SOURCE_DIR;

std::vector<std::string> linesOf(const fs::path& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Each row of the guide's layer table: "| `src/vault/` | what it is | `platform/files.h`, ... |".
std::map<std::string, std::set<std::string>> layerTable() {
    std::map<std::string, std::set<std::string>> allowed;
    const std::regex row(R"(^\| `src/([a-z_]+)/` \|.*\| ([^|]*) \|\s*$)");
    const std::regex item("`([a-z_./]+)`");
    for (const std::string& line : linesOf(kSource / "docs" / "architecture.md")) {
        std::smatch match;
        if (!std::regex_match(line, match, row)) continue;
        std::set<std::string>& mayInclude = allowed[match[1]];
        const std::string list = match[2];
        for (std::sregex_iterator it(list.begin(), list.end(), item), end; it != end; ++it) mayInclude.insert((*it)[1]);
    }
    return allowed;
}

bool allows(const std::set<std::string>& mayInclude, const std::string& folder, const std::string& included) {
    return mayInclude.count(folder + "/") || mayInclude.count(included);
}

TEST(Layers, NoFileIncludesAFolderItsRowOfTheGuideDoesNotAllow) {
    const auto table = layerTable();
    ASSERT_GE(table.size(), 8u) << "the guide's layer table was not found";
    const std::regex include(R"re(^\s*#\s*include\s+"(([a-z_]+)/[^"]+)")re");
    std::vector<std::string> upward;
    for (const auto& entry : fs::recursive_directory_iterator(kSource / "src")) {
        const std::string extension = entry.path().extension().string();
        if (extension != ".h" && extension != ".cpp") continue;
        const std::string folder = entry.path().parent_path().filename().string();
        ASSERT_TRUE(table.count(folder)) << "the guide's table has no row for src/" << folder << "/";
        int number = 0;
        for (const std::string& line : linesOf(entry.path())) {
            ++number;
            std::smatch match;
            if (!std::regex_search(line, match, include)) continue;
            const std::string included = match[1], from = match[2];
            if (from != folder && table.count(from) && !allows(table.at(folder), from, included))
                upward.push_back(fs::relative(entry.path(), kSource).string() + ":" + std::to_string(number) +
                                 " includes " + included);
        }
    }
    EXPECT_TRUE(upward.empty()) << ::testing::PrintToString(upward);
}

}  // namespace
