#include "vault/vault_format.h"

#include "platform/wipe.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vk::vault {

namespace {

constexpr unsigned char kScrambleMask = 0x80;

// Writes `count` bytes from `from` to `to`, scrambled; the two may be the same place. Eight bytes
// at a time: vaults of tens of thousands of entries load and save at file speed.
void scrambledCopy(const char* from, size_t count, char* to) {
    constexpr std::uint64_t kWideMask = 0x8080808080808080ull;
    size_t i = 0;
    for (; i + sizeof(std::uint64_t) <= count; i += sizeof(std::uint64_t)) {
        std::uint64_t word;
        std::memcpy(&word, from + i, sizeof word);
        word ^= kWideMask;
        std::memcpy(to + i, &word, sizeof word);
    }
    for (; i < count; ++i) to[i] = static_cast<char>(static_cast<unsigned char>(from[i]) ^ kScrambleMask);
}

void scrambleRange(char* first, size_t count) { scrambledCopy(first, count, first); }

// Appends `text` scrambled to `out`.
template <typename Text>
void appendScrambled(Text& out, std::string_view text) {
    size_t start = out.size();
    out.append(text);
    scrambleRange(out.data() + start, text.size());
}

// Where the first "|||" of a line starts. A plain loop: fields are short, and a call to the C
// library's search for each one costs more than looking at their few bytes.
size_t separatorIn(std::string_view line) {
    const char* const data = line.data();
    for (size_t i = 0; i + 2 < line.size(); ++i)
        if (data[i] == '|' && data[i + 1] == '|' && data[i + 2] == '|') return i;
    return std::string_view::npos;
}

// The three fields of an unscrambled entry line, cut at "|||" from the left. A missing piece is
// empty and lies at the line's end; what follows a third piece is dropped.
std::array<std::string_view, 3> splitPieces(std::string_view line) {
    std::array<std::string_view, 3> pieces;
    for (auto& piece : pieces) {
        size_t at = separatorIn(line);
        piece = line.substr(0, at);
        line.remove_prefix(at == std::string_view::npos ? line.size() : at + kSeparator.size());
    }
    return pieces;
}

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

SecretString storedPasswordOf(std::string_view fileBytes) {
    LineReader reader(fileBytes);
    std::string_view first;
    if (!reader.next(first)) return {};
    SecretString password(first);
    scrambleRange(password.data(), password.size());
    return password;
}

bool isZeroFilled(std::string_view fileBytes) {
    return !fileBytes.empty() && fileBytes.find_first_not_of('\0') == std::string_view::npos;
}

EntryView EntryTable::operator[](size_t index) const {
    auto pieces = splitPieces(line(index));
    return EntryView{pieces[0], pieces[1], pieces[2]};
}

namespace {

constexpr char kPlainCr = static_cast<char>('\r' ^ kScrambleMask);   // a stored CR, unscrambled
constexpr char kPlainLf = static_cast<char>('\n' ^ kScrambleMask);   // a stored LF, unscrambled
constexpr char kPlainSpace = static_cast<char>(' ' ^ kScrambleMask);  // a stored space, unscrambled

// The line ends (CR) among the 64 bytes at `block`, one bit a byte.
std::uint64_t lineEndsOf(const char* block) {
    std::uint64_t marks = 0;
#if defined(__SSE2__) && !defined(VK_PORTABLE_SCAN)
    const __m128i crs = _mm_set1_epi8(kPlainCr);
    for (int i = 0; i < 64; i += 16) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + i));
        marks |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, crs)))) << i;
    }
#else
    // Eight bytes a word: the top bit of each byte equal to CR, gathered into eight low bits.
    constexpr std::uint64_t kLowBits = 0x0101010101010101ull;
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    constexpr std::uint64_t kCrs = kLowBits * static_cast<unsigned char>(kPlainCr);
    for (int i = 0; i < 64; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, block + i, sizeof word);
        std::uint64_t x = word ^ kCrs;
        std::uint64_t equal = ~(((x & kLow7) + kLow7) | x | kLow7);
        marks |= (((equal >> 7) * 0x0102040810204080ull) >> 56) << i;
    }
#endif
    return marks;
}

// Cuts the unscrambled text of a vault into lines, 64 bytes at a time: only the line ends take
// a closer look, one per entry.
class LineScanner {
public:
    LineScanner(std::string_view text, std::vector<EntryTable::Line>& lines) : text_(text), lines_(lines) {}

    void run() {
        const char* data = text_.data();
        size_t n = text_.size();
        size_t pos = 0;
        for (; pos + 64 <= n; pos += 64)
            for (std::uint64_t ends = lineEndsOf(data + pos); ends; ends &= ends - 1)
                lineEnd(pos + static_cast<size_t>(__builtin_ctzll(ends)));
        for (; pos < n; ++pos)
            if (data[pos] == kPlainCr) lineEnd(pos);
        if (lineStart_ < n) take(n);  // a last line without its line end
    }

private:
    void lineEnd(size_t at) {
        take(at);
        size_t next = at + 1;
        if (next < text_.size() && text_[next] == kPlainLf) ++next;  // CR LF; a CR alone ends a line too
        lineStart_ = next;
    }

