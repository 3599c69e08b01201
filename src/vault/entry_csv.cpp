#include "vault/entry_csv.h"

#include <algorithm>
#include <memory_resource>
#include <unordered_set>
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
// The bytes that make the export quote a field.
constexpr ByteSet kNeedQuotes = byteSet(",\"\r\n");

// Reads CSV records one after the other, as RFC 4180 has them, and leniently where writers stray
// from it: a line may end with CR LF, LF or a lone CR; a quote inside an unquoted field, and text
// between a closing quote and the next separator, are taken as they stand. With backslash
// quoting, a backslash in a quoted field takes the quote or backslash after it as it stands.
class CsvReader {
public:
    CsvReader(std::string_view text, char separator, CsvQuoting quoting = CsvQuoting::Doubled)
        : text_(text), separator_(separator), quoting_(quoting),
          quotedStops_(byteSet(quoting == CsvQuoting::Backslash ? "\"\r\n\\" : "\"\r\n")) {}
    explicit CsvReader(std::string_view text, const CsvLayout& layout)
        : CsvReader(text, layout.separator, layout.quoting) {}

    // Reads the next record, passing over blank lines; false at the end of the text.
    bool next();
    // The physical lines where the record starts and ends.
    size_t line() const { return recordLine_; }
    size_t lastLine() const { return recordLastLine_; }
    // True when the record's last field opened a quote that the text never closes.
    bool unclosedQuote() const { return unclosedQuote_; }
    // How many of the record's quoted fields had text after their closing quote.
    size_t textAfterQuotes() const { return textAfterQuotes_; }
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
    // Move on to the next byte that ends an unquoted field, or that a quoted field stops at; or to the end.
    void skipToFieldEnd() {
        while (pos_ < text_.size() && text_[pos_] != separator_ && text_[pos_] != '\r' && text_[pos_] != '\n') ++pos_;
    }
    // Move on to the next byte that a quoted field stops at (a quote, a line end, an escape); or to the end.
    void skipToQuotedStop() {
        while (pos_ < text_.size() && !quotedStops_[static_cast<unsigned char>(text_[pos_])]) ++pos_;
    }
    void readField();
    void readQuoted(Field& field);
    void take(Field& field, size_t from, size_t to);

    std::string_view text_;
    char separator_;
    CsvQuoting quoting_;
    ByteSet quotedStops_;
    size_t pos_ = 0;
    size_t lineNumber_ = 1;
    size_t recordLine_ = 0;
    size_t recordLastLine_ = 0;
    bool unclosedQuote_ = false;
    size_t textAfterQuotes_ = 0;
    std::vector<Field> fields_;
    SecretString copy_;
};

size_t trailingLineEnds(std::string_view text) {
    size_t count = 0;
    while (text.ends_with('\n') || text.ends_with('\r')) {
        text.remove_suffix(text.ends_with("\r\n") ? 2 : 1);
        ++count;
    }
    return count;
}

