#pragma once
// Entries as CSV (RFC 4180): reading the password exports of browsers and other password keepers,
// and writing Vellumkeep's own export, which reads back as it was written, and the layout that
// browsers and other keepers import.
//
// Import: the first row names the columns, in any order; names are matched by what they mean,
// letter case, spaces and punctuation aside ("Login Name", "login_name" and "LoginName" are one
// name). Where a name says less than another, the other wins: an "email" or "account" column is
// the username only when no column is named as one ("username", "login"...); otherwise an e-mail
// stands in for an empty Username and an account for an empty Website/Location, as a title does.
// A web address wins over a postal one, and a second address column fills an empty first.
// Exports that keep the credentials inside one field ("label:value" lines) or as label and value
// pairs are read by their labels. When the first row names no password, username or address
// column (nor a title to stand for the address), or a named column is mostly empty while one it
// leaves out holds text, the columns are in doubt and the user chooses them. Commas, semicolons
// and tabs separate fields, whichever the file uses; quotes are doubled, or escaped with a
// backslash where the exporter does so (KeePass, and exports that read cleanly only that way).
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vault/unicode_text.h"
#include "vault/vault_format.h"

namespace vk::vault {

// The caller refuses a bigger file before reading it. An export of 100,000 entries is about
// 12 MB, so this is ten times more than any real export. The import holds the file, its UTF-8
// text (half again as big as a UTF-16 file) and the entries' text at once: up to about four
// times the file's size, which a 32-bit program may fail to find in one piece beyond this.
inline constexpr size_t kMaxCsvImportBytes = size_t{128} << 20;

// A longer field is no password, name or address but something pasted by mistake: the editor
// would take seconds to show it. Counted in characters.
inline constexpr size_t kMaxImportedFieldLength = 4096;

// UTF-8 to the system's ANSI code page; empty when a character has no place in the code page.
// Pure ASCII text never reaches it.
using ToCodePage = std::function<std::optional<SecretString>(std::string_view utf8)>;
// The system's ANSI code page to UTF-8. Pure ASCII text never reaches it.
using FromCodePage = std::function<SecretString(std::string_view ansi)>;

// Why a file is not a CSV of entries.
enum class CsvFileProblem {
    None,
    Empty,           // no bytes, or nothing but a byte-order mark and line ends
    NotText,         // a NUL character
    NotUnicodeText,  // neither UTF-8 nor UTF-16, nor text in the system's code page
    BrokenUtf16,     // looks like UTF-16 without a byte-order mark, but does not read as it
};

// A file's text, ready to be read as CSV.
struct CsvText {
    CsvFileProblem problem = CsvFileProblem::None;
    SecretString utf8;  // without its byte-order mark
    TextEncoding encoding = TextEncoding::Utf8;  // how the file was read
};
// Takes the file's bytes over; UTF-8 keeps its buffer. Text that is not Unicode is read with
// `fromCodePage`, when given.
CsvText csvTextOf(SecretString fileBytes, const CodePageReader& fromCodePage = {});

inline constexpr size_t kNoColumn = SIZE_MAX;
// The separators a file may use, as the user is offered them.
inline constexpr char kCsvSeparators[] = {',', ';', '\t'};

// How a quoted field writes a quote: doubled (RFC 4180), or escaped with a backslash, which then
// escapes a backslash as well (KeePass: "a\"b\\c" is a"b\c).
enum class CsvQuoting { Doubled, Backslash };

// How the rows of a file are read: the separator, whether the first row names the columns, and
// the column (from 0) that holds each field.
struct CsvLayout {
    char separator = ',';
    bool firstRowNames = true;
    size_t username = kNoColumn;
    size_t password = kNoColumn;
    size_t location = kNoColumn;
    // Named by the first row: a second address fills an empty Website/Location, then a title
    // (unless it only repeats the username); an e-mail fills an empty Username; each where the
    // layout has a column for that field.
    size_t secondLocation = kNoColumn;
    size_t title = kNoColumn;
    size_t email = kNoColumn;
    // A column of "label:value" lines (Zoho Vault), read for the fields the columns leave empty.
    size_t labelledLines = kNoColumn;
    // Each row holds a title, then label and value pairs, then perhaps a note (Enpass).
    bool labelValuePairs = false;
    CsvQuoting quoting = CsvQuoting::Doubled;
    friend bool operator==(const CsvLayout&, const CsvLayout&) = default;
};

// Why the user is asked to choose the columns.
enum class CsvDoubt {
    None,
    NoPasswordColumn,  // the first row names no password column: no header, or one not known
    NoUsernameColumn,  // it names a password column but none for the username
    NoLocationColumn,  // it names a password column but none for the address, nor a title
    UnknownColumn,     // a named column is mostly empty, and one it leaves out holds text in most rows
};

struct CsvGuess {
    CsvLayout layout;
    CsvDoubt doubt = CsvDoubt::None;
    size_t doubtfulColumn = kNoColumn;  // for UnknownColumn: the first such column
};

// The separator the file's first rows are written with.
char detectSeparator(std::string_view text);
// The layout the import would use, and whether it is in doubt.
CsvGuess guessLayout(std::string_view text);
// The layout guessed for one reading of the text: by the first row's names, or, when the first row
// holds no names, by what the columns hold (web addresses, e-mail addresses).
CsvLayout guessColumns(std::string_view text, char separator, bool firstRowNames);

// The first rows of a file as the user sees them before choosing its columns, in UTF-8.
struct CsvPreview {
    std::vector<std::string> columns;  // the first row's names, or "Column 1"...; one per column shown
    std::vector<std::vector<SecretString>> rows;  // no more fields than columns
    size_t columnsLeftOut = 0;                    // beyond the columns shown
};
// The first `maxRows` rows of the text as `reading` reads them, and their first `maxColumns` columns.
CsvPreview csvPreviewOf(std::string_view text, const CsvLayout& reading, size_t maxRows, size_t maxColumns);

// Why a row was not imported.
enum class CsvSkipReason {
    UnclosedQuote,         // a quoted field runs to the end of the file
    SwallowedRows,         // a quoted field runs over the rows after it
    NoUsernameOrPassword,  // both empty
    NoPassword,            // a username without a password: the entry editor would refuse it
    NoUsername,            // a password without a username: the same
    FieldTooLong,          // longer than kMaxImportedFieldLength characters
    OutsideCodePage,       // a character this computer's code page cannot hold
    UnstorableText,        // text the vault file cannot carry (see vault::entryProblem)
    AlreadyInVault,        // all three fields equal an entry already in the vault
    RepeatsEarlierRow,     // all three fields equal a row imported before it
};
inline constexpr size_t kCsvSkipReasons = 10;

struct CsvSkippedRow {
    size_t line;      // the physical line where the row starts; the first line of the file is 1
    size_t lastLine;  // where it ends: a quoted field may hold line breaks
    CsvSkipReason reason;
    std::string detail;  // for UnstorableText: the editor's message naming the field and the rule
};

// The entries an import adds, in file order, in the system's code page. Their fields lie side by
// side in one buffer: a big import makes a few allocations, not three per entry.
class ImportedEntries {
public:
    size_t size() const { return rows_.size(); }
    bool empty() const { return rows_.empty(); }
    EntryView operator[](size_t index) const { return fieldsOf(rows_[index]); }

private:
    friend class CsvRowImporter;
    struct Row {
        size_t offset;
        size_t usernameSize;
        size_t passwordSize;
        size_t locationSize;
    };
    EntryView fieldsOf(const Row& row) const;

