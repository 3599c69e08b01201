#include "vault/entry_csv.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "vault/entry_rules.h"
#include "vault/unicode_text.h"

namespace vk::vault {

namespace {

using ByteSet = std::array<bool, 256>;
constexpr ByteSet byteSet(std::string_view bytes) {
    ByteSet set{};
    for (char c : bytes) set[static_cast<unsigned char>(c)] = true;
    return set;
}
// The bytes that end an unquoted field, and the bytes a quoted field's reading stops at.
constexpr ByteSet kFieldEnds = byteSet(",\r\n");
constexpr ByteSet kQuotedStops = byteSet("\"\r\n");
// The bytes that make the export quote a field.
constexpr ByteSet kNeedQuotes = byteSet(",\"\r\n");

// Reads CSV records one after the other, as RFC 4180 has them, and leniently where writers stray
// from it: a line may end with CR LF, LF or a lone CR; a quote inside an unquoted field, and text
// between a closing quote and the next comma, are taken as they stand.
class CsvReader {
public:
    explicit CsvReader(std::string_view text) : text_(text) {}

    // Reads the next record, passing over blank lines; false at the end of the text.
    bool next();
    // The physical line where the record starts.
    size_t line() const { return recordLine_; }
    // True when the record's last field opened a quote that the text never closes.
    bool unclosedQuote() const { return unclosedQuote_; }
    size_t fieldCount() const { return fields_.size(); }
    // Empty for a field the record does not have.
    std::string_view field(size_t index) const;

private:
    // Where a field's text lies: in the text read, or in the record's copy when a doubled quote
    // or text after the closing quote had to be joined to it.
    struct Field {
        size_t offset = 0;
        size_t size = 0;
        bool copied = false;
    };

    bool atLineEnd() const { return pos_ < text_.size() && (text_[pos_] == '\r' || text_[pos_] == '\n'); }
    void passLineEnd();
    // Moves on to the next byte of the set, or to the end.
    void skipTo(const ByteSet& stops);
    void readField();
    void readQuoted(Field& field);
    void take(Field& field, size_t from, size_t to);