void CsvReader::passLineEnd() {
    if (text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') ++pos_;
    ++pos_;
    ++lineNumber_;
}

bool CsvReader::next() {
    fields_.clear();
    copy_.clear();
    unclosedQuote_ = false;
    textAfterQuotes_ = 0;
    while (atLineEnd()) passLineEnd();
    if (pos_ >= text_.size()) return false;
    recordLine_ = lineNumber_;
    readField();
    while (pos_ < text_.size() && text_[pos_] == separator_) {
        ++pos_;
        readField();
    }
    // A quote left open takes the file's last line ends into its field, though no text follows them.
    recordLastLine_ = std::max(recordLine_, lineNumber_ - (unclosedQuote_ ? trailingLineEnds(text_) : 0));
    if (atLineEnd()) passLineEnd();
    return true;
}

void CsvReader::readField() {
    Field& field = fields_.emplace_back();
    if (pos_ < text_.size() && text_[pos_] == '"') return readQuoted(field);
    field.offset = pos_;
    skipToFieldEnd();
    field.size = pos_ - field.offset;
}

void CsvReader::readQuoted(Field& field) {
    size_t from = ++pos_;
    for (;;) {
        skipToQuotedStop();
        if (pos_ >= text_.size()) {
            take(field, from, pos_);
            unclosedQuote_ = true;
            return;
        }
        if (text_[pos_] == '\\') {
            const bool escapes = pos_ + 1 < text_.size() && (text_[pos_ + 1] == '"' || text_[pos_ + 1] == '\\');
            if (escapes) {
                take(field, from, pos_);
                from = pos_ + 1;  // the escaped byte starts the next piece
            }
            pos_ += escapes ? 2 : 1;
        } else if (text_[pos_] == '"') {
            const bool doubled =
                quoting_ == CsvQuoting::Doubled && pos_ + 1 < text_.size() && text_[pos_ + 1] == '"';
            take(field, from, pos_ + (doubled ? 1 : 0));
            pos_ += doubled ? 2 : 1;
            if (!doubled) break;
            from = pos_;
        } else {
            passLineEnd();  // the line break stays in the field; the count of lines goes on
        }
    }
    from = pos_;
    skipToFieldEnd();
    textAfterQuotes_ += from != pos_;
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

// --- Column names -------------------------------------------------------------------------------

// What a column's name says it holds.
enum class Meaning {
    Unknown,
    Username,
    Email,    // the username when no column is named as one; else it stands in for an empty one
    Account,  // the same; else a title
    Password,
    Location,
    PostalAddress,  // "address": the Website/Location only when no column names a web address
    Title,
    LabelledLines,  // "label:value" lines holding the credentials (Zoho Vault's SecretData)
    Other,  // what exports carry beside the credentials: notes, one-time codes, folders, times...
};

// Column names as the header names them once reduced to lower-case letters and digits.
constexpr std::pair<std::string_view, Meaning> kColumnNames[] = {
    {"username", Meaning::Username}, {"user", Meaning::Username}, {"userid", Meaning::Username},
    {"login", Meaning::Username}, {"loginname", Meaning::Username}, {"loginusername", Meaning::Username},
    {"email", Meaning::Email}, {"emailaddress", Meaning::Email}, {"account", Meaning::Account},
    {"password", Meaning::Password}, {"pass", Meaning::Password}, {"pwd", Meaning::Password},
    {"passwd", Meaning::Password}, {"loginpassword", Meaning::Password}, {"secret", Meaning::Password},
    {"url", Meaning::Location}, {"uri", Meaning::Location}, {"urls", Meaning::Location},
    {"loginuri", Meaning::Location}, {"loginurl", Meaning::Location}, {"loginurls", Meaning::Location},
    {"website", Meaning::Location}, {"websiteaddress", Meaning::Location}, {"webaddress", Meaning::Location},
    {"websitelocation", Meaning::Location}, {"site", Meaning::Location}, {"siteurl", Meaning::Location},
    {"domain", Meaning::Location}, {"hostname", Meaning::Location}, {"origin", Meaning::Location},
    {"originurl", Meaning::Location}, {"link", Meaning::Location}, {"location", Meaning::Location},
    {"passwordurl", Meaning::Location}, {"secreturl", Meaning::Location}, {"address", Meaning::PostalAddress},
    {"title", Meaning::Title}, {"name", Meaning::Title}, {"accountname", Meaning::Title},
    {"passwordname", Meaning::Title}, {"secretname", Meaning::Title}, {"secretdata", Meaning::LabelledLines},
};

// Columns of the known exports that are not credentials: a file leaving them out loses nothing
// the vault could keep.
constexpr std::string_view kOtherColumnNames[] = {
    "note", "notes", "extra", "comment", "comments", "description", "totp", "logintotp", "otp", "otpauth",
    "otpsecret", "otpurl", "folder", "group", "grouping", "category", "path", "tag", "tags", "label", "labels",
    "favorite", "favourite", "fav", "archived", "type", "fields", "reprompt", "icon", "vault", "id", "guid",
    "uuid", "created", "createtime", "modified", "modifytime", "lastmodified", "timecreated", "timelastused",
    "timepasswordchanged", "lastused", "httprealm", "formactionorigin", "matchurl", "additionalurls",
    "rffieldsv2", "customfields", "username2", "username3", "cardholdername", "cardnumber", "cvc", "pin",
    "expirydate", "zipcode", "fullname", "phonenumber", "address1", "address2", "city", "country", "state",
    "foldername", "customdata", "classification", "chambername",
};

std::string reducedName(std::string_view name) {
    std::string reduced;
    for (char c : name) {
        if (c >= 'A' && c <= 'Z') reduced += static_cast<char>(c - 'A' + 'a');
        else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) reduced += c;
    }
    return reduced;
}

Meaning meaningOf(std::string_view name) {
    const std::string reduced = reducedName(name);
    for (const auto& [known, meaning] : kColumnNames)
        if (reduced == known) return meaning;
    for (std::string_view other : kOtherColumnNames)
        if (reduced == other) return Meaning::Other;
    return Meaning::Unknown;
}

bool isCredential(Meaning meaning) { return meaning != Meaning::Unknown && meaning != Meaning::Other; }

// Enpass writes a title, then label and value pairs: "Title","Field","Value","Field","Value"...
bool namesLabelValuePairs(const CsvReader& header) {
    return header.fieldCount() >= 3 && reducedName(header.field(0)) == "title" &&
           reducedName(header.field(1)) == "field" && reducedName(header.field(2)) == "value";
}

// The columns a header row names; where two columns mean the same, the first.
CsvLayout columnsNamedBy(const CsvReader& header, char separator) {
    std::vector<Meaning> meanings;
    for (size_t i = 0; i < header.fieldCount(); ++i) meanings.push_back(meaningOf(header.field(i)));
    auto first = [&](Meaning meaning, size_t from = 0) {
        auto at = std::find(meanings.begin() + static_cast<std::ptrdiff_t>(from), meanings.end(), meaning);
        return at == meanings.end() ? kNoColumn : static_cast<size_t>(at - meanings.begin());
    };
    CsvLayout layout{separator, true};
    layout.password = first(Meaning::Password);
    layout.location = first(Meaning::Location);
    if (layout.location != kNoColumn) layout.secondLocation = first(Meaning::Location, layout.location + 1);
    else layout.location = first(Meaning::PostalAddress);
    layout.labelledLines = first(Meaning::LabelledLines);
    layout.labelValuePairs = namesLabelValuePairs(header);
    if (layout.labelValuePairs) layout.title = 0;
    const size_t email = first(Meaning::Email), account = first(Meaning::Account);
    layout.username = first(Meaning::Username);
    if (layout.username == kNoColumn) layout.username = email != kNoColumn ? email : account;
    if (email != layout.username) layout.email = email;
    for (size_t i = 0; i < meanings.size() && layout.title == kNoColumn; ++i)
        if (meanings[i] == Meaning::Title || (meanings[i] == Meaning::Account && i != layout.username))
            layout.title = i;
    return layout;
}

bool looksLikeWebAddress(std::string_view text) {
    return text.find("://") != std::string_view::npos || text.starts_with("www.");
}
bool looksLikeEmailAddress(std::string_view text) {
    return text.find('@') != std::string_view::npos && text.find(' ') == std::string_view::npos &&
           !looksLikeWebAddress(text);
}

// A first row holds names when one of them is the name of a credential and none is an address.
bool holdsColumnNames(const CsvReader& row) {
    bool namesCredential = false;
    for (size_t i = 0; i < row.fieldCount(); ++i) {
        std::string_view text = row.field(i);
        if (looksLikeWebAddress(text) || looksLikeEmailAddress(text)) return false;
        namesCredential = namesCredential || isCredential(meaningOf(text));
    }
    return namesCredential;
}

// How many rows the guesses look at: enough to see what a column holds, few enough to be quick.
constexpr size_t kSampledRows = 200;

// Counts, per column, the sampled rows after the header that hold text, and that hold text for
// which `counts` is true.
struct ColumnCounts {
    size_t rows = 0;
    std::vector<size_t> filled, matching;
};
ColumnCounts countColumns(std::string_view text, const CsvLayout& reading, bool skipFirstRow,
                          const std::function<bool(std::string_view)>& counts) {
    ColumnCounts result;
    CsvReader reader(text, reading);
    if (skipFirstRow) reader.next();
    for (; result.rows < kSampledRows && reader.next(); ++result.rows) {
        if (reader.fieldCount() > result.filled.size()) {
            result.filled.resize(reader.fieldCount());
            result.matching.resize(reader.fieldCount());
        }
        for (size_t i = 0; i < reader.fieldCount(); ++i) {
            if (reader.field(i).empty()) continue;
            ++result.filled[i];
            if (counts(reader.field(i))) ++result.matching[i];
        }
    }
    return result;
}

// The first column whose text mostly looks as `looks` says, or kNoColumn.
size_t columnThatMostlyHolds(std::string_view text, char separator, bool (*looks)(std::string_view)) {
    ColumnCounts counts = countColumns(text, CsvLayout{separator, false}, false, looks);
    for (size_t i = 0; i < counts.filled.size(); ++i)
        if (counts.filled[i] * 2 > counts.rows && counts.matching[i] * 2 > counts.filled[i]) return i;
    return kNoColumn;
}

// A file without names: the address is the column of web addresses, the username the column of
// e-mail addresses, and the password, as in most exports, the column after the username.
CsvLayout columnsByContent(std::string_view text, char separator) {
    CsvLayout layout{separator, false};
    layout.location = columnThatMostlyHolds(text, separator, &looksLikeWebAddress);
    layout.username = columnThatMostlyHolds(text, separator, &looksLikeEmailAddress);
    if (layout.username != kNoColumn && layout.username + 1 != layout.location) layout.password = layout.username + 1;
    return layout;
}

// When the username or the password column the layout names is mostly empty: the first column
// that it leaves out, that no export is known to carry beside its credentials, and that holds
// text in most rows. That column may hold what the named one lacks.
size_t columnInDoubt(std::string_view text, const CsvLayout& layout) {
    CsvReader header(text, layout);
    header.next();
    ColumnCounts counts = countColumns(text, layout, true, [](std::string_view) { return true; });
    auto mostlyFilled = [&](size_t column) {
        return column < counts.filled.size() && counts.filled[column] * 2 > counts.rows;
    };
    if (mostlyFilled(layout.username) && mostlyFilled(layout.password)) return kNoColumn;
    const size_t used[] = {layout.username, layout.password, layout.location, layout.title, layout.email};
    for (size_t i = 0; i < counts.filled.size(); ++i) {
        if (std::find(std::begin(used), std::end(used), i) != std::end(used)) continue;
        if (meaningOf(header.field(i)) != Meaning::Unknown) continue;
        if (mostlyFilled(i)) return i;
    }
    return kNoColumn;
}

bool hasRowsAfterTheFirst(std::string_view text, char separator) {
    CsvReader reader(text, separator);
    return reader.next() && reader.next();
}

// KeePass's CSV export escapes quotes and backslashes with a backslash; its header row tells it.
bool isKeePassHeader(const CsvReader& header) {
    constexpr std::string_view kNames[] = {"Account", "Login Name", "Password", "Web Site", "Comments"};
    if (header.fieldCount() != std::size(kNames)) return false;
    for (size_t i = 0; i < std::size(kNames); ++i)
        if (header.field(i) != kNames[i]) return false;
    return true;
}

// How many records read amiss with this quoting: a quote never closed, text after a closing
// quote, or another number of fields than the first row has.
size_t recordsReadAmiss(std::string_view text, char separator, CsvQuoting quoting) {
    CsvReader reader(text, separator, quoting);
    size_t fields = 0, amiss = 0;
    if (reader.next()) fields = reader.fieldCount();
    while (reader.next())
        amiss += reader.unclosedQuote() || reader.textAfterQuotes() > 0 || reader.fieldCount() != fields;
    return amiss;
}

CsvQuoting quotingOf(std::string_view text, char separator, const CsvReader& header) {
    if (isKeePassHeader(header)) return CsvQuoting::Backslash;
    // Other exporters escape quotes so without a header of their own (1Password, in the layout of
    // Apple's keychain): their files are read so where that reads them cleanly and doubled quotes do not.
    if (text.find("\\\"") == std::string_view::npos) return CsvQuoting::Doubled;
    const size_t amissEscaped = recordsReadAmiss(text, separator, CsvQuoting::Backslash);
    return amissEscaped < recordsReadAmiss(text, separator, CsvQuoting::Doubled) ? CsvQuoting::Backslash
                                                                                 : CsvQuoting::Doubled;
}

CsvLayout layoutNamedBy(std::string_view text, char separator) {
    CsvReader header(text, separator);
    header.next();
    CsvLayout layout = columnsNamedBy(header, separator);
    layout.quoting = quotingOf(text, separator, header);
    // Without an address column, the title is the likeliest address.
    if (layout.location == kNoColumn) layout.location = layout.title;
    return layout;
}

}  // namespace

