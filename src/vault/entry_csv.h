#pragma once
// Entries as CSV (RFC 4180): reading the password exports of browsers and other password keepers,
// and writing Vellumkeep's own export, which reads back as it was written.
//
// Import: the first row names the columns, in any order, case and surrounding spaces ignored
// (and any character that is not a letter or digit: "Login Name", "login_username" and
// "LoginName" are one name). Username: username, user, user id, login, login name, login
// username. Password: password, pwd, pass, passwd, login password. Website/Location: url, uri,
// login uri, login url, website, web site, website address, web address, website/location,
// location, site, hostname, origin url. A title (title, name, account, account name) stands in
// for an empty Website/Location; an e-mail column (email, e-mail address) for an empty Username,
// when the row has a password (a row with an e-mail and no password is an identity, an alias or
// a card, not a login). The first row must name a password column and at least one of the
// others: a file without a header row is refused instead of having its first entry taken as one.
#include <array>
#include <cstddef>
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

// UTF-8 to the system's ANSI code page; empty when a character has no place in the code page.
// Pure ASCII text never reaches it.
using ToCodePage = std::function<std::optional<std::string>(std::string_view utf8)>;
// The system's ANSI code page to UTF-8. Pure ASCII text never reaches it.
using FromCodePage = std::function<std::string(std::string_view ansi)>;

// Why a file is not a CSV of entries.
enum class CsvFileProblem {
    None,
    Empty,             // no bytes, or nothing but a byte-order mark and line ends
    NotText,           // a NUL character
    NotUnicodeText,    // neither UTF-8 nor UTF-16 (e.g. saved in an ANSI code page)
    NoPasswordColumn,  // the first row names no password column, or nothing beside it
};

// Why a row was not imported.
enum class CsvSkipReason {
    UnclosedQuote,         // a quoted field runs to the end of the file
    NoUsernameOrPassword,  // both empty
    OutsideCodePage,       // a character this computer's code page cannot hold
    UnstorableText,        // text the vault file cannot carry (see vault::entryProblem)
    AlreadyInVault,        // all three fields equal an entry already in the vault
    RepeatsEarlierRow,     // all three fields equal a row imported before it
};
inline constexpr size_t kCsvSkipReasons = 6;

struct CsvSkippedRow {
    size_t line;  // the physical line where the row starts; the first line of the file is 1
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

    std::string text_;
    std::vector<Row> rows_;
};

struct CsvImport {
    CsvFileProblem problem = CsvFileProblem::None;
    ImportedEntries entries;
    std::vector<CsvSkippedRow> skipped;  // in file order
    std::array<size_t, kCsvSkipReasons> skippedCounts{};

    size_t skippedCount(CsvSkipReason reason) const { return skippedCounts[static_cast<size_t>(reason)]; }
};

// Reads a CSV export: the entries to add, and the rows that are not added and why. `existing`
// are the entries already in the vault. Blank lines are not rows.
CsvImport importEntriesCsv(std::string_view fileBytes, std::span<const EntryView> existing,
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
    std::string held_;
    bool stopped_ = false;
};

}  // namespace vk::vault
