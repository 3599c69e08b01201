#pragma once
// The vault file's bytes: scrambled lines in the system's ANSI code page, each ended by CR LF.
// Line 1 is the master password; every further line that is neither empty nor a single space
// is one entry, its three fields joined by "|||".
#include <string>
#include <string_view>
#include <vector>

namespace vk::vault {

struct Entry {
    std::string username;
    std::string password;
    std::string location;  // Website/Location

    friend bool operator==(const Entry&, const Entry&) = default;
};

inline constexpr std::string_view kSeparator = "|||";
inline constexpr std::string_view kLineEnd = "\r\n";

// Flips the top bit of every byte: its own inverse for every byte (code 128 and code 0 swap).
std::string scrambleText(std::string_view text);
void scrambleInPlace(std::string& text);

// Reads lines as the vault's readers do: a line ends at CR LF or at a CR not followed by LF;
// a LF that does not follow a CR is an ordinary character.
class LineReader {
public:
    explicit LineReader(std::string_view bytes) : bytes_(bytes) {}
    // False at the end of the bytes; a final line without terminator still counts.
    bool next(std::string_view& line);

private:
    std::string_view bytes_;
    size_t pos_ = 0;
};

// Cuts an unscrambled entry line at "|||" from the left; missing pieces are empty and pieces
// after the third are dropped.
Entry splitEntryLine(std::string_view line);
// Username "|||" Password "|||" Website/Location, unscrambled.
std::string joinEntryLine(const Entry& entry);

// Line 1 of the vault, unscrambled; empty for an empty file (a zero-byte vault counts as Fresh).
std::string storedPasswordOf(std::string_view fileBytes);
// Every entry of the vault, in file order, skipping line 1 and lines that are empty or one space.
std::vector<Entry> entriesOf(std::string_view fileBytes);

// The content of a Fresh vault (one empty line) and of a Created one (the master password only).
std::string freshVault();
std::string createdVault(std::string_view masterPassword);

// Builds the content a save writes: the master password line, one line per entry, then an empty line.
class SavedVaultBuilder {
public:
    explicit SavedVaultBuilder(std::string_view masterPassword, size_t expectedEntries = 0);
    void add(const Entry& entry);
    std::string finish();  // appends the closing empty line

private:
    std::string content_;
};

}  // namespace vk::vault