// --- Reading a file's layout --------------------------------------------------------------------

CsvText csvTextOf(SecretString fileBytes, const CodePageReader& fromCodePage) {
    Utf8Text decoded = utf8TextOf(std::move(fileBytes), fromCodePage);
    switch (decoded.problem) {
    case TextProblem::None: break;
    case TextProblem::NotText: return {CsvFileProblem::NotText, {}};
    case TextProblem::NotUnicode: return {CsvFileProblem::NotUnicodeText, {}};
    case TextProblem::BrokenUtf16: return {CsvFileProblem::BrokenUtf16, {}};
    }
    if (decoded.text.find_first_not_of("\r\n") == SecretString::npos) return {CsvFileProblem::Empty, {}};
    return {CsvFileProblem::None, std::move(decoded.text), decoded.encoding};
}

char detectSeparator(std::string_view text) {
    // The separator that cuts the first rows into the same number of fields, more than one; where
    // two do, the one that cuts more.
    constexpr size_t kRowsLookedAt = 10;
    char best = kCsvSeparators[0];
    std::pair<size_t, size_t> bestScore{0, 0};
    for (char separator : kCsvSeparators) {
        CsvReader reader(text, separator);
        if (!reader.next() || reader.fieldCount() < 2) continue;
        const size_t fields = reader.fieldCount();
        size_t alike = 1;
        for (size_t row = 1; row < kRowsLookedAt && reader.next(); ++row) alike += reader.fieldCount() == fields;
        if (std::pair(alike, fields) > bestScore) {
            bestScore = {alike, fields};
            best = separator;
        }
    }
    return best;
}

