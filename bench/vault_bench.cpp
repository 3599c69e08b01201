// Loading and saving a full vault against the least the machine must do with the same bytes: a
// load runs from the file's bytes to the rows the list shows (lines and fields cut, the list's
// rows built, the first screenful read), against reading and unscrambling the file; a save writes
// the content from the list and replaces the file atomically, against writing, flushing and
// renaming the same bytes, already made. Many alternating rounds, medians. Prints one figure a line as
// "name: value" for 32,766 and 100,000 entries. Last, an import of a CSV export of the same
// entries into an empty list, saved once, against a plain save of the vault it makes. Then, through
// the open vault as the program uses it, a save that first keeps the vault as an earlier version,
// and a merge with another program's save that changed 1,000 entries (read, merged, the earlier
// version kept, saved), each against a plain save of the open vault. Built natively (the POSIX file
// store) and for Windows (the file store the program ships with, run under Wine), whose figures
// carry "wine_".
#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "vault_samples.h"
#include "vault/entry_csv.h"
#include "vault/entry_list.h"
#include "sample_vault.h"
#include "vault/vault_session.h"
#include "vault/vault_store.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 61;
constexpr size_t kScreenful = 25;  // rows the list shows at once

// A load or save that fails would time nothing worth printing: say what failed and stop.
void mustSucceed(const vk::vault::IoResult& result, const char* what) {
    if (result.succeeded()) return;
    std::fprintf(stderr, "vault_bench: %s failed: %s\n", what, result.error().reason.c_str());
    std::exit(1);
}

double milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Runs each contender once a round, alternating, so that both see the same machine.
std::pair<double, double> race(const std::function<void()>& ours, const std::function<void()>& bare) {
    std::vector<double> a, b;
    for (int round = 0; round < kRounds; ++round) {
        auto t0 = Clock::now();
        ours();
        auto t1 = Clock::now();
        bare();
        auto t2 = Clock::now();
        a.push_back(milliseconds(t1 - t0));
        b.push_back(milliseconds(t2 - t1));
    }
    return {median(a), median(b)};
}

#ifdef _WIN32
constexpr const char* kPrefix = "wine_";

std::string readAndXor(const std::filesystem::path& path) {
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    LARGE_INTEGER size{};
    GetFileSizeEx(file, &size);
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(file);
    for (char& c : bytes) c = static_cast<char>(c ^ 0x80);
    return bytes;
}

void writeFlushRename(const std::filesystem::path& target, const std::string& bytes) {
    std::filesystem::path temporary = target.native() + L".bare";
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    FlushFileBuffers(file);
    CloseHandle(file);
    MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

unsigned long processId() { return GetCurrentProcessId(); }
#else
constexpr const char* kPrefix = "";

std::string readAndXor(const std::filesystem::path& path) {
    std::string bytes;
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) return bytes;
    bytes.resize(static_cast<size_t>(lseek(fd, 0, SEEK_END)));
    lseek(fd, 0, SEEK_SET);
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = read(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    close(fd);
    for (char& c : bytes) c = static_cast<char>(c ^ 0x80);
    return bytes;
}

void writeFlushRename(const std::filesystem::path& target, const std::string& bytes) {
    std::filesystem::path temporary = target.string() + ".bare";
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) return;
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    fsync(fd);
    close(fd);
    std::rename(temporary.c_str(), target.c_str());
    // A rename lasts only once its folder is on disk too: the least a durable replace takes here.
    int folder = open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
}

unsigned long processId() { return static_cast<unsigned long>(getpid()); }
#endif

// The open vault on the file at `vault`, as the program has it after the master password.
std::unique_ptr<vk::vault::VaultSession> openVault(const std::filesystem::path& vault, const std::string& master) {
    auto session = std::make_unique<vk::vault::VaultSession>(vk::vault::realFileSystem(), vault,
                                                             &vk::vault::simpleCollationKey, nullptr);
    vk::vault::VaultFound found;
    mustSucceed(session->inspect(found), "an inspection");
    vk::vault::OpenOutcome outcome;
    mustSucceed(session->open(master, outcome), "an open");
    if (outcome != vk::vault::OpenOutcome::Opened) mustSucceed(vk::vault::IoError{0, "not opened", {}}, "an open");
    return session;
}