    std::string_view text_;
    size_t pos_ = 0;
    size_t lineNumber_ = 1;
    size_t recordLine_ = 0;
    bool unclosedQuote_ = false;
    std::vector<Field> fields_;
    std::string copy_;
};

void CsvReader::passLineEnd() {
    if (text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') ++pos_;
    ++pos_;
    ++lineNumber_;
}

void CsvReader::skipTo(const ByteSet& stops) {
    const char* at = text_.data() + pos_;
    const char* end = text_.data() + text_.size();
    while (at != end && !stops[static_cast<unsigned char>(*at)]) ++at;
    pos_ = static_cast<size_t>(at - text_.data());
}

bool CsvReader::next() {
    fields_.clear();
    copy_.clear();
    unclosedQuote_ = false;
    while (atLineEnd()) passLineEnd();
    if (pos_ >= text_.size()) return false;
    recordLine_ = lineNumber_;
    readField();
    while (pos_ < text_.size() && text_[pos_] == ',') {
        ++pos_;
        readField();
    }
    if (atLineEnd()) passLineEnd();
    return true;
}

void CsvReader::readField() {
    Field& field = fields_.emplace_back();
    if (pos_ < text_.size() && text_[pos_] == '"') return readQuoted(field);
    field.offset = pos_;
    skipTo(kFieldEnds);
    field.size = pos_ - field.offset;
}

void CsvReader::readQuoted(Field& field) {
    size_t from = ++pos_;
    for (;;) {
        skipTo(kQuotedStops);
        if (pos_ >= text_.size()) {
            take(field, from, pos_);
            unclosedQuote_ = true;
            return;
        }
        if (text_[pos_] == '"') {
            bool doubled = pos_ + 1 < text_.size() && text_[pos_ + 1] == '"';
            take(field, from, pos_ + (doubled ? 1 : 0));
            pos_ += doubled ? 2 : 1;
            if (!doubled) break;
            from = pos_;
        } else {
            passLineEnd();  // the line break stays in the field; the count of lines goes on
        }
    }
    from = pos_;
    skipTo(kFieldEnds);
    take(field, from, pos_);
}

void CsvReader::take(Field& field, size_t from, size_t to) {
    if (from == to) return;
    if (!field.copied) {
        if (field.size == 0 || field.offset + field.size == from) {
            if (field.size == 0) field.offset = from;
            field.size += to - from;
            return;
        }
        size_t at = copy_.size();
        copy_.append(text_.substr(field.offset, field.size));
        field.offset = at;
        field.copied = true;
    }
    copy_.append(text_.substr(from, to - from));
    field.size += to - from;
}

std::string_view CsvReader::field(size_t index) const {
    if (index >= fields_.size()) return {};
    const Field& f = fields_[index];
    return (f.copied ? std::string_view(copy_) : text_).substr(f.offset, f.size);
}

// --- The header row -----------------------------------------------------------------------------

enum Column { kUsername, kPassword, kLocation, kTitle, kEmail, kColumnCount };
constexpr size_t kNoColumn = SIZE_MAX;
using Columns = std::array<size_t, kColumnCount>;

// Column names as the header names them once reduced to lower-case letters and digits.
constexpr std::pair<std::string_view, Column> kColumnNames[] = {
    {"username", kUsername},   {"user", kUsername},          {"userid", kUsername},
    {"login", kUsername},      {"loginname", kUsername},     {"loginusername", kUsername},
    {"password", kPassword},   {"pwd", kPassword},           {"pass", kPassword},
    {"passwd", kPassword},     {"loginpassword", kPassword}, {"url", kLocation},
    {"uri", kLocation},        {"loginuri", kLocation},      {"loginurl", kLocation},
    {"website", kLocation},    {"websiteaddress", kLocation}, {"webaddress", kLocation},
    {"websitelocation", kLocation}, {"location", kLocation}, {"site", kLocation},
    {"hostname", kLocation},   {"originurl", kLocation},     {"title", kTitle},
    {"name", kTitle},          {"account", kTitle},          {"accountname", kTitle},
    {"email", kEmail},         {"emailaddress", kEmail},
};

std::string reducedName(std::string_view name) {
    std::string reduced;
    for (char c : name) {
        if (c >= 'A' && c <= 'Z') reduced += static_cast<char>(c - 'A' + 'a');
        else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) reduced += c;
    }
    return reduced;
}

// Which field of a row holds each column; where two fields have the same name, the first.
Columns columnsOf(const CsvReader& header) {
    Columns columns;
    columns.fill(kNoColumn);
    for (size_t i = 0; i < header.fieldCount(); ++i) {
        std::string name = reducedName(header.field(i));
        for (const auto& [known, column] : kColumnNames)
            if (name == known && columns[column] == kNoColumn) columns[column] = i;
    }
    return columns;
}

bool namesPasswordAndMore(const Columns& columns) {
    if (columns[kPassword] == kNoColumn) return false;
    for (Column other : {kUsername, kLocation, kTitle, kEmail})
        if (columns[other] != kNoColumn) return true;
    return false;
}

// The row's three fields, still in UTF-8, with the title and the e-mail standing in where they may.
EntryView rowOf(const CsvReader& row, const Columns& columns) {
    EntryView entry{row.field(columns[kUsername]), row.field(columns[kPassword]), row.field(columns[kLocation])};
    if (entry.username.empty() && !entry.password.empty()) entry.username = row.field(columns[kEmail]);
    if (entry.location.empty()) entry.location = row.field(columns[kTitle]);
    return entry;
}

// A set of entry numbers, told apart by the entries' fields. Open addressing over one array of
// small slots, each holding 32 bits of the entry's hash beside its number: checking 100,000 rows
// against 100,000 entries touches one table of under 3 MB, not a chain of allocated nodes.
class EntryNumberSet {
public:
    static constexpr size_t kNone = SIZE_MAX;

    explicit EntryNumberSet(size_t expected) { slots_.resize(capacityFor(expected)); }

    // Asks the processor to fetch the slot where the search for the hash begins.
    void prefetch(std::uint32_t hash) const { __builtin_prefetch(&slots_[home(hash)]); }

    // Adds the number unless the set holds a number for which `isSame` is true: returns that
    // number then, otherwise kNone.
    template <class IsSame>
    size_t insert(size_t number, std::uint32_t hash, const IsSame& isSame) {
        if (capacityFor(count_ + 1) > slots_.size()) grow();
        for (size_t at = home(hash);; at = next(at)) {
            Slot& slot = slots_[at];
            if (slot.number == kEmpty) {
                slot = {hash, static_cast<std::uint32_t>(number)};
                ++count_;
                return kNone;
            }
            if (slot.hash == hash && isSame(slot.number)) return slot.number;
        }
    }

private:
    // Entry numbers fit in 32 bits: a vault and an import file are far below 4 G entries.
    static constexpr std::uint32_t kEmpty = UINT32_MAX;
    struct Slot {
        std::uint32_t hash = 0;
        std::uint32_t number = kEmpty;
    };