CsvLayout guessColumns(std::string_view text, char separator, bool firstRowNames) {
    return firstRowNames ? layoutNamedBy(text, separator) : columnsByContent(text, separator);
}

CsvGuess guessLayout(std::string_view text) {
    const char separator = detectSeparator(text);
    CsvGuess guess{layoutNamedBy(text, separator)};
    const CsvLayout& layout = guess.layout;
    // Labelled credentials have no column to choose.
    if (layout.labelledLines != kNoColumn || layout.labelValuePairs) return guess;
    if (layout.password == kNoColumn) {
        CsvReader header(text, separator);
        header.next();
        guess.doubt = CsvDoubt::NoPasswordColumn;
        guess.layout = guessColumns(text, separator, holdsColumnNames(header));
    } else if (!hasRowsAfterTheFirst(text, separator)) {
        // Nothing to import: nothing to lose.
    } else if (layout.username == kNoColumn) {
        guess.doubt = CsvDoubt::NoUsernameColumn;
    } else if (layout.location == kNoColumn) {
        guess.doubt = CsvDoubt::NoLocationColumn;
    } else if (size_t column = columnInDoubt(text, layout); column != kNoColumn) {
        guess.doubt = CsvDoubt::UnknownColumn;
        guess.doubtfulColumn = column;
    }
    return guess;
}

