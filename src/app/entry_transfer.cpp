#include "app/entry_transfer.h"

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/program.h"
#include "app/vault_operations.h"
#include "platform/app_info.h"
#include "platform/file_dialogs.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "vault/entry_csv.h"
#include "vault/vault_store.h"

namespace vk {
namespace {

using namespace std::string_literals;

const std::wstring kCsvFilter = L"CSV files (*.csv)\0*.csv\0Text files (*.txt)\0*.txt\0All files (*.*)\0*.*\0"s;
constexpr size_t kSkippedRowsNamed = 5;

// Why rows were skipped, as the message counts them.
const char* countedReason(vault::CsvSkipReason reason) {
    switch (reason) {
    case vault::CsvSkipReason::UnclosedQuote: return "with a quote that is never closed";
    case vault::CsvSkipReason::NoUsernameOrPassword: return "without a username or a password";
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

// What the import did: how many entries it added, how many rows it skipped and why, and the first
// few of those rows by their line in the file.
std::string importReport(const std::wstring& path, const vault::CsvImport& result, bool saved) {
    std::string text = "Imported " + plural(result.entries.size(), "entry", "entries") + " from:\r\n\r\n" +
                       displayText(path);
    if (!result.entries.empty() && !saved) text += "\r\n\r\nThey are in the list, but not saved yet.";
    if (result.skipped.empty()) return text;
    text += "\r\n\r\nSkipped " + plural(result.skipped.size(), "row", "rows") + ":";
    for (size_t reason = 0; reason < vault::kCsvSkipReasons; ++reason)
        if (size_t count = result.skippedCounts[reason])
            text += "\r\n    " + std::to_string(count) + " " + countedReason(static_cast<vault::CsvSkipReason>(reason));
    text += "\r\n";
    for (size_t i = 0; i < result.skipped.size() && i < kSkippedRowsNamed; ++i) {
        const vault::CsvSkippedRow& row = result.skipped[i];
        text += "\r\nLine " + std::to_string(row.line) + " " + std::string(vault::csvSkipReasonText(row.reason));
        text += row.detail.empty() ? "." : ": " + row.detail;
    }
    if (result.skipped.size() > kSkippedRowsNamed)
        text += "\r\n(and " + plural(result.skipped.size() - kSkippedRowsNamed, "more row", "more rows") + ")";
    return text;
}

void refuseImport(Program& app, HWND owner, const std::wstring& path, const std::string& why) {
    messageBox(owner,
               "Vellumkeep cannot import the entries of:\r\n\r\n" + displayText(path) + "\r\n\r\n" + why +
                   "\r\n\r\nNothing was imported.",
               app.appTitle(), MB_OK | MB_ICONWARNING);
}

// The file's bytes, or nothing when it is too big or cannot be read (the user was told why).
std::optional<std::string> readImportFile(Program& app, HWND owner, const std::wstring& path) {
    const unsigned long long size = fileSizeOf(path).value_or(0);
    if (size > vault::kMaxCsvImportBytes) {
        refuseImport(app, owner, path,
                     "The file is " + sizeText(size) + ": larger than any export of passwords, which Vellumkeep "
                     "reads up to " + std::to_string(vault::kMaxCsvImportBytes >> 20) + " MB.");
        return std::nullopt;
    }
    std::string bytes;
    vault::IoResult read = app.env.files->readAll(path, bytes);
    if (read.failed()) {
        refuseImport(app, owner, path, read.error().reason);
        return std::nullopt;
    }
    return bytes;
}

vault::CsvImport importFrom(Program& app, std::string_view bytes) {
    const vault::EntryList& entries = app.vaultSession.entries();
    std::vector<vault::EntryView> existing;
    existing.reserve(entries.count());
    for (size_t i = 0; i < entries.count(); ++i) existing.push_back(entries.at(i));
    return vault::importEntriesCsv(bytes, existing, [](std::string_view utf8) -> std::optional<std::string> {
        AnsiText text = utf8ToCodePage(utf8);
        if (!text.complete) return std::nullopt;
        return std::move(text.text);
    });
}

// What a file the export must never replace is to the user: the vault (by any of its names), the
// copy a save writes beside it, and the program's own files. Empty for any other file.
std::string protectedFileAt(Program& app, const std::wstring& path) {
    const vault::Path vaultPath = app.vaultSession.path();
    vault::Path vaultTarget;
    if (app.env.files->finalPath(vaultPath, vaultTarget).failed()) vaultTarget = vaultPath;
    const struct {
        std::wstring file;
        const char* what;
    } kept[] = {
        {vaultPath, "Vellumkeep's vault"},
        {vault::temporaryPathFor(vaultTarget), "the copy of the vault that each save writes"},
        {executablePath(), "Vellumkeep itself"},
        {app.env.app.folder + L"\\Help.rtf", "Vellumkeep's help"},
    };
    for (const auto& file : kept)
        if (sameFile(path, file.file)) return file.what;
    return {};
}

}  // namespace

void importEntries(Program& app, HWND owner) {
    std::optional<std::wstring> path = askFileToOpen(owner, L"Import Entries", kCsvFilter);
    if (!path) return;
    vault::CsvImport result;
    try {
        std::optional<std::string> bytes = readImportFile(app, owner, *path);
        if (!bytes) return;
        result = importFrom(app, *bytes);
    } catch (const std::bad_alloc&) {
        refuseImport(app, owner, *path, "There is not enough memory to read it.");
        return;
    } catch (const std::length_error&) {
        refuseImport(app, owner, *path, "There is not enough memory to read it.");
        return;
    }
    if (result.problem != vault::CsvFileProblem::None) {
        refuseImport(app, owner, *path, std::string(vault::csvFileProblemText(result.problem)));
        return;
    }
    const size_t count = result.entries.size();
    bool saved = true;
    if (count > 0) {
        app.mainWindow.entryList.addInOneChange(
            vault::entryTableOf(count, [&](size_t i) { return result.entries[i]; }));
        saved = saveVault(app, owner);
        if (saved) app.mainWindow.setStatusText("Imported " + plural(count, "entry", "entries") + ".  " +
                                                app.mainWindow.statusText());
    } else {
        app.mainWindow.setStatusText("No entries imported.");
    }
    messageBox(owner, importReport(*path, result, saved), "Import Entries", MB_OK | MB_ICONINFORMATION);
}

void exportEntries(Program& app, HWND owner) {
    int answer = messageBox(owner,
                            "The exported file will hold every password in plain text, readable by anyone who "
                            "gets a copy of it.\r\n\r\nExport anyway?",
                            "Export Entries", MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2);
    if (answer != IDYES) return;
    std::optional<std::wstring> path =
        askFileToSave(owner, L"Export Entries", kCsvFilter, L"Vellumkeep entries.csv", L"csv");
    if (!path) return;
    if (std::string what = protectedFileAt(app, *path); !what.empty()) {
        messageBox(owner,
                   "Vellumkeep will not export the entries to:\r\n\r\n" + displayText(*path) + "\r\n\r\nThat file is " +
                       what + ", which the export would replace.  Choose another name or folder.",
                   "Export Entries", MB_OK | MB_ICONWARNING);
        return;
    }
    const vault::EntryList& entries = app.vaultSession.entries();
    auto content = [&](const vault::PieceWriter& write) {
        vault::IoResult written;
        vault::CsvExportWriter csv(codePageToUtf8, [&](std::string_view piece) {
            written = write(piece);
            return written.succeeded();
        });
        for (size_t i = 0; i < entries.count() && written.succeeded(); ++i) csv.add(entries.at(i));
        csv.finish();
        return written;
    };
    vault::IoResult exported =
        app.env.files->replaceAtomically(*path, vault::temporaryPathFor(*path), content,
                                         vault::TemporaryCopy::RemovedIfKilled);
    if (exported.failed()) {
        messageBox(owner,
                   "Vellumkeep could not export the entries to:\r\n\r\n" + displayText(*path) + "\r\n\r\n" +
                       exported.error().reason + "\r\n\r\nNo file was written or changed.",
                   "Export Entries", MB_OK | MB_ICONWARNING);
        return;
    }
    app.mainWindow.setStatusText("Exported " + plural(entries.count(), "entry", "entries") + " to " +
                                 displayText(*path));
}

}  // namespace vk
