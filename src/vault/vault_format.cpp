#include "vault/vault_format.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace vk::vault {

namespace {

constexpr unsigned char kScrambleMask = 0x80;

void scrambleRange(char* first, size_t count) {
    // Eight bytes at a time: vaults of tens of thousands of entries load and save at file speed.
    constexpr std::uint64_t kWideMask = 0x8080808080808080ull;
    size_t i = 0;
    for (; i + sizeof(std::uint64_t) <= count; i += sizeof(std::uint64_t)) {
        std::uint64_t word;
        std::memcpy(&word, first + i, sizeof word);
        word ^= kWideMask;
        std::memcpy(first + i, &word, sizeof word);
    }
    for (; i < count; ++i) first[i] = static_cast<char>(static_cast<unsigned char>(first[i]) ^ kScrambleMask);
}

// Appends `text` scrambled to `out`.
void appendScrambled(std::string& out, std::string_view text) {
    size_t start = out.size();
    out.append(text);
    scrambleRange(out.data() + start, text.size());
}

// The three fields of a line cut at `separator`, which is "|||" in plain text and its scrambled
// form in stored text: the scramble maps bytes one to one, so both cut at the same places.
std::array<std::string_view, 3> splitPieces(std::string_view line, std::string_view separator) {
    std::array<std::string_view, 3> pieces;
    for (auto& piece : pieces) {
        size_t at = line.find(separator);
        piece = line.substr(0, at);
        if (at == std::string_view::npos) break;
        line.remove_prefix(at + separator.size());  // what follows a third piece is dropped
    }
    return pieces;
}

// Every line but a last unterminated one ends at a CR, so this bounds the entry count from above.
size_t lineCount(std::string_view bytes) {
    size_t count = 1;
    for (size_t at = bytes.find('\r'); at != std::string_view::npos; at = bytes.find('\r', at + 1)) ++count;
    return count;
}

std::string scrambledSeparator() { return scrambleText(kSeparator); }

}  // namespace

std::string scrambleText(std::string_view text) {
    std::string out(text);
    scrambleInPlace(out);
    return out;
}

void scrambleInPlace(std::string& text) { scrambleRange(text.data(), text.size()); }

bool LineReader::next(std::string_view& line) {
    if (pos_ >= bytes_.size()) return false;
    std::string_view rest = bytes_.substr(pos_);
    size_t cr = rest.find('\r');
    if (cr == std::string_view::npos) {
        line = rest;
        pos_ = bytes_.size();
        return true;
    }
    line = rest.substr(0, cr);
    bool crlf = cr + 1 < rest.size() && rest[cr + 1] == '\n';
    pos_ += cr + (crlf ? 2 : 1);
    return true;
}

Entry splitEntryLine(std::string_view line) {
    auto pieces = splitPieces(line, kSeparator);
    return Entry{std::string(pieces[0]), std::string(pieces[1]), std::string(pieces[2])};
}

std::string joinEntryLine(const Entry& entry) {
    std::string line;
    line.reserve(entry.username.size() + entry.password.size() + entry.location.size() + 2 * kSeparator.size());
    line.append(entry.username).append(kSeparator).append(entry.password).append(kSeparator).append(entry.location);
    return line;
}

std::string storedPasswordOf(std::string_view fileBytes) {
    LineReader reader(fileBytes);
    std::string_view first;
    if (!reader.next(first)) return {};
    return scrambleText(first);
}

std::vector<Entry> entriesOf(std::string_view fileBytes) {
    std::vector<Entry> entries;
    entries.reserve(lineCount(fileBytes));

    const std::string separator = scrambledSeparator();
    LineReader reader(fileBytes);
    std::string_view line;
    if (!reader.next(line)) return entries;  // line 1 is the master password
    while (reader.next(line)) {
        if (line.empty() || line == " ") continue;  // judged as stored, before unscrambling
        // Cut the stored line and unscramble each field straight into the entry.
        auto pieces = splitPieces(line, separator);
        Entry& entry = entries.emplace_back();
        entry.username = scrambleText(pieces[0]);
        entry.password = scrambleText(pieces[1]);
        entry.location = scrambleText(pieces[2]);
    }
    return entries;
}

EntryView EntryTable::operator[](size_t index) const {
    const Fields& fields = rows_[index];
    const char* base = text_.data();
    return EntryView{std::string_view(base + fields.offset[0], fields.length[0]),
                     std::string_view(base + fields.offset[1], fields.length[1]),
                     std::string_view(base + fields.offset[2], fields.length[2])};
}

EntryTable entryTableOf(std::string fileBytes) {
    EntryTable table;
    table.text_ = std::move(fileBytes);
    table.rows_.reserve(lineCount(table.text_));
    // CR and LF keep their places when unscrambled as a whole (they become 8D and 8A), and the
    // separator becomes "|||" again: cutting the unscrambled text finds the same lines and pieces.
    scrambleRange(table.text_.data(), table.text_.size());
    std::string_view text = table.text_;
    const std::string_view lineEnd = "\x8D";  // an unscrambled CR
    size_t pos = 0;
    bool firstLine = true;
    while (pos < text.size()) {
        size_t cr = text.find(lineEnd, pos);
        size_t end = cr == std::string_view::npos ? text.size() : cr;
        std::string_view line = text.substr(pos, end - pos);
        size_t lineStart = pos;
        pos = end == text.size() ? end : end + 1;
        if (end < text.size() && pos < text.size() && text[pos] == '\x8A') ++pos;  // CR LF
        if (firstLine) {  // the master password
            firstLine = false;
            continue;
        }
        if (line.empty() || line == "\xA0") continue;  // empty, or one space as stored
        auto pieces = splitPieces(line, kSeparator);
        EntryTable::Fields& fields = table.rows_.emplace_back();
        for (int i = 0; i < 3; ++i) {
            fields.offset[i] = pieces[i].empty() ? lineStart : static_cast<size_t>(pieces[i].data() - text.data());
            fields.length[i] = pieces[i].size();
        }
    }
    return table;
}

std::string freshVault() { return std::string(kLineEnd); }

std::string createdVault(std::string_view masterPassword) {
    std::string content;
    content.reserve(masterPassword.size() + kLineEnd.size());
    appendScrambled(content, masterPassword);
    content.append(kLineEnd);
    return content;
}

SavedVaultBuilder::SavedVaultBuilder(std::string_view masterPassword, size_t expectedEntries) {
    // A guess at a typical line, so that big vaults grow the buffer only a few times.
    constexpr size_t kTypicalLine = 64;
    content_.reserve(masterPassword.size() + 2 * kLineEnd.size() + expectedEntries * kTypicalLine);
    appendScrambled(content_, masterPassword);
    content_.append(kLineEnd);
}

void SavedVaultBuilder::add(EntryView entry) {
    size_t start = content_.size();
    content_.append(entry.username).append(kSeparator).append(entry.password).append(kSeparator).append(entry.location);
    scrambleRange(content_.data() + start, content_.size() - start);
    content_.append(kLineEnd);
}

std::string SavedVaultBuilder::finish() {
    content_.append(kLineEnd);
    return std::move(content_);
}

}  // namespace vk::vault