    // At most two entries for every three slots keeps the searches short.
    static size_t capacityFor(size_t count) { return count + count / 2 + 16; }
    // The hash scaled onto the table: any table size works, not only powers of two.
    size_t home(std::uint32_t hash) const { return static_cast<size_t>((std::uint64_t{hash} * slots_.size()) >> 32); }
    size_t next(size_t at) const { return at + 1 == slots_.size() ? 0 : at + 1; }

    void grow() {
        std::vector<Slot> old(capacityFor(2 * count_));
        old.swap(slots_);
        for (const Slot& slot : old) {
            if (slot.number == kEmpty) continue;
            size_t at = home(slot.hash);
            while (slots_[at].number != kEmpty) at = next(at);
            slots_[at] = slot;
        }
    }

    std::vector<Slot> slots_;
    size_t count_ = 0;
};

std::uint32_t hashOf(EntryView entry) {
    std::hash<std::string_view> hash;
    size_t seed = hash(entry.username);
    for (std::string_view field : {entry.password, entry.location})
        seed ^= hash(field) + 0x9e3779b9u + (seed << 6) + (seed >> 2);
    return static_cast<std::uint32_t>(seed);
}

// True when the text holds '|', a CR, a LF or the character of code 141: every text that
// vault::entryProblem refuses holds one of them, and almost no imported text does.
bool mayBeUnstorable(std::string_view text) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    auto holdsByte = [](std::uint64_t word, unsigned char byte) {
        std::uint64_t zeroWhereEqual = word ^ (kOnes * byte);
        return ((zeroWhereEqual - kOnes) & ~zeroWhereEqual & (kOnes << 7)) != 0;
    };
    size_t at = 0;
    for (; at + sizeof(std::uint64_t) <= text.size(); at += sizeof(std::uint64_t)) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + at, sizeof word);
        if (holdsByte(word, '|') || holdsByte(word, '\r') || holdsByte(word, '\n') || holdsByte(word, 141)) return true;
    }
    for (; at < text.size(); ++at)
        if (text[at] == '|' || text[at] == '\r' || text[at] == '\n' || text[at] == static_cast<char>(141)) return true;
    return false;
}

}  // namespace

// --- Rows to entries ------------------------------------------------------------------------------

EntryView ImportedEntries::fieldsOf(const Row& row) const {
    std::string_view fields = std::string_view(text_).substr(row.offset);
    return EntryView{fields.substr(0, row.usernameSize), fields.substr(row.usernameSize, row.passwordSize),
                     fields.substr(row.usernameSize + row.passwordSize, row.locationSize)};
}

// Turns rows into entries, or into skip reports. Each row is converted straight into the
// imported entries' buffer. Entries are known by their number, the vault's first, then the
// imported ones: the duplicate check holds no copy of them. A row waits a few rows for that
// check, so that the slot of the check's table it needs is fetched from memory in the meantime.
class CsvRowImporter {
public:
    // About the size of a row in a browser's export, to size the duplicate check.
    static constexpr size_t kTypicalRowBytes = 100;

    CsvRowImporter(std::span<const EntryView> existing, const ToCodePage& toCodePage, CsvImport& result,
                   size_t textSize);

    void import(size_t line, EntryView row);
    void skip(size_t line, CsvSkipReason reason, std::string detail = {});
    // Checks the rows still waiting, and puts the skipped rows in file order.
    void finish();

private:
    struct Waiting {
        size_t line;
        ImportedEntries::Row row;
        std::uint32_t hash;
    };
    static constexpr size_t kWaitingRows = 8;

    EntryView entryAt(size_t number) const {
        return number < existing_.size() ? existing_[number] : result_.entries[number - existing_.size()];
    }
    bool appendInCodePage(std::string_view utf8, size_t& size);
    // A row found again keeps its converted text in the buffer, unused: the result lives only
    // until its entries are added to the vault.
    void checkOldestWaiting();

    std::span<const EntryView> existing_;
    const ToCodePage& toCodePage_;
    CsvImport& result_;
    EntryNumberSet known_;
    std::array<Waiting, kWaitingRows> waiting_{};
    size_t firstWaiting_ = 0;
    size_t waitingCount_ = 0;
};