    void take(size_t end) {
        size_t start = lineStart_;
        if (firstLine_) {  // the master password
            firstLine_ = false;
            return;
        }
        size_t length = end - start;
        if (length == 0 || (length == 1 && text_[start] == kPlainSpace)) return;
        lines_.push_back({static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(length)});
    }

    std::string_view text_;
    std::vector<EntryTable::Line>& lines_;
    size_t lineStart_ = 0;
    bool firstLine_ = true;
};

}  // namespace

EntryTable entryTableOf(SecretString fileBytes, FingerprintBuilder* fingerprint) {
    EntryTable table;
    table.text_ = std::move(fileBytes);
    // CR and LF keep their places when the text is unscrambled as a whole (they become 8D and
    // 8A), and the separator becomes "|||" again: the unscrambled text cuts at the same places.
    // Each piece is fingerprinted just before it is unscrambled, while the processor holds it.
    // Pieces of half the usual size: both passes run while the piece is in the nearest cache.
    constexpr size_t kLoadPiece = kPieceSize / 2;
    for (size_t at = 0; at < table.text_.size(); at += kLoadPiece) {
        const size_t size = std::min(kLoadPiece, table.text_.size() - at);
        if (fingerprint) fingerprint->add(std::string_view(table.text_.data() + at, size));
        scrambleRange(table.text_.data() + at, size);
    }
    constexpr size_t kTypicalLine = 48;  // a first guess; the table grows if the lines are shorter
    table.lines_.reserve(table.text_.size() / kTypicalLine + 1);
    LineScanner(table.text_, table.lines_).run();
    // Line 1 is no entry but a scrambled vault's master password: it is not kept in the clear.
    const size_t firstLineEnd = std::min(table.text_.find(kPlainCr), table.text_.size());
    wipeSecret(std::span(reinterpret_cast<std::uint8_t*>(table.text_.data()), firstLineEnd));
    return table;
}

void EntryTable::wipe() {
    wipeSecret(text_);
    lines_.clear();
}

EntryTable entryTableOf(size_t count, const std::function<EntryView(size_t)>& entryAt) {
    EntryTable table;
    size_t size = 0;
    for (size_t i = 0; i < count; ++i) {
        EntryView entry = entryAt(i);
        size += entry.username.size() + entry.password.size() + entry.location.size() + 2 * kSeparator.size() + 2;
    }
    table.text_.reserve(size);
    table.lines_.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        EntryView entry = entryAt(i);
        const size_t start = table.text_.size();
        table.text_.append(entry.username).append(kSeparator).append(entry.password).append(kSeparator);
        table.text_.append(entry.location);
        table.lines_.push_back(
            {static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(table.text_.size() - start)});
        // A line end as the table's text holds one read from a file: a scrambled CR LF, unscrambled.
        table.text_.push_back(kPlainCr);
        table.text_.push_back(kPlainLf);
    }
    return table;
}

std::string createdVault(std::string_view masterPassword) {
    std::string content;
    content.reserve(masterPassword.size() + kLineEnd.size());
    appendScrambled(content, masterPassword);
    content.append(kLineEnd);
    return content;
}

SecretString withMasterPassword(std::string_view fileBytes, std::string_view masterPassword) {
    LineReader reader(fileBytes);
    std::string_view first;
    reader.next(first);
    const std::string_view rest = fileBytes.substr(reader.position());
    SecretString content;
    content.reserve(masterPassword.size() + kLineEnd.size() + rest.size());
    appendScrambled(content, masterPassword);
    content.append(kLineEnd).append(rest);
    return content;
}

bool followsAfterLineEnd(std::string_view before, std::string_view after) {
    const char* end = before.data() + before.size();
    return after.data() == end + 2 && end[0] == kPlainCr && end[1] == kPlainLf;
}

VaultContentWriter::VaultContentWriter(std::string_view masterPassword, const PieceWriter& write)
    : write_(write), piece_(kPieceSize) {
    addLine(masterPassword);
}

void VaultContentWriter::writeHeldBack() {
    if (used_ > 0 && error_.succeeded()) error_ = write_(std::string_view(piece_.data(), used_));
    used_ = 0;
}

void VaultContentWriter::putScrambled(std::string_view plain) {
    while (!plain.empty()) {
        if (used_ == kPieceSize) writeHeldBack();
        const size_t taken = std::min(kPieceSize - used_, plain.size());
        scrambledCopy(plain.data(), taken, piece_.data() + used_);
        used_ += taken;
        plain.remove_prefix(taken);
    }
}

void VaultContentWriter::putLineEnd() {
    if (kPieceSize - used_ < kLineEnd.size()) writeHeldBack();
    std::memcpy(piece_.data() + used_, kLineEnd.data(), kLineEnd.size());
    used_ += kLineEnd.size();
}

void VaultContentWriter::add(EntryView entry) {
    for (std::string_view piece : {entry.username, kSeparator, entry.password, kSeparator, entry.location})
        putScrambled(piece);
    putLineEnd();
}

void VaultContentWriter::addLine(std::string_view joinedLines) {
    // Copied and scrambled in one step: a run of lines costs no more than one long line.
    putScrambled(joinedLines);
    putLineEnd();
}

IoResult VaultContentWriter::finish() {
    putLineEnd();
    writeHeldBack();
    return error_;
}

}  // namespace vk::vault
