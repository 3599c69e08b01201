#include "app/vault_controller.h"

#include <algorithm>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/app_info.h"
#include "platform/file_dialogs.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "vault/entry_csv.h"
#include "vault/vault_store.h"
#include "vault/vault_versions.h"

namespace vk {
namespace {

using namespace std::string_literals;

const std::wstring kCsvFilter = L"CSV files (*.csv)\0*.csv\0Text files (*.txt)\0*.txt\0All files (*.*)\0*.*\0"s;
// The export's types, in the order of vault::CsvExportType.
const std::wstring kExportTypes = L"Vellumkeep CSV (*.csv)\0*.csv\0Web browser CSV (*.csv)\0*.csv\0"s;
constexpr size_t kSkippedRowsNamed = 5;

// Why rows were skipped, as the message counts them.
const char* countedReason(vault::CsvSkipReason reason) {
    switch (reason) {
    case vault::CsvSkipReason::UnclosedQuote: return "with a quote that is never closed";
    case vault::CsvSkipReason::SwallowedRows: return "with a quote that runs over the rows after it";
    case vault::CsvSkipReason::NoUsernameOrPassword: return "without a username or a password";
    case vault::CsvSkipReason::NoPassword: return "with a username but no password";
    case vault::CsvSkipReason::NoUsername: return "with a password but no username";
    case vault::CsvSkipReason::FieldTooLong: return "with a field longer than 4,096 characters";
    case vault::CsvSkipReason::OutsideCodePage: return "with characters this computer's code page cannot hold";
    case vault::CsvSkipReason::UnstorableText: return "with text the vault cannot store";
    case vault::CsvSkipReason::AlreadyInVault: return "already in the vault";
    case vault::CsvSkipReason::RepeatsEarlierRow: return "repeating an earlier row";
    }
    return "";
}

std::string plural(size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::wstring wideNumber(size_t number) { return std::to_wstring(number); }

// A skipped row by its line. A quote that ran over the rows after it is named with the lines it
// took, so that the user knows which logins did not come in. The dash is a real en dash: the
// report goes to the message box as UTF-16, whatever the code page.
std::wstring skippedRowText(const vault::CsvSkippedRow& row) {
    using Reason = vault::CsvSkipReason;
    const bool quoteRanOn = row.reason == Reason::SwallowedRows || row.reason == Reason::UnclosedQuote;
    if (!quoteRanOn || row.lastLine == row.line) {
        std::string text = "Line " + std::to_string(row.line) + " " + std::string(vault::csvSkipReasonText(row.reason));
        return widen(text + (row.detail.empty() ? "." : ": " + row.detail));
    }
    const std::wstring first = L"line " + wideNumber(row.line);
    std::wstring text = L"Lines " + wideNumber(row.line) + L"\u2013" + wideNumber(row.lastLine) + L" are one row: ";
    if (row.reason == Reason::UnclosedQuote)
        text += L"a quote on " + first + L" is never closed, so the rest of the file was not read.";
    else
        text += L"a field on " + first + L" opens a quote that only closes on line " + wideNumber(row.lastLine) +
                L", so none of the logins on these lines came in.";
    return text + L" Check the quotes on " + first + L", then import the file again.";
}

// "line 4", "lines 4, 9 and 12", "lines 4, 9, 12, 15, 20 and 3 more".
std::wstring linesText(const std::vector<size_t>& lines) {
    std::wstring text = lines.size() == 1 ? L"line " : L"lines ";
    const size_t named = std::min(lines.size(), kSkippedRowsNamed);
    for (size_t i = 0; i < named; ++i) {
        if (i > 0) text += i + 1 == named && named == lines.size() ? L" and " : L", ";
        text += wideNumber(lines[i]);
    }
    if (lines.size() > named) text += L" and " + wideNumber(lines.size() - named) + L" more";
    return text;
}

// What the import did: how many entries it added, in which encoding it read a file that is not
// Unicode, which came without the title that stood in for their address, how many rows it skipped
// and why, and the first few of those rows.
std::wstring importReport(const std::wstring& path, vault::TextEncoding encoding, const vault::CsvImport& result,
                          bool saved) {
    std::wstring text =
        widen("Imported " + plural(result.entries.size(), "entry", "entries")) + L" from:\r\n\r\n" + path;
    if (encoding == vault::TextEncoding::CodePage)
        text += widen("\r\n\r\nThe file is not UTF-8: it was read as " + codePageName() +
                      ", this computer's code page.");
    if (!result.entries.empty() && !saved) text += L"\r\n\r\nThey are in the list, but not saved yet.";
    if (const size_t untitled = result.titlesLeftOut.size())
        text += L"\r\n\r\n" + wideNumber(untitled) + (untitled == 1 ? L" of them has" : L" of them have") +
                L" no Website/Location: the title that stands in for it holds text the vault cannot store (" +
                linesText(result.titlesLeftOut) + L").";
    if (result.skipped.empty()) return text;
    text += widen("\r\n\r\nSkipped " + plural(result.skipped.size(), "row", "rows") + ":");
    for (size_t reason = 0; reason < vault::kCsvSkipReasons; ++reason)
        if (size_t count = result.skippedCounts[reason])
            text += widen("\r\n    " + std::to_string(count) + " " +
                          countedReason(static_cast<vault::CsvSkipReason>(reason)));
    text += L"\r\n";
    for (size_t i = 0; i < result.skipped.size() && i < kSkippedRowsNamed; ++i)
        text += L"\r\n" + skippedRowText(result.skipped[i]);
    if (result.skipped.size() > kSkippedRowsNamed)
        text += widen("\r\n(and " + plural(result.skipped.size() - kSkippedRowsNamed, "more row", "more rows") + ")");
    return text;
}

void refuseImport(const VaultController& app, HWND owner, const std::wstring& path, const std::string& why) {
    messageBox(owner,
               "Vellumkeep cannot import the entries of:\r\n\r\n" + displayText(path) + "\r\n\r\n" + why +
                   "\r\n\r\nNothing was imported.",
               app.host().appTitle(), MB_OK | MB_ICONWARNING);
}

// Why the file could not be read. Another program holding the file gets a sentence of its own:
// the system's "Sharing violation." does not tell the user what to do.
std::string readFailureText(const vault::IoError& error) {
    if (error.code == ERROR_SHARING_VIOLATION || error.code == ERROR_LOCK_VIOLATION)
        return "Another program has the file open and keeps others from reading it. Close the file in that "
               "program, or wait until it is done with it, then import it again.";
    return error.reason;
}

// The file's bytes, or nothing when it is too big or cannot be read (the user was told why).
std::optional<SecretString> readImportFile(const VaultController& app, HWND owner, const std::wstring& path) {
    const unsigned long long size = app.vault().files().fileSize(path).value_or(0);
    if (size > vault::kMaxCsvImportBytes) {
        constexpr unsigned long long kMegabyte = 1 << 20;
        refuseImport(app, owner, path,
                     "Vellumkeep imports files of up to " + std::to_string(vault::kMaxCsvImportBytes / kMegabyte) +
                         " MB, and this one is " + std::to_string((size + kMegabyte - 1) / kMegabyte) +
                         " MB. An export of passwords is far smaller: check that this is the file you meant.");
        return std::nullopt;
    }
    SecretString bytes;
    vault::IoResult read = app.vault().files().readAll(path, bytes);
    if (read.failed()) {
        refuseImport(app, owner, path, readFailureText(read.error()));
        return std::nullopt;
    }
    return bytes;
}

// Runs a step that may need more memory than a 32-bit program finds in one piece; false, and the
// user told, when it did not find it.
bool withEnoughMemory(const VaultController& app, HWND owner, const std::wstring& path, const std::function<void()>& step) {
    try {
        step();
        return true;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    refuseImport(app, owner, path, "There is not enough memory to read it.");
    return false;
}

vault::CsvImport importFrom(const VaultController& app, std::string_view text, const vault::CsvLayout& layout) {
    const vault::EntryList& entries = app.vault().entries();
    std::vector<vault::EntryView> existing;
    existing.reserve(entries.count());
    for (size_t i = 0; i < entries.count(); ++i) existing.push_back(entries.at(i));
    return vault::importEntriesCsv(text, layout, existing, [](std::string_view utf8) -> std::optional<SecretString> {
        SecretText converted = utf8ToCodePageSecret(utf8);
        if (!converted.complete) return std::nullopt;
        return std::move(converted.text);
    });
}

// What a file the export must never replace is to the user: the vault (by any of its names), the
// copy a save writes beside it, its earlier versions and the program's own files. Empty for any
// other file.
std::string protectedFileAt(VaultController& app, const std::wstring& path) {
    const vault::Path vaultPath = app.vault().path();
    vault::Path vaultTarget;
    if (app.vault().files().finalPath(vaultPath, vaultTarget).failed()) vaultTarget = vaultPath;
    const struct {
        std::wstring file;
        const char* what;
    } kept[] = {
        {vaultPath, "Vellumkeep's vault"},
        {vault::temporaryPathFor(vaultTarget), "the copy of the vault that each save writes"},
        {executablePath(), "Vellumkeep itself"},
        {app.programFolder() + L"\\Help.rtf", "Vellumkeep's help"},
    };
    for (const auto& file : kept)
        if (vault::sameFile(app.vault().files(), path, file.file)) return file.what;
    const size_t separator = path.find_last_of(L"\\/");
    vault::Seconds keptAt = 0;
    unsigned sequence = 0;
    if (separator != std::wstring::npos && vault::parseVersionFileName(path.substr(separator + 1), keptAt, sequence) &&
        vault::sameFile(app.vault().files(), path.substr(0, separator), app.vault().versionsFolder()))
        return "an earlier version of Vellumkeep's vault";
    return {};
}

}  // namespace

void VaultController::importEntries(HWND owner) {
    std::optional<std::wstring> path = askFileToOpen(owner, L"Import Entries", kCsvFilter);
    if (!path) return;
    std::optional<vault::CsvText> text;
    bool read = withEnoughMemory(*this, owner, *path, [&] {
        if (std::optional<SecretString> bytes = readImportFile(*this, owner, *path))
            text = vault::csvTextOf(std::move(*bytes), codePageFileTextToUtf8);
    });
    if (!read || !text) return;
    if (text->problem != vault::CsvFileProblem::None)
        return refuseImport(*this, owner, *path, vault::csvFileProblemText(text->problem, codePageName()));
    const vault::CsvGuess guess = vault::guessLayout(text->utf8);
    if (guess.doubt != vault::CsvDoubt::None) return host_.askForColumns(*path, std::move(*text), guess);
    importInLayout(owner, *path, *text, guess.layout);
}

void VaultController::importInLayout(HWND owner, const std::wstring& path, const vault::CsvText& text,
                                     const vault::CsvLayout& layout) {
    vault::CsvImport result;
    if (!withEnoughMemory(*this, owner, path, [&] { result = importFrom(*this, text.utf8, layout); })) return;
    const size_t count = result.entries.size();
    bool saved = true;
    if (count > 0) {
        changeEntries([&] {
            vault_.entries().addInOneChange(vault::entryTableOf(count, [&](size_t i) { return result.entries[i]; }));
        });
        saved = save(owner);
        if (saved)
            host_.setStatusText("Imported " + plural(count, "entry", "entries") + ".  " + host_.statusText());
    } else {
        host_.setStatusText("No entries imported.");
    }
    host_.report(owner, importReport(path, text.encoding, result, saved), "Import Entries");
}

void VaultController::exportEntries(HWND owner) {
    int answer = messageBox(owner,
                            "The exported file will hold every password in plain text, readable by anyone who "
                            "gets a copy of it.\r\n\r\nExport anyway?",
                            "Export Entries", MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2);
    if (answer != IDYES) return;
    std::optional<FileToSave> chosen =
        askFileToSave(owner, L"Export Entries", kExportTypes, L"Vellumkeep entries.csv", L"csv");
    if (!chosen) return;
    const std::wstring& path = chosen->path;
    const auto type = chosen->type == 1 ? vault::CsvExportType::WebBrowser : vault::CsvExportType::Vellumkeep;
    if (std::string what = protectedFileAt(*this, path); !what.empty()) {
        messageBox(owner,
                   "Vellumkeep will not export the entries to:\r\n\r\n" + displayText(path) + "\r\n\r\nThat file is " +
                       what + ", which the export would replace.  Choose another name or folder.",
                   "Export Entries", MB_OK | MB_ICONWARNING);
        return;
    }
    const vault::EntryList& entries = vault_.entries();
    auto content = [&](const vault::PieceWriter& write) {
        vault::IoResult written;
        vault::CsvExportWriter csv(
            codePageToUtf8Secret,
            [&](std::string_view piece) {
                written = write(piece);
                return written.succeeded();
            },
            type);
        for (size_t i = 0; i < entries.count() && written.succeeded(); ++i) csv.add(entries.at(i));
        csv.finish();
        return written;
    };
    vault::IoResult exported = vault_.files().replaceAtomically(path, vault::temporaryPathFor(path), content,
                                                                vault::TemporaryCopy::RemovedIfKilled);
    if (exported.failed()) {
        messageBox(owner,
                   "Vellumkeep could not export the entries to:\r\n\r\n" + displayText(path) + "\r\n\r\n" +
                       exported.error().reason + "\r\n\r\nNo file was written or changed.",
                   "Export Entries", MB_OK | MB_ICONWARNING);
        return;
    }
    host_.setStatusText("Exported " + plural(entries.count(), "entry", "entries") + " to " + displayText(path));
}

}  // namespace vk