CsvRowImporter::CsvRowImporter(std::span<const EntryView> existing, const ToCodePage& toCodePage,
                               CsvImport& result, size_t textSize)
    : existing_(existing),
      toCodePage_(toCodePage),
      result_(result),
      known_(existing.size() + textSize / kTypicalRowBytes) {
    // The entries' text is at most the file's: each field of a row goes to one entry field at most.
    result_.entries.text_.reserve(textSize);
    result_.entries.rows_.reserve(textSize / kTypicalRowBytes);
    constexpr size_t kAhead = kWaitingRows;
    std::vector<std::uint32_t> hashes(existing.size());
    for (size_t i = 0; i < existing.size(); ++i) hashes[i] = hashOf(existing[i]);
    for (size_t i = 0; i < existing.size(); ++i) {
        if (i + kAhead < existing.size()) known_.prefetch(hashes[i + kAhead]);
        known_.insert(i, hashes[i], [&](size_t known) { return existing[known] == existing[i]; });
    }
}

bool CsvRowImporter::appendInCodePage(std::string_view utf8, size_t& size) {
    std::string& text = result_.entries.text_;
    if (isAscii(utf8)) {
        text.append(utf8);
        size = utf8.size();
        return true;
    }
    std::optional<std::string> converted = toCodePage_(utf8);
    if (!converted) return false;
    text.append(*converted);
    size = converted->size();
    return true;
}

void CsvRowImporter::import(size_t line, EntryView row) {
    if (row.username.empty() && row.password.empty()) return skip(line, CsvSkipReason::NoUsernameOrPassword);
    std::string& text = result_.entries.text_;
    size_t start = text.size();
    ImportedEntries::Row added{start, 0, 0, 0};
    if (!appendInCodePage(row.username, added.usernameSize) || !appendInCodePage(row.password, added.passwordSize) ||
        !appendInCodePage(row.location, added.locationSize)) {
        text.resize(start);
        return skip(line, CsvSkipReason::OutsideCodePage);
    }
    EntryView entry = result_.entries.fieldsOf(added);
    if (mayBeUnstorable(std::string_view(text).substr(start))) {
        if (std::string problem = entryProblem(entry.toEntry()); !problem.empty()) {
            text.resize(start);
            return skip(line, CsvSkipReason::UnstorableText, std::move(problem));
        }
    }
    if (waitingCount_ == kWaitingRows) checkOldestWaiting();
    std::uint32_t hash = hashOf(entry);
    known_.prefetch(hash);
    waiting_[(firstWaiting_ + waitingCount_++) % kWaitingRows] = Waiting{line, added, hash};
}

void CsvRowImporter::checkOldestWaiting() {
    Waiting oldest = waiting_[firstWaiting_];
    firstWaiting_ = (firstWaiting_ + 1) % kWaitingRows;
    --waitingCount_;
    ImportedEntries& entries = result_.entries;
    EntryView entry = entries.fieldsOf(oldest.row);
    size_t number = existing_.size() + entries.size();
    size_t found = known_.insert(number, oldest.hash, [&](size_t known) { return entryAt(known) == entry; });
    if (found == EntryNumberSet::kNone) return entries.rows_.push_back(oldest.row);
    skip(oldest.line, found < existing_.size() ? CsvSkipReason::AlreadyInVault : CsvSkipReason::RepeatsEarlierRow);
}

void CsvRowImporter::skip(size_t line, CsvSkipReason reason, std::string detail) {
    result_.skipped.push_back(CsvSkippedRow{line, reason, std::move(detail)});
    ++result_.skippedCounts[static_cast<size_t>(reason)];
}

void CsvRowImporter::finish() {
    while (waitingCount_ > 0) checkOldestWaiting();
    std::stable_sort(result_.skipped.begin(), result_.skipped.end(),
                     [](const CsvSkippedRow& a, const CsvSkippedRow& b) { return a.line < b.line; });
}

