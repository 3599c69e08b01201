#pragma once
// The vault file's bytes: scrambled lines in the system's ANSI code page, each ended by CR LF.
// Line 1 is the master password; every further line that is neither empty nor a single space
// is one entry, its three fields joined by "|||".
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/wipe.h"
#include "vault/file_system.h"
#include "vault/fingerprint.h"

namespace vk::vault {

struct EntryView;

struct Entry {
    SecretString username;
    SecretString password;
    SecretString location;  // Website/Location

    friend bool operator==(const Entry&, const Entry&) = default;
    operator EntryView() const;  // NOLINT: an entry is readable wherever a view is
};

// An entry's three fields, held elsewhere.
struct EntryView {
    std::string_view username;
    std::string_view password;
    std::string_view location;

    Entry toEntry() const { return Entry{SecretString(username), SecretString(password), SecretString(location)}; }
    friend bool operator==(const EntryView&, const EntryView&) = default;
};

inline Entry::operator EntryView() const { return EntryView{username, password, location}; }

// The entries of a vault file, unscrambled in one buffer that the table owns: a big vault loads
// with one allocation for its text and one for its table, instead of one per field. Each entry
// is one line of the file; its fields are cut from the line when it is read.
class EntryTable {
public:
    size_t size() const { return lines_.size(); }
    bool empty() const { return lines_.empty(); }
    EntryView operator[](size_t index) const;
    // The entry's line, unscrambled, without its line end.
    std::string_view line(size_t index) const {
        return std::string_view(text_).substr(lines_[index].offset, lines_[index].length);
    }
    // The unscrambled text that the lines lie in.
    const SecretString& text() const { return text_; }
    // Wipes the text and lets go of every line: the entries are gone.
    void wipe();

    // Where a line lies in the text. Offsets of 32 bits: a vault is far below 4 GB, and small
    // rows keep a big vault's table small.
    struct Line {
        std::uint32_t offset;
        std::uint32_t length;
    };

private:
    friend EntryTable entryTableOf(SecretString fileBytes, FingerprintBuilder* fingerprint);
    friend EntryTable entryTableOf(size_t count, const std::function<EntryView(size_t)>& entryAt);
    SecretString text_;
    std::vector<Line> lines_;
};

inline constexpr std::string_view kSeparator = "|||";
inline constexpr std::string_view kLineEnd = "\r\n";

// Flips the top bit of every byte: its own inverse for every byte (code 128 and code 0 swap). A
// plain text, for what holds no secret (a separator, a test's file).
std::string scrambleText(std::string_view text);
void scrambleInPlace(std::string& text);

// Reads lines as the vault's readers do: a line ends at CR LF or at a CR not followed by LF;
// a LF that does not follow a CR is an ordinary character.
class LineReader {
public:
    explicit LineReader(std::string_view bytes) : bytes_(bytes) {}
    // False at the end of the bytes; a final line without terminator still counts.
    bool next(std::string_view& line);
    // Where the next line starts: just past the terminator of the line read last.
    size_t position() const { return pos_; }

private:
    std::string_view bytes_;
    size_t pos_ = 0;
};

// Line 1 of the vault, unscrambled; empty for an empty file (a zero-byte vault counts as Fresh).
SecretString storedPasswordOf(std::string_view fileBytes);
// True for a file that is not empty and holds nothing but zero bytes: what a failed disk or file
// system leaves in a file's place. It is damage, never a scrambled vault: read as one, its line 1
// would be a master password of characters of code 128 that no one chose.
bool isZeroFilled(std::string_view fileBytes);
// Every entry of the vault, in file order, skipping line 1 and lines that are empty or one space.
// The table takes the file's bytes and unscrambles them in place: no field is copied.
EntryTable entryTableOf(SecretString fileBytes, FingerprintBuilder* fingerprint = nullptr);
// Entries given one by one (none holding "|||" or a line break), joined as a vault's lines are, in
// one buffer: many entries held with a few allocations, and saved line by line as they stand.
EntryTable entryTableOf(size_t count, const std::function<EntryView(size_t)>& entryAt);

// The content of a Created vault: the master password only. A plain text, for tests' files.
std::string createdVault(std::string_view masterPassword);
// The file's bytes with line 1 replaced by the master password: every line after it stays as it is.
SecretString withMasterPassword(std::string_view fileBytes, std::string_view masterPassword);

// True when `after` lies in an entry table's text right behind `before`, parted from it only by
// a CR LF: the two, with that line end, are one piece of the vault as it was read.
bool followsAfterLineEnd(std::string_view before, std::string_view after);

// Writes a vault's content (the master password line, the entry lines, the closing empty line),
// scrambled, to `write` in pieces of a fixed size: a big vault is never held whole in memory.
class VaultContentWriter {
public:
    VaultContentWriter(std::string_view masterPassword, const PieceWriter& write);
    VaultContentWriter(const VaultContentWriter&) = delete;
    VaultContentWriter& operator=(const VaultContentWriter&) = delete;

    void add(EntryView entry);
    // An entry line already joined (unscrambled), as it was read from a vault; or several that lay
    // one after the other in it, with the CR LF between them as the table's text holds it.
    void addLine(std::string_view joinedLines);
    // Writes the closing empty line and what is still held back; the first error of any write.
    IoResult finish();

private:
    void putScrambled(std::string_view plain);
    void putLineEnd();
    void writeHeldBack();

    PieceWriter write_;  // its own copy: a writer made from a lambda outlives the lambda's wrapper
    SecretBuffer piece_;
    size_t used_ = 0;
    IoResult error_;
};

}  // namespace vk::vault