CsvPreview csvPreviewOf(std::string_view text, const CsvLayout& reading, size_t maxRows, size_t maxColumns) {
    CsvPreview preview;
    CsvReader reader(text, reading);
    size_t columns = 0;
    auto readFields = [&](auto& into) {  // the names, or a row's fields, which are kept wiped
        for (size_t i = 0; i < reader.fieldCount() && i < maxColumns; ++i) into.emplace_back(reader.field(i));
        columns = std::max(columns, reader.fieldCount());
    };
    if (reading.firstRowNames && reader.next()) readFields(preview.columns);
    while (preview.rows.size() < maxRows && reader.next()) readFields(preview.rows.emplace_back());
    const size_t shown = std::min(columns, maxColumns);
    preview.columnsLeftOut = columns - shown;
    preview.columns.resize(shown);
    for (size_t i = 0; i < shown; ++i)
        if (preview.columns[i].empty()) preview.columns[i] = "Column " + std::to_string(i + 1);
    return preview;
}

// --- Rows to entries ------------------------------------------------------------------------------

namespace {

// A row's three fields, still in UTF-8, with the title and the e-mail standing in where they may.
struct RowFields {
    EntryView entry;
    bool locationIsTitle = false;
};

// Fills an empty field of the entry with the value its label names.
void takeLabelled(EntryView& entry, std::string_view label, std::string_view value) {
    std::string_view* field = nullptr;
    switch (meaningOf(label)) {
    case Meaning::Username:
    case Meaning::Email:
    case Meaning::Account: field = &entry.username; break;
    case Meaning::Password: field = &entry.password; break;
    case Meaning::Location: field = &entry.location; break;
    default: return;
    }
    if (field->empty()) *field = value;
}

// "username:ann" lines, one a credential, as Zoho Vault keeps them in one field.
void takeLabelledLines(EntryView& entry, std::string_view lines) {
    while (!lines.empty()) {
        const size_t end = std::min(lines.find_first_of("\r\n"), lines.size());
        const std::string_view line = lines.substr(0, end);
        if (const size_t colon = line.find(':'); colon != std::string_view::npos)
            takeLabelled(entry, line.substr(0, colon), line.substr(colon + 1));
        lines.remove_prefix(std::min(end + 1, lines.size()));
    }
}

// A title, then label and value pairs, then perhaps a note that has no label (an even count of
// fields), as Enpass writes a row.
void takeLabelValuePairs(EntryView& entry, const CsvReader& row) {
    const size_t pairsEnd = row.fieldCount() % 2 == 0 ? row.fieldCount() - 1 : row.fieldCount();
    for (size_t label = 1; label + 1 < pairsEnd; label += 2) takeLabelled(entry, row.field(label), row.field(label + 1));
}

// An address some exporters write for none.
bool isNoAddress(std::string_view text) { return text.empty() || text == "undefined"; }

RowFields rowOf(const CsvReader& row, const CsvLayout& layout) {
    // A title with no address column of its own stands in last, below what labels name.
    const bool onlyTitle = layout.location == layout.title;
    RowFields fields{{row.field(layout.username), row.field(layout.password),
                      onlyTitle ? std::string_view() : row.field(layout.location)}};
    EntryView& entry = fields.entry;
    if (layout.labelValuePairs) takeLabelValuePairs(entry, row);
    if (layout.labelledLines != kNoColumn) takeLabelledLines(entry, row.field(layout.labelledLines));
    // A row with an e-mail and no password is an identity, an alias or a card, not a login.
    if (layout.username != kNoColumn && entry.username.empty() && !entry.password.empty())
        entry.username = row.field(layout.email);
    if (isNoAddress(entry.location)) entry.location = row.field(layout.secondLocation);
    if (isNoAddress(entry.location)) entry.location = {};
    // A title that only repeats the username says nothing of where the login is used.
    if (layout.location != kNoColumn && entry.location.empty() && row.field(layout.title) != entry.username) {
        entry.location = row.field(layout.title);
        fields.locationIsTitle = !entry.location.empty();
    }
    return fields;
}

// True for a row that repeats the first row's names: a file of several exports put together.
bool repeatsNames(const CsvReader& row, const std::vector<std::string>& names) {
    if (names.empty() || row.fieldCount() != names.size()) return false;
    for (size_t i = 0; i < names.size(); ++i)
        if (row.field(i) != names[i]) return false;
    return true;
}

// True when a field of the record holds, after a line break, a line with as many separators as
// a row has: a quote opened by mistake (a password that begins with one) ran over the rows after it.
bool swallowsRows(const CsvReader& record, size_t fieldsInARow, char separator) {
    if (record.lastLine() == record.line() || fieldsInARow < 2) return false;
    for (size_t i = 0; i < record.fieldCount(); ++i) {
        std::string_view text = record.field(i);
        for (size_t end = text.find_first_of("\r\n"); end != std::string_view::npos;
             end = text.find_first_of("\r\n")) {
            text.remove_prefix(end + 1);
            std::string_view line = text.substr(0, text.find_first_of("\r\n"));
            if (static_cast<size_t>(std::count(line.begin(), line.end(), separator)) + 1 >= fieldsInARow) return true;
        }
    }
    return false;
}

bool isTooLong(std::string_view utf8) {
    return utf8.size() > kMaxImportedFieldLength && characterCount(utf8) > kMaxImportedFieldLength;
}

std::size_t hashOf(EntryView entry) {
    std::hash<std::string_view> hash;
    size_t seed = hash(entry.username);
    for (std::string_view field : {entry.password, entry.location})
        seed ^= hash(field) + 0x9e3779b9u + (seed << 6) + (seed >> 2);
    return seed;
}

}  // namespace

