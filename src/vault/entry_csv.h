#pragma once
// Entries as CSV (RFC 4180): reading the password exports of browsers and other password keepers,
// and writing Vellumkeep's own export, which reads back as it was written.
//
// Import: the first row names the columns, in any order; names are matched by what they mean,
// letter case, spaces and punctuation aside ("Login Name", "login_name" and "LoginName" are one
// name). Where a name says less than another, the other wins: an "email" or "account" column is
// the username only when no column is named as one ("username", "login"...); otherwise an e-mail
// stands in for an empty Username and an account for an empty Website/Location, as a title does.
// When the first row names no password column, names no address column, or leaves out a column
// that holds text in most rows, the columns are in doubt and the user chooses them. Commas,
// semicolons and tabs separate fields, whichever the file uses.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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
    NotUnicodeText,  // neither UTF-8 nor UTF-16 (e.g. saved in an ANSI code page)
    BrokenUtf16,     // looks like UTF-16 without a byte-order mark, but does not read as it
};

// A file's text, ready to be read as CSV.
struct CsvText {
    CsvFileProblem problem = CsvFileProblem::None;
    SecretString utf8;  // without its byte-order mark
};
// Takes the file's bytes over; UTF-8 keeps its buffer.
CsvText csvTextOf(SecretString fileBytes);

inline constexpr size_t kNoColumn = SIZE_MAX;
// The separators a file may use, as the user is offered them.
inline constexpr char kCsvSeparators[] = {',', ';', '\t'};

// How the rows of a file are read: the separator, whether the first row names the columns, and
// the column (from 0) that holds each field.
struct CsvLayout {
    char separator = ',';
    bool firstRowNames = true;
    size_t username = kNoColumn;
    size_t password = kNoColumn;
    size_t location = kNoColumn;
    // Named by the first row: a title fills an empty Website/Location, an e-mail an empty
    // Username, where the layout has a column for that field.
    size_t title = kNoColumn;
    size_t email = kNoColumn;
    friend bool operator==(const CsvLayout&, const CsvLayout&) = default;
};

// Why the user is asked to choose the columns.
enum class CsvDoubt {
    None,
    NoPasswordColumn,  // the first row names no password column: no header, or one not known
    NoLocationColumn,  // it names a password column but none for the address
    UnknownColumn,     // it leaves out a column that holds text in most rows
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
    std::vector<std::string> columns;  // the first row's names, or "Column 1"...; one per column
    std::vector<std::vector<SecretString>> rows;
};
CsvPreview csvPreviewOf(std::string_view text, char separator, bool firstRowNames, size_t maxRows);

// Why a row was not imported.
enum class CsvSkipReason {
    UnclosedQuote,         // a quoted field runs to the end of the file
    SwallowedRows,         // a quoted field runs over the rows after it
    NoUsernameOrPassword,  // both empty
    FieldTooLong,          // longer than kMaxImportedFieldLength characters
    OutsideCodePage,       // a character this computer's code page cannot hold
    UnstorableText,        // text the vault file cannot carry (see vault::entryProblem)
    AlreadyInVault,        // all three fields equal an entry already in the vault
    RepeatsEarlierRow,     // all three fields equal a row imported before it
};
inline constexpr size_t kCsvSkipReasons = 8;

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
// and why. `existing` are the entries already in the vault. Blank lines are not rows.
CsvImport importEntriesCsv(std::string_view text, const CsvLayout& layout, std::span<const EntryView> existing,
                           const ToCodePage& toCodePage);

// Short English texts for the message the caller composes. A reason follows "Line 12 ", e.g.
// "has neither a username nor a password"; a problem is a whole sentence.
std::string_view csvSkipReasonText(CsvSkipReason reason);
std::string_view csvFileProblemText(CsvFileProblem problem);

// Takes each piece of the export in order; returns false to stop the writing.
using CsvPieceWriter = std::function<bool(std::string_view piece)>;

// Writes Vellumkeep's export: UTF-8 with a byte-order mark, CR LF line ends, the header row
// "Username,Password,Website/Location", then one row per entry added. A field is quoted, its
// quotes doubled, when it holds a comma, a quote or a line break, or begins or ends with a space
// or a tab; otherwise it is written as it is. Nothing is added to guard against spreadsheet
// formulas: that would change the passwords. The text goes out in pieces of a fixed size.
class CsvExportWriter {
public:
    CsvExportWriter(const FromCodePage& toUtf8, const CsvPieceWriter& write);
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
    SecretString held_;
    bool stopped_ = false;
};

}  // namespace vk::vault