CsvImport importEntriesCsv(std::string_view fileBytes, std::span<const EntryView> existing,
                           const ToCodePage& toCodePage) {
    CsvImport result;
    Utf8Text decoded = utf8TextOf(fileBytes);
    if (decoded.problem != TextProblem::None) {
        result.problem =
            decoded.problem == TextProblem::NotText ? CsvFileProblem::NotText : CsvFileProblem::NotUnicodeText;
        return result;
    }
    std::string_view text = decoded.text();
    CsvReader reader(text);
    if (!reader.next()) {
        result.problem = CsvFileProblem::Empty;
        return result;
    }
    Columns columns = columnsOf(reader);
    if (!namesPasswordAndMore(columns)) {
        result.problem = CsvFileProblem::NoPasswordColumn;
        return result;
    }
    CsvRowImporter importer(existing, toCodePage, result, text.size());
    bool unclosed = reader.unclosedQuote();
    while (!unclosed && reader.next()) {
        unclosed = reader.unclosedQuote();
        if (!unclosed) importer.import(reader.line(), rowOf(reader, columns));
    }
    if (unclosed) importer.skip(reader.line(), CsvSkipReason::UnclosedQuote);
    importer.finish();
    return result;
}

std::string_view csvSkipReasonText(CsvSkipReason reason) {
    switch (reason) {
    case CsvSkipReason::UnclosedQuote: return "opens a quote that is never closed: the rest of the file was not read";
    case CsvSkipReason::NoUsernameOrPassword: return "has neither a username nor a password";
    case CsvSkipReason::OutsideCodePage: return "holds characters that this computer's code page cannot store";
    case CsvSkipReason::UnstorableText: return "holds text the vault cannot store";
    case CsvSkipReason::AlreadyInVault: return "is already in the vault";
    case CsvSkipReason::RepeatsEarlierRow: return "repeats an earlier row";
    }
    return {};
}

std::string_view csvFileProblemText(CsvFileProblem problem) {
    switch (problem) {
    case CsvFileProblem::None: return {};
    case CsvFileProblem::Empty: return "The file is empty.";
    case CsvFileProblem::NotText: return "The file is not a text file.";
    case CsvFileProblem::NotUnicodeText:
        return "The file's text is neither UTF-8 nor UTF-16. Export or save it as UTF-8, then import it again.";
    case CsvFileProblem::NoPasswordColumn:
        return "The first row of the file does not name a password column and a username or website column: "
               "it is not a CSV export of passwords.";
    }
    return {};
}

// --- Export -------------------------------------------------------------------------------------

namespace {

constexpr std::string_view kExportStart = "\xEF\xBB\xBF" "Username,Password,Website/Location\r\n";
constexpr size_t kExportPieceSize = size_t{1} << 16;

bool needsQuotes(std::string_view field) {
    if (field.empty()) return false;
    auto isSpace = [](char c) { return c == ' ' || c == '\t'; };
    if (isSpace(field.front()) || isSpace(field.back())) return true;
    for (char c : field)
        if (kNeedQuotes[static_cast<unsigned char>(c)]) return true;
    return false;
}

void appendDoublingQuotes(std::string& out, std::string_view text) {
    for (size_t at = text.find('"'); at != std::string_view::npos; at = text.find('"')) {
        out.append(text.substr(0, at + 1));
        out += '"';
        text.remove_prefix(at + 1);
    }
    out.append(text);
}

}  // namespace

CsvExportWriter::CsvExportWriter(const FromCodePage& toUtf8, const CsvPieceWriter& write)
    : toUtf8_(toUtf8), write_(write) {
    held_.reserve(kExportPieceSize + kExportStart.size());
    held_.append(kExportStart);
}

void CsvExportWriter::add(EntryView entry) {
    if (stopped_) return;
    putField(entry.username);
    held_ += ',';
    putField(entry.password);
    held_ += ',';
    putField(entry.location);
    held_ += "\r\n";
    if (held_.size() >= kExportPieceSize) writeHeldBack();
}

bool CsvExportWriter::finish() {
    writeHeldBack();
    return !stopped_;
}

void CsvExportWriter::putField(std::string_view ansi) {
    if (isAscii(ansi)) return putUtf8(ansi);
    std::string utf8 = toUtf8_(ansi);
    putUtf8(utf8);
}

void CsvExportWriter::putUtf8(std::string_view utf8) {
    if (!needsQuotes(utf8)) {
        held_.append(utf8);
        return;
    }
    held_ += '"';
    appendDoublingQuotes(held_, utf8);
    held_ += '"';
}

void CsvExportWriter::writeHeldBack() {
    if (!stopped_ && !held_.empty()) stopped_ = !write_(held_);
    held_.clear();
}

}  // namespace vk::vault