EntryView ImportedEntries::fieldsOf(const Row& row) const {
    std::string_view fields = std::string_view(text_).substr(row.offset);
    return EntryView{fields.substr(0, row.usernameSize), fields.substr(row.usernameSize, row.passwordSize),
                     fields.substr(row.usernameSize + row.passwordSize, row.locationSize)};
}

// Turns rows into entries, or into skip reports. Each row is converted straight into the
// imported entries' buffer. Entries are known by their number, the vault's first, then the
// imported ones: the duplicate check holds no copy of them.
class CsvRowImporter {
public:
    // About the size of a row in a browser's export, to size the duplicate check.
    static constexpr size_t kTypicalRowBytes = 100;

    CsvRowImporter(std::span<const EntryView> existing, const ToCodePage& toCodePage, CsvImport& result,
                   size_t textSize);

    void import(size_t line, RowFields row);
    void skip(size_t line, size_t lastLine, CsvSkipReason reason, std::string detail = {});
    // Puts the skipped rows in file order.
    void finish();

private:
    // Entry numbers hashed and compared by the entries' fields.
    struct ByFields {
        const CsvRowImporter* importer;
        size_t operator()(size_t number) const { return hashOf(importer->entryAt(number)); }
        bool operator()(size_t a, size_t b) const { return importer->entryAt(a) == importer->entryAt(b); }
    };

    EntryView entryAt(size_t number) const {
        return number < existing_.size() ? existing_[number] : result_.entries[number - existing_.size()];
    }
    // Appends the UTF-8 text to the entries' buffer in the code page; false when it cannot be.
    bool appendInCodePage(std::string_view utf8, size_t& size);
    // Converts the row into the buffer: the reason it cannot be, or nothing.
    std::optional<CsvSkipReason> convert(const EntryView& row, ImportedEntries::Row& added, std::string& detail);
    // Adds the converted row unless the vault or an earlier row holds it already.
    void addUnlessKnown(size_t line, const ImportedEntries::Row& added, bool titleLeftOut);

    std::span<const EntryView> existing_;
    const ToCodePage& toCodePage_;
    CsvImport& result_;
    // The set's nodes come from one growing buffer: a big import makes a few allocations for them,
    // not one per entry.
    std::pmr::monotonic_buffer_resource knownNodes_;
    std::pmr::unordered_set<size_t, ByFields, ByFields> known_;
};

CsvRowImporter::CsvRowImporter(std::span<const EntryView> existing, const ToCodePage& toCodePage, CsvImport& result,
                               size_t textSize)
    : existing_(existing),
      toCodePage_(toCodePage),
      result_(result),
      known_(existing.size() + textSize / kTypicalRowBytes, ByFields{this}, ByFields{this}, &knownNodes_) {
    // The entries' text is at most the file's: each field of a row goes to one entry field at most.
    result_.entries.text_.reserve(textSize);
    for (size_t i = 0; i < existing.size(); ++i) known_.insert(i);
}

bool CsvRowImporter::appendInCodePage(std::string_view utf8, size_t& size) {
    SecretString& text = result_.entries.text_;
    if (isAscii(utf8)) {
        text.append(utf8);
        size = utf8.size();
        return true;
    }
    std::optional<SecretString> converted = toCodePage_(utf8);
    if (!converted) return false;
    text.append(*converted);
    size = converted->size();
    return true;
}

