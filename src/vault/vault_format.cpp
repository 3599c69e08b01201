#include "vault/vault_format.h"

#include <array>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

namespace {

constexpr std::uint64_t kLowBits = 0x0101010101010101ull;
constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
constexpr char kPlainCr = static_cast<char>('\r' ^ kScrambleMask);   // a stored CR, unscrambled
constexpr char kPlainLf = static_cast<char>('\n' ^ kScrambleMask);   // a stored LF, unscrambled
constexpr char kPlainSpace = static_cast<char>(' ' ^ kScrambleMask);  // a stored space, unscrambled

// The bytes of `word` equal to the byte repeated in `pattern`, as their top bits; exact.
std::uint64_t bytesEqual(std::uint64_t word, std::uint64_t pattern) {
    std::uint64_t x = word ^ pattern;
    std::uint64_t t = (x & kLow7) + kLow7;
    return ~(t | x | kLow7);
}

// Cuts the unscrambled text of a vault into entries in one pass, many bytes at a time: only line
// ends and the starts of separators take a closer look.
class EntryScanner {
public:
    EntryScanner(std::string_view text, std::vector<EntryTable::Fields>& rows) : text_(text), rows_(rows) {}

    void run() {
        const char* data = text_.data();
        size_t n = text_.size();
        size_t pos = 0;
#if defined(__SSE2__) && !defined(VK_PORTABLE_SCAN)
        // A byte counts when it is a CR or starts "|||": a typical line takes three looks.
        const __m128i crs = _mm_set1_epi8(kPlainCr);
        const __m128i bars = _mm_set1_epi8('|');
        auto at = [data](size_t i) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i)); };
        for (; pos + 18 <= n; pos += 16) {
            __m128i block = at(pos);
            __m128i starts = _mm_and_si128(_mm_cmpeq_epi8(block, bars),
                                           _mm_and_si128(_mm_cmpeq_epi8(at(pos + 1), bars), _mm_cmpeq_epi8(at(pos + 2), bars)));
            lookAll(pos, static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, crs), starts))));
        }
#endif
        const std::uint64_t crWord = kLowBits * static_cast<unsigned char>(kPlainCr);
        const std::uint64_t barWord = kLowBits * static_cast<unsigned char>('|');
        for (; pos + 8 <= n; pos += 8) {
            std::uint64_t word;
            std::memcpy(&word, data + pos, sizeof word);
            std::uint64_t marks = bytesEqual(word, crWord) | bytesEqual(word, barWord);
            unsigned hits = 0;  // one bit a byte, as the wide loop has them
            for (; marks; marks &= marks - 1) hits |= 1u << (__builtin_ctzll(marks) / 8);
            lookAll(pos, hits);
        }
        for (; pos < n; ++pos)
            if (data[pos] == kPlainCr || data[pos] == '|') look(pos);
        if (lineStart_ < n) endLine(n);  // a last line without its line end
    }

private:
    // `hits` has a bit for each byte of the block at `pos` to look at.
    void lookAll(size_t pos, unsigned hits) {
        while (hits) {
            unsigned bit = static_cast<unsigned>(__builtin_ctz(hits));
            hits &= hits - 1;
            if (look(pos + bit)) hits &= ~(3u << (bit + 1));  // the rest of the separator
        }
    }

    // True when a separator starts here.
    bool look(size_t at) {
        if (at < skipUntil_) return false;
        if (text_[at] == kPlainCr) {
            endLine(at);
            size_t next = at + 1;
            if (next < text_.size() && text_[next] == kPlainLf) ++next;  // CR LF; a CR alone ends a line too
            lineStart_ = skipUntil_ = next;
            separators_ = 0;
            return false;
        }
        // "|||" ends a piece; separators do not overlap, so the search goes on after it.
        if (separators_ < 3 && at + 2 < text_.size() && text_[at + 1] == '|' && text_[at + 2] == '|') {
            separatorAt_[separators_++] = at;
            skipUntil_ = at + kSeparator.size();
            return true;
        }
        return false;
    }

    void endLine(size_t end) {
        if (firstLine_) {  // the master password
            firstLine_ = false;
            return;
        }
        size_t start = lineStart_;
        size_t length = end - start;
        if (length == 0 || (length == 1 && text_[start] == kPlainSpace)) return;
        EntryTable::Fields& fields = rows_.emplace_back();
        for (int piece = 0; piece < 3; ++piece) {
            size_t stop = piece < separators_ ? separatorAt_[piece] : end;
            fields.offset[piece] = static_cast<std::uint32_t>(start);
            fields.length[piece] = static_cast<std::uint32_t>(stop - start);
            start = piece < separators_ ? stop + kSeparator.size() : end;
        }
    }

    std::string_view text_;
    std::vector<EntryTable::Fields>& rows_;
    size_t lineStart_ = 0;
    size_t skipUntil_ = 0;
    size_t separatorAt_[3] = {};
    int separators_ = 0;
    bool firstLine_ = true;
};

}  // namespace

EntryTable entryTableOf(std::string fileBytes) {
    EntryTable table;
    table.text_ = std::move(fileBytes);
    // CR and LF keep their places when the text is unscrambled as a whole (they become 8D and
    // 8A), and the separator becomes "|||" again: the unscrambled text cuts at the same places.
    scrambleRange(table.text_.data(), table.text_.size());
    constexpr size_t kTypicalLine = 48;  // a first guess; the table grows if the lines are shorter
    table.rows_.reserve(table.text_.size() / kTypicalLine + 1);
    EntryScanner(table.text_, table.rows_).run();
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
    // One resize and plain copies: a full vault is tens of thousands of lines.
    size_t start = content_.size();
    size_t length = entry.username.size() + entry.password.size() + entry.location.size() + 2 * kSeparator.size();
    content_.resize(start + length + kLineEnd.size());
    char* out = content_.data() + start;
    for (std::string_view part : {entry.username, kSeparator, entry.password, kSeparator, entry.location, kLineEnd}) {
        std::memcpy(out, part.data(), part.size());
        out += part.size();
    }
    scrambleRange(content_.data() + start, length);
}

std::string SavedVaultBuilder::finish() {
    content_.append(kLineEnd);
    return std::move(content_);
}

}  // namespace vk::vault