    SecretString text_;
    std::vector<Row> rows_;
};

struct CsvImport {
    ImportedEntries entries;
    std::vector<CsvSkippedRow> skipped;  // in file order
    std::array<size_t, kCsvSkipReasons> skippedCounts{};
    // Rows imported with an empty Website/Location: their title, standing in for the address,
    // cannot be stored. The lines where they start.
    std::vector<size_t> titlesLeftOut;

    size_t skippedCount(CsvSkipReason reason) const { return skippedCounts[static_cast<size_t>(reason)]; }
};

// Reads the rows of a CSV text in this layout: the entries to add, and the rows that are not added
// and why. `existing` are the entries already in the vault. Blank lines are not rows, nor is a row
// that repeats the first row's names (files made of several exports joined).
CsvImport importEntriesCsv(std::string_view text, const CsvLayout& layout, std::span<const EntryView> existing,
                           const ToCodePage& toCodePage);

// Short English texts for the message the caller composes. A reason follows "Line 12 ", e.g.
// "has neither a username nor a password"; a problem is a whole sentence.
std::string_view csvSkipReasonText(CsvSkipReason reason);
// `codePageName` names the system's code page, in which text that is not Unicode was tried.
std::string csvFileProblemText(CsvFileProblem problem, std::string_view codePageName);

// Takes each piece of the export in order; returns false to stop the writing.
using CsvPieceWriter = std::function<bool(std::string_view piece)>;

// The layouts of an export.
enum class CsvExportType {
    // Vellumkeep's own: UTF-8 with a byte-order mark, the header row
    // "Username,Password,Website/Location"; it imports back exactly.
    Vellumkeep,
    // What browsers and other keepers import: UTF-8, the header row "name,url,username,password";
    // the name is the Website/Location's host, or the Username when it has none.
    WebBrowser,
};

// The host name of a web address ("https://user@mail.example.com:8080/x" -> "mail.example.com",
// "www.example.com/login" -> "www.example.com"); empty for a location that names none (a folder,
// a word).
std::string_view hostOf(std::string_view location);

// Writes an export: CR LF line ends, the type's header row, then one row per entry added. A field
// is quoted, its quotes doubled, when it holds a comma, a quote or a line break, or begins or
// ends with a space or a tab; otherwise it is written as it is. Nothing is added to guard against
// spreadsheet formulas: that would change the passwords. The text goes out in pieces of a fixed size.
class CsvExportWriter {
public:
    CsvExportWriter(const FromCodePage& toUtf8, const CsvPieceWriter& write,
                    CsvExportType type = CsvExportType::Vellumkeep);
    CsvExportWriter(const CsvExportWriter&) = delete;
    CsvExportWriter& operator=(const CsvExportWriter&) = delete;

    void add(EntryView entry);
    // Writes what is still held back; false when the piece writer stopped the writing.
    bool finish();

private:
    void putField(std::string_view ansi);
    void putUtf8(std::string_view utf8);
    void writeHeldBack();

    FromCodePage toUtf8_;
    CsvPieceWriter write_;
    CsvExportType type_;
    SecretString held_;
    bool stopped_ = false;
};

}  // namespace vk::vault