std::optional<CsvSkipReason> CsvRowImporter::convert(const EntryView& row, ImportedEntries::Row& added,
                                                    std::string& detail) {
    SecretString& text = result_.entries.text_;
    added = {text.size(), 0, 0, 0};
    if (isTooLong(row.username) || isTooLong(row.password) || isTooLong(row.location))
        return CsvSkipReason::FieldTooLong;
    if (!appendInCodePage(row.username, added.usernameSize) || !appendInCodePage(row.password, added.passwordSize) ||
        !appendInCodePage(row.location, added.locationSize)) {
        text.resize(added.offset);
        return CsvSkipReason::OutsideCodePage;
    }
    // Every text entryProblem refuses holds one of these; almost no imported text does.
    auto mayBeRefused = [](char c) { return c == '|' || c == '\r' || c == '\n' || c == '\x8D'; };
    if (std::none_of(text.begin() + static_cast<std::ptrdiff_t>(added.offset), text.end(), mayBeRefused))
        return std::nullopt;
    detail = entryProblem(result_.entries.fieldsOf(added).toEntry());
    if (detail.empty()) return std::nullopt;
    text.resize(added.offset);
    return CsvSkipReason::UnstorableText;
}

void CsvRowImporter::import(size_t line, RowFields row) {
    // The entry editor takes no entry without both.
    if (row.entry.username.empty() || row.entry.password.empty())
        return skip(line, line,
                    row.entry.password.empty() ? (row.entry.username.empty() ? CsvSkipReason::NoUsernameOrPassword
                                                                              : CsvSkipReason::NoPassword)
                                               : CsvSkipReason::NoUsername);
    ImportedEntries::Row added;
    std::string detail;
    std::optional<CsvSkipReason> problem = convert(row.entry, added, detail);
    // A title that cannot be kept costs only itself: the login comes in without an address.
    const bool titleLeftOut = problem && row.locationIsTitle;
    if (titleLeftOut) {
        row.entry.location = {};
        detail.clear();
        problem = convert(row.entry, added, detail);
    }
    if (problem) return skip(line, line, *problem, std::move(detail));
    addUnlessKnown(line, added, titleLeftOut);
}

void CsvRowImporter::addUnlessKnown(size_t line, const ImportedEntries::Row& added, bool titleLeftOut) {
    ImportedEntries& entries = result_.entries;
    entries.rows_.push_back(added);
    auto [found, isNew] = known_.insert(existing_.size() + entries.size() - 1);
    if (isNew) {
        if (titleLeftOut) result_.titlesLeftOut.push_back(line);
        return;
    }
    // A row found again keeps its converted text in the buffer, unused: the result lives only
    // until its entries are added to the vault.
    entries.rows_.pop_back();
    skip(line, line, *found < existing_.size() ? CsvSkipReason::AlreadyInVault : CsvSkipReason::RepeatsEarlierRow);
}

void CsvRowImporter::skip(size_t line, size_t lastLine, CsvSkipReason reason, std::string detail) {
    result_.skipped.push_back(CsvSkippedRow{line, lastLine, reason, std::move(detail)});
    ++result_.skippedCounts[static_cast<size_t>(reason)];
}

void CsvRowImporter::finish() {
    std::stable_sort(result_.skipped.begin(), result_.skipped.end(),
                     [](const CsvSkippedRow& a, const CsvSkippedRow& b) { return a.line < b.line; });
}

CsvImport importEntriesCsv(std::string_view text, const CsvLayout& layout, std::span<const EntryView> existing,
                           const ToCodePage& toCodePage) {
    CsvImport result;
    CsvRowImporter importer(existing, toCodePage, result, text.size());
    CsvReader reader(text, layout);
    size_t fieldsInARow = 0;
    std::vector<std::string> names;
    if (layout.firstRowNames && reader.next()) {
        fieldsInARow = reader.fieldCount();
        for (size_t i = 0; i < fieldsInARow; ++i) names.emplace_back(reader.field(i));
    }
    bool unclosed = reader.unclosedQuote();
    while (!unclosed && reader.next()) {
        unclosed = reader.unclosedQuote();
        if (fieldsInARow == 0) fieldsInARow = reader.fieldCount();
        if (unclosed) break;
        if (repeatsNames(reader, names)) continue;
        if (swallowsRows(reader, fieldsInARow, layout.separator))
            importer.skip(reader.line(), reader.lastLine(), CsvSkipReason::SwallowedRows);
        else
            importer.import(reader.line(), rowOf(reader, layout));
    }
    if (unclosed) importer.skip(reader.line(), reader.lastLine(), CsvSkipReason::UnclosedQuote);
    importer.finish();
    return result;
}

std::string_view csvSkipReasonText(CsvSkipReason reason) {
    switch (reason) {
    case CsvSkipReason::UnclosedQuote: return "opens a quote that is never closed: the rest of the file was not read";
    case CsvSkipReason::SwallowedRows: return "opens a quote that runs over the rows after it";
    case CsvSkipReason::NoUsernameOrPassword: return "has neither a username nor a password";
    case CsvSkipReason::NoPassword: return "has a username but no password";
    case CsvSkipReason::NoUsername: return "has a password but no username";
    case CsvSkipReason::FieldTooLong: return "has a field longer than 4,096 characters";
    case CsvSkipReason::OutsideCodePage: return "holds characters that this computer's code page cannot store";
    case CsvSkipReason::UnstorableText: return "holds text the vault cannot store";
    case CsvSkipReason::AlreadyInVault: return "is already in the vault";
    case CsvSkipReason::RepeatsEarlierRow: return "repeats an earlier row";
    }
    return {};
}