void writeWhole(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// A save that keeps an earlier version first, and a merge with another program's save of 1,000
// changed entries, against a plain save of the open vault; each round starts from the same files.
void measureVersionsAndMerge(const std::filesystem::path& vault, const std::string& master, const std::string& content,
                             const std::function<void(const char*, double, int)>& print) {
    std::vector<vk::vault::Entry> changed = vk::vault::entriesOf(content);
    constexpr size_t kChanges = 1000;
    for (size_t i = 0; i < kChanges; ++i) changed[i * changed.size() / kChanges].password += "-changed";
    vk::vault::SavedVaultBuilder theirs(master, changed.size());
    for (const vk::vault::Entry& entry : changed) theirs.add(entry);
    const std::string theirContent = theirs.finish();

    std::vector<double> plain, keeping, merging;
    vk::vault::Seconds now = 1800000000;
    for (int round = 0; round < kRounds; ++round) {
        writeWhole(vault, content);
        std::unique_ptr<vk::vault::VaultSession> session = openVault(vault, master);
        mustSucceed(session->save(), "a first save");  // as a session of edits saves: its room made
        auto t0 = Clock::now();
        mustSucceed(session->save(), "a plain save");
        auto t1 = Clock::now();
        bool kept = false;
        mustSucceed(session->keepVersion(++now, true, kept), "keeping a version");
        mustSucceed(session->save(), "a save");
        auto t2 = Clock::now();
        session->entries().add(vk::vault::Entry{"ours", "a change here", "www.example.com"});
        session->markUnsaved();
        writeWhole(vault, theirContent);  // another program's save, which the merge starts from
        auto t3 = Clock::now();
        bool differs = false;
        vk::vault::ChangedFile file;
        mustSucceed(session->readChangedFile(differs, file), "reading the changed file");
        session->takeChangedFile(std::move(file));
        mustSucceed(session->keepVersion(++now, true, kept), "keeping a version");
        mustSucceed(session->save(), "saving the merge");
        auto t4 = Clock::now();
        plain.push_back(milliseconds(t1 - t0));
        keeping.push_back(milliseconds(t2 - t1));
        merging.push_back(milliseconds(t4 - t3));
    }
    print("vault_session_save_ms", median(plain), 3);
    print("vault_save_keeping_version_ms", median(keeping), 3);
    print("vault_save_keeping_version_ratio", median(keeping) / median(plain), 2);
    print("vault_merge_1000_changes_and_save_ms", median(merging), 3);
    print("vault_merge_ratio", median(merging) / median(plain), 2);
}

void measure(size_t entries) {
    namespace fs = std::filesystem;
    fs::path folder = fs::temp_directory_path() / ("vellumkeep-bench-" + std::to_string(processId()));
    fs::create_directories(folder);
    fs::path vault = vk::vault::vaultPathIn(folder);
    const std::string master = "correct horse battery staple";
    std::string content = vk::bench::sampleVault(master, entries);
    {
        std::ofstream out(vault, std::ios::binary);
        out << content;
    }

    vk::vault::VaultStore store(vk::vault::realFileSystem(), vault);
    size_t loaded = 0, shownBytes = 0;
    auto [load, bareLoad] = race(
        [&] {
            vk::vault::EntryTable table;
            mustSucceed(store.loadEntries(table), "a load");
            vk::vault::EntryList list(&vk::vault::simpleCollationKey);
            list.addAll(std::move(table));
            loaded = list.count();
            for (size_t row = 0; row < std::min(kScreenful, list.count()); ++row)
                for (int column = 0; column < vk::vault::EntryList::kColumns; ++column)
                    shownBytes += vk::vault::EntryList::field(list.at(row), column).size();
        },
        [&] { readAndXor(vault); });

    vk::vault::EntryList list(&vk::vault::simpleCollationKey);
    {
        vk::vault::EntryTable table;
        mustSucceed(store.loadEntries(table), "a load");
        list.addAll(std::move(table));
    }
    fs::path bareTarget = folder / "bare.enc";
    auto [save, bareSave] = race(
        [&] {
            mustSucceed(store.saveVault([&](const vk::vault::PieceWriter& write) {
                return vk::vault::writeVaultContent(master, list, write);
            }),
                        "a save");
        },
        [&] { writeFlushRename(bareTarget, content); });

    // The same entries as another program's export, imported into an empty list and saved.
    std::string csv;
    {
        vk::vault::CsvExportWriter writer([](std::string_view ansi) { return std::string(ansi); },
                                          [&csv](std::string_view piece) {
                                              csv.append(piece);
                                              return true;
                                          });
        for (size_t i = 0; i < list.count(); ++i) writer.add(list.at(i));
        writer.finish();
    }
    const auto asIs = [](std::string_view utf8) -> std::optional<std::string> { return std::string(utf8); };
    size_t imported = 0;
    auto [importAndSave, plainSave] = race(
        [&] {
            vk::vault::CsvText text = vk::vault::csvTextOf(csv);
            vk::vault::CsvImport result =
                vk::vault::importEntriesCsv(text.utf8, vk::vault::guessLayout(text.utf8).layout, {}, asIs);
            vk::vault::EntryList into(&vk::vault::simpleCollationKey);
            into.addInOneChange(
                vk::vault::entryTableOf(result.entries.size(), [&](size_t i) { return result.entries[i]; }));
            imported = into.count();
            mustSucceed(store.saveVault([&](const vk::vault::PieceWriter& write) {
                return vk::vault::writeVaultContent(master, into, write);
            }),
                        "a save");
        },
        [&] {
            mustSucceed(store.saveVault([&](const vk::vault::PieceWriter& write) {
                return vk::vault::writeVaultContent(master, list, write);
            }),
                        "a save");
        });

    std::string suffix(1, '_');
    suffix += std::to_string(entries);
    auto print = [&](const char* name, double value, int decimals) {
        std::printf("%s%s%s: %.*f\n", kPrefix, name, suffix.c_str(), decimals, value);
    };
    print("vault_entries", static_cast<double>(loaded), 0);
    print("vault_bytes", static_cast<double>(content.size()), 0);
    print("vault_load_ms", load, 3);
    print("vault_load_bare_ms", bareLoad, 3);
    print("vault_load_ratio", load / bareLoad, 2);
    print("vault_save_ms", save, 3);
    print("vault_save_bare_ms", bareSave, 3);
    print("vault_save_ratio", save / bareSave, 2);
    print("vault_imported", static_cast<double>(imported), 0);
    print("vault_import_and_save_ms", importAndSave, 3);
    print("vault_import_ratio", importAndSave / plainSave, 2);
    measureVersionsAndMerge(vault, master, content, print);
    fs::remove_all(folder);
}

}  // namespace

int main() {
    for (size_t entries : {vk::bench::kBenchEntries, size_t{100000}}) measure(entries);
    return 0;
}