std::string csvFileProblemText(CsvFileProblem problem, std::string_view codePageName) {
    switch (problem) {
    case CsvFileProblem::None: return {};
    case CsvFileProblem::Empty: return "The file is empty.";
    case CsvFileProblem::NotText:
        return "The file is not a text file: it holds zero bytes, as programs and pictures do, and no CSV "
               "export does.";
    case CsvFileProblem::NotUnicodeText:
        return "The file's text is neither UTF-8 nor UTF-16, and it does not read as text in this computer's code "
               "page (" + std::string(codePageName) + ") either. Export or save it as UTF-8, then import it again.";
    case CsvFileProblem::BrokenUtf16:
        return "Every other byte of the file is zero, as in UTF-16 text saved without its byte-order mark, but it "
               "does not read as UTF-16: it may be damaged. Export or save it as UTF-8, then import it again.";
    }
    return {};
}

// --- Export -------------------------------------------------------------------------------------

namespace {

// Vellumkeep's export starts with a byte-order mark, so that a spreadsheet reads it as UTF-8;
// browsers write and read theirs without one.
constexpr std::string_view kVellumkeepStart = "\xEF\xBB\xBF" "Username,Password,Website/Location\r\n";
constexpr std::string_view kWebBrowserStart = "name,url,username,password\r\n";
constexpr size_t kExportPieceSize = size_t{1} << 16;

bool isSchemeName(std::string_view text) {
    auto isLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    auto isSchemeByte = [&](char c) { return isLetter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'; };
    return !text.empty() && isLetter(text.front()) && std::all_of(text.begin(), text.end(), isSchemeByte);
}

// Without a scheme, only a dotted name of letters, digits and hyphens is taken for a host.
bool looksLikeHostName(std::string_view text) {
    auto isHostByte = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
               static_cast<unsigned char>(c) >= 0x80;
    };
    return text.find('.') != std::string_view::npos && !text.starts_with('.') && !text.ends_with('.') &&
           std::all_of(text.begin(), text.end(), isHostByte);
}

bool needsQuotes(std::string_view field) {
    if (field.empty()) return false;
    auto isSpace = [](char c) { return c == ' ' || c == '\t'; };
    if (isSpace(field.front()) || isSpace(field.back())) return true;
    for (char c : field)
        if (kNeedQuotes[static_cast<unsigned char>(c)]) return true;
    return false;
}

void appendDoublingQuotes(SecretString& out, std::string_view text) {
    for (size_t at = text.find('"'); at != std::string_view::npos; at = text.find('"')) {
        out.append(text.substr(0, at + 1));
        out += '"';
        text.remove_prefix(at + 1);
    }
    out.append(text);
}

}  // namespace

std::string_view hostOf(std::string_view location) {
    std::string_view rest = location;
    const size_t schemeEnd = rest.find("://");
    const bool hasScheme = schemeEnd != std::string_view::npos && isSchemeName(rest.substr(0, schemeEnd));
    if (hasScheme) rest.remove_prefix(schemeEnd + 3);
    std::string_view authority = rest.substr(0, rest.find_first_of("/?#\\"));
    if (const size_t at = authority.rfind('@'); hasScheme && at != std::string_view::npos)
        authority.remove_prefix(at + 1);  // a user name before the host
    const size_t hostEnd =
        authority.starts_with('[') ? authority.find(']') + 1 : authority.find(':');  // an IPv6 address, or a port
    const std::string_view host = authority.substr(0, hostEnd == 0 ? std::string_view::npos : hostEnd);
    return hasScheme || looksLikeHostName(host) ? host : std::string_view();
}

CsvExportWriter::CsvExportWriter(const FromCodePage& toUtf8, const CsvPieceWriter& write, CsvExportType type)
    : toUtf8_(toUtf8), write_(write), type_(type) {
    const std::string_view start = type == CsvExportType::Vellumkeep ? kVellumkeepStart : kWebBrowserStart;
    held_.reserve(kExportPieceSize + start.size());
    held_.append(start);
}

void CsvExportWriter::add(EntryView entry) {
    if (stopped_) return;
    if (type_ == CsvExportType::WebBrowser) {
        const std::string_view host = hostOf(entry.location);
        putField(host.empty() ? entry.username : host);
        held_ += ',';
        putField(entry.location);
        held_ += ',';
    }
    putField(entry.username);
    held_ += ',';
    putField(entry.password);
    if (type_ == CsvExportType::Vellumkeep) {
        held_ += ',';
        putField(entry.location);
    }
    held_ += "\r\n";
    if (held_.size() >= kExportPieceSize) writeHeldBack();
}

bool CsvExportWriter::finish() {
    writeHeldBack();
    return !stopped_;
}

void CsvExportWriter::putField(std::string_view ansi) {
    if (isAscii(ansi)) return putUtf8(ansi);
    SecretString utf8 = toUtf8_(ansi);
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
