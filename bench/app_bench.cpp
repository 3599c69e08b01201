// Times the real Vellumkeep.exe against the bare reference program, both driven from outside as a
// person would drive them: the password typed and "Ok" clicked, header clicks, entries added and
// edited through the editor's Save, deletes confirmed in the box, words typed into the find box key
// by key. Each time runs from the click or key to the moment the list shows the outcome (the
// program has answered and painted). Both programs
// run side by side, each on its half of the screen, and take every step in turn, who goes first
// alternating, so that both meet the same machine; each figure is the median of its samples.
//
//   vk_app_bench [--samples] VELLUMKEEP_EXE REFERENCE_EXE ROUNDS SIZE...
//
// Prints one figure a line as "name: value" for each size. Then Vellumkeep against itself: the
// same vault encrypted and scrambled, opened (Ok -> list shown) and saved (an edit's Save -> list
// shown), side by side; the encrypted open is set against the scrambled open plus the key
// derivation alone, measured here with the system's cryptography. Last, an export of the vault
// (File > Export Entries..., Save -> the status line says it is written) and an import of as many
// new entries again from a CSV file (File > Import Entries..., Open -> its message shown), each
// against a save of the vault the import makes (an edit's Save -> list shown).
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "driver.h"
#include "vault/system_cryptography.h"
#include "sample_vault.h"
#include "vault/encrypted_vault.h"
#include "vault/entry_csv.h"

namespace {

using namespace vk::e2e;

const std::string kMaster = "correct horse battery staple";
constexpr int kDataMenu = 1, kFindItem = 4;
// Typed into the find box key by key, then partly erased.
constexpr wchar_t kFindKeys[] = L"alice bank\b\b\b\b";
constexpr UINT kBusyLimitMs = 10000;
constexpr int kRepeats = 3;  // samples of each change in one run of a program

bool failed(const char* step) {
    std::fprintf(stderr, "app_bench: %s\n", step);
    return false;
}

double now() {
    static const double perMs = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / perMs;
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Waits until the program has handled the message: the handler's whole work is inside the time.
bool sendAndWait(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, message, wParam, lParam, SMTO_BLOCK, kBusyLimitMs, &result) != 0;
}

// Asks again every millisecond: a poll every 15 ms would round every time up to the poll.
bool waitClosely(const std::function<bool()>& done, Duration timeout = 60000ms) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done())
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        else
            Sleep(1);
    return true;
}

// One key, pressed and let go at once, as a person types it: a character, or L'\b' for Backspace.
void sendKey(wchar_t key) {
    INPUT inputs[2]{};
    for (INPUT& input : inputs) input.type = INPUT_KEYBOARD;
    if (key == L'\b') {
        inputs[0].ki.wVk = inputs[1].ki.wVk = VK_BACK;
    } else {
        inputs[0].ki.wScan = inputs[1].ki.wScan = key;
        inputs[0].ki.dwFlags = KEYEVENTF_UNICODE;
        inputs[1].ki.dwFlags = KEYEVENTF_UNICODE;
    }
    inputs[1].ki.dwFlags |= KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
}

// Has the window paint what it has been told to repaint, now; returns when it has.
void paintNow(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

std::wstring widen(const std::string& ansi) {
    return std::wstring(ansi.begin(), ansi.end());
}

// The samples of one program at one size, by figure name.
using Samples = std::map<std::string, std::vector<double>>;

// One run of one program: started, logged in, then driven step by step.
class Session {
public:
    Session(const std::filesystem::path& exe, const std::wstring& mainCaption, Samples& samples)
        : program_(exe), mainCaption_(mainCaption), samples_(samples) {}

    bool logIn(size_t entries);
    // Puts the main window at this place of the screen, out of the other program's way.
    void place(int left);
    bool sort(int column, const char* figure);
    bool add(int i) { return changeThroughEditor(L"Add", L"Add an entry", "added" + std::to_string(i), +1); }
    bool edit(int i) {
        selectMiddleRow();
        return changeThroughEditor(L"Edit", L"Edit an entry", "edited" + std::to_string(i), 0);
    }
    bool deleteMiddleRow();
    // Opens the find box and types `keys` into it one at a time (L'\b' erases), each key timed
    // until the list shows its matches; notes the most memory used while filtered against before.
    bool find(const std::wstring& keys);
    // Imports the CSV file through the File menu and the Open dialog, up to the message that
    // tells what was imported.
    bool importFile(const std::filesystem::path& csv, size_t rows);
    // Exports every entry through the File menu, its warning and the Save dialog, up to the status
    // line that tells the export is written.
    bool exportFile(const std::filesystem::path& csv);
    // Reads the peak working set, after everything, sorts included, and closes the program.
    void finish();

private:
    bool clickHeader(int column);
    bool changeThroughEditor(const wchar_t* button, const wchar_t* editorCaption, const std::string& tag, int grows);
    void selectMiddleRow();
    // A window the program opens centred goes over its own main window instead.
    void keepOverMain(HWND window);
    bool waitForStatus(const std::wstring& text);
    HWND openFindBox();
    // The status line tells how many entries match `typed`, and the list shows that many.
    bool showsMatchesOf(const std::wstring& typed);
    // The program's working set now, in MB; `peak`: the most it ever was.
    double memoryMb(bool peak) const;
    void record(const std::string& name, double start) { samples_[name].push_back(now() - start); }

    RunningProgram program_;
    std::wstring mainCaption_;
    Samples& samples_;
    HWND main_ = nullptr, list_ = nullptr, status_ = nullptr;
};

bool Session::waitForStatus(const std::wstring& text) {
    return waitClosely([&] { return program_.statusText(status_) == text; });
}

bool Session::logIn(size_t entries) {
    if (!program_.started()) return failed("the program did not start");
    HWND dialog = program_.waitForVisibleWindow(kPasswordCaption, 30000ms);
    main_ = program_.window(mainCaption_);
    if (!dialog || !main_) return failed("no password dialog or main window");
    // Start-up settles (the splash goes, the main window hides behind the dialog) before the click.
    if (!waitUntil([&] { return !program_.splash() && !isVisible(main_); }, 10000ms))
        return failed("start-up did not settle");
    pause(300ms);
    HWND box = controlAt(dialog, L"Edit", 0);
    HWND ok = control(dialog, L"Button", L"Ok");
    if (!box || !ok || !setText(box, widen(kMaster))) return failed("cannot type the password");
    list_ = FindWindowExW(main_, nullptr, WC_LISTVIEWW, nullptr);
    status_ = FindWindowExW(main_, nullptr, STATUSCLASSNAMEW, nullptr);
    std::wstring loaded = L"Loaded " + std::to_wstring(entries) + L" entries";
    double start = now();
    click(ok);
    bool shown = waitClosely([&] { return isVisible(main_) && !isVisible(dialog); }, 10000ms) &&
                 waitForStatus(loaded) && listCount(list_) == static_cast<int>(entries);
    paintNow(main_);
    record("open", start);
    return shown || failed("the list was not shown");
}

void Session::place(int left) {
    SetWindowPos(main_, nullptr, left, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    paintNow(main_);
}

void Session::keepOverMain(HWND window) {
    RECT r = windowRect(main_);
    SetWindowPos(window, nullptr, r.left + 40, r.top + 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    paintNow(main_);
}

bool Session::clickHeader(int column) {
    HWND header = reinterpret_cast<HWND>(SendMessageW(list_, LVM_GETHEADER, 0, 0));
    int x = 0;
    for (int i = 0; i < column; ++i) x += static_cast<int>(SendMessageW(list_, LVM_GETCOLUMNWIDTH, i, 0));
    x += static_cast<int>(SendMessageW(list_, LVM_GETCOLUMNWIDTH, column, 0)) / 2;
    LPARAM point = MAKELPARAM(x, windowSize(header).cy / 2);
    // The header's own mouse handling turns the press and release into the list's column click.
    return sendAndWait(header, WM_LBUTTONDOWN, MK_LBUTTON, point) && sendAndWait(header, WM_LBUTTONUP, 0, point);
}

bool Session::sort(int column, const char* figure) {
    double start = now();
    if (!clickHeader(column)) return failed("the header did not answer");
    paintNow(main_);
    record(figure, start);
    return true;
}

void Session::selectMiddleRow() {
    program_.selectListRow(list_, listCount(list_) / 2);
}

bool Session::changeThroughEditor(const wchar_t* button, const wchar_t* editorCaption, const std::string& tag,
                                  int grows) {
    int expected = listCount(list_) + grows;
    click(control(main_, L"Button", button));
    HWND editor = program_.waitForVisibleWindow(editorCaption, 10000ms);
    if (!editor) return failed("no editor");
    keepOverMain(editor);
    std::vector<HWND> boxes = controls(editor, L"Edit");
    if (boxes.size() != 3) return failed("the editor has no three boxes");
    setText(boxes[0], widen("bench." + tag));
    setText(boxes[1], widen("Pw-" + tag + "-x9"));
    setText(boxes[2], widen("www." + tag + ".example"));
    HWND save = control(editor, L"Button", L"Save");
    double start = now();
    bool saved = sendAndWait(save, BM_CLICK) && waitForStatus(L"Added new entry.  Data saved.") &&
                 waitClosely([&] { return !isVisible(editor); }, 10000ms) && listCount(list_) == expected;
    paintNow(main_);
    record(grows ? "add" : "edit", start);
    return saved || failed("the editor did not save");
}

bool Session::deleteMiddleRow() {
    selectMiddleRow();
    int before = listCount(list_);
    click(control(main_, L"Button", L"Delete"));
    HWND box = program_.waitForMessageBox(10000ms);
    if (!box) return failed("no delete question");
    keepOverMain(box);
    double start = now();
    answerMessageBox(box, IDOK);
    // The status line may still say so from the delete before: the row count tells them apart.
    bool deleted = waitClosely([&] {
        return listCount(list_) == before - 1 &&
               program_.statusText(status_) == L"Entry deleted successfully, data saved.";
    });
    paintNow(main_);
    record("delete", start);
    return deleted || failed("the entry was not deleted");
}

bool Session::importFile(const std::filesystem::path& csv, size_t rows) {
    const int expected = listCount(list_) + static_cast<int>(rows);
    chooseMenuItem(main_, kFileMenu, 2);
    HWND dialog = nullptr;
    if (!chooseFile(program_, L"Import Entries", csv.native(), 30000ms, &dialog)) return failed("no Open dialog");
    // The Open dialog takes the system's own time to show and to close: the program's work, and the
    // time, start when it is gone.
    if (!waitClosely([&] { return !IsWindow(dialog); }, 30000ms)) return failed("the Open dialog stayed");
    double start = now();
    HWND report = waitForMessageBoxTitled(program_, L"Import Entries", 60000ms);
    bool imported = report && listCount(list_) == expected;
    paintNow(main_);
    record("import", start);
    if (report) answerMessageBox(report, IDOK);
    return imported || failed("the entries were not imported");
}

bool Session::exportFile(const std::filesystem::path& csv) {
    const std::wstring done = L"Exported " + std::to_wstring(listCount(list_)) + L" entries to ";
    chooseMenuItem(main_, kFileMenu, 3);
    HWND warning = waitForMessageBoxTitled(program_, L"Export Entries", 30000ms);
    if (!warning) return failed("no warning before the export");
    answerMessageBox(warning, IDYES);
    HWND dialog = nullptr;
    if (!chooseFile(program_, L"Export Entries", csv.native(), 30000ms, &dialog)) return failed("no Save dialog");
    if (!waitClosely([&] { return !IsWindow(dialog); }, 30000ms)) return failed("the Save dialog stayed");
    double start = now();
    bool exported = waitClosely([&] { return program_.statusText(status_).starts_with(done); }, 60000ms);
    paintNow(main_);
    record("export", start);
    return exported || failed("the entries were not exported");
}

HWND Session::openFindBox() {
    // The reference keeps its box in its main window; Vellumkeep opens its own through the Data menu.
    if (HWND box = controlAt(main_, L"Edit", 0)) return box;
    chooseMenuItem(main_, kDataMenu, kFindItem);
    HWND window = program_.waitForVisibleWindow(L"Find", 10000ms);
    return window ? controlAt(window, L"Edit", 0) : nullptr;
}

bool Session::showsMatchesOf(const std::wstring& typed) {
    const std::wstring status = program_.statusText(status_);
    const std::wstring quoted = L" \"" + typed + L"\"";
    if (status.size() <= quoted.size() || status.compare(status.size() - quoted.size(), quoted.size(), quoted) != 0)
        return false;
    int count = 0;
    for (wchar_t c : status.substr(0, status.find(L' ')))
        if (c >= L'0' && c <= L'9') count = count * 10 + (c - L'0');
    return listCount(list_) == count;
}

double Session::memoryMb(bool peak) const {
    double mb = 0;
    if (HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, program_.id())) {
        PROCESS_MEMORY_COUNTERS counters{};
        counters.cb = sizeof counters;
        if (GetProcessMemoryInfo(process, &counters, sizeof counters))
            mb = static_cast<double>(peak ? counters.PeakWorkingSetSize : counters.WorkingSetSize) / (1024.0 * 1024.0);
        CloseHandle(process);
    }
    return mb;
}

bool Session::find(const std::wstring& keys) {
    HWND box = openFindBox();
    if (!box || !focusWithMouse(box)) return failed("no find box to type into");
    const double unfiltered = memoryMb(false);
    double most = unfiltered;
    std::wstring typed;
    for (size_t i = 0; i < keys.size(); ++i) {
        const bool erase = keys[i] == L'\b';
        if (erase)
            typed.pop_back();
        else
            typed += keys[i];
        double start = now();
        sendKey(keys[i]);
        bool shown = waitClosely([&] { return showsMatchesOf(typed); });
        paintNow(main_);
        // The first key and each erase widen the search: every entry is looked at again.
        const std::string kind = i == 0 || erase ? "filter_widen" : "filter_narrow";
        for (const std::string& name : {kind, std::string("filter"), "filter@" + std::to_string(i)}) record(name, start);
        if (!shown) return failed("the list did not show the matches");
        most = std::max(most, memoryMb(false));
    }
    samples_["filter_memory"].push_back(most / unfiltered);
    return true;
}

void Session::finish() {
    samples_["memory"].push_back(memoryMb(true));
    closeWindow(main_);
    if (!program_.waitForEnd(10000ms)) program_.terminate();
}

// The setting that opens the help viewer at every start: off while the bench runs, so that
// Vellumkeep shows what the reference shows; put back as it was afterwards.
class HelpAtStartOff {
public:
    HelpAtStartOff() {
        RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key_, nullptr);
        char value[16] = "";
        DWORD size = sizeof value - 1;
        if (RegQueryValueExA(key_, "showHelp", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) == 0)
            old_ = std::string(value, size ? size - 1 : 0);
        RegSetValueExA(key_, "showHelp", 0, REG_SZ, reinterpret_cast<const BYTE*>("0"), 2);
    }
    ~HelpAtStartOff() {
        if (old_)
            RegSetValueExA(key_, "showHelp", 0, REG_SZ, reinterpret_cast<const BYTE*>(old_->c_str()),
                           static_cast<DWORD>(old_->size() + 1));
        else
            RegDeleteValueA(key_, "showHelp");
        RegCloseKey(key_);
    }
    HelpAtStartOff(const HelpAtStartOff&) = delete;
    HelpAtStartOff& operator=(const HelpAtStartOff&) = delete;

private:
    static constexpr const char* kKey = "Software\\VB and VBA Program Settings\\Vellumkeep\\Settings";
    HKEY key_ = nullptr;
    std::optional<std::string> old_;
};

struct Contender {
    std::filesystem::path exe;
    std::wstring mainCaption;
    Samples samples;
    std::string lastVault;
};

// One round: both programs side by side, each step taken by one and then by the other. With
// `changesOnly`, the round only opens and edits (the encryption's figures).
bool runRound(Contender& first, Contender& second, const std::string& firstVault, const std::string& secondVault,
              size_t entries, bool changesOnly = false) {
    AppFolder firstFolder, secondFolder;
    firstFolder.write(L"data.enc", firstVault);
    secondFolder.write(L"data.enc", secondVault);
    bool ok = true;
    {
        Session a(firstFolder.copyIn(first.exe), first.mainCaption, first.samples);
        if (!a.logIn(entries)) return false;
        a.place(0);
        Session b(secondFolder.copyIn(second.exe), second.mainCaption, second.samples);
        if (!b.logIn(entries)) return false;
        b.place(GetSystemMetrics(SM_CXSCREEN) / 2);
        auto both = [&](const std::function<bool(Session&)>& step) { ok = ok && step(a) && step(b); };
        for (int column = 0; column < 3 && !changesOnly; ++column) {
            both([&](Session& s) { return s.sort(column, "sort"); });
            both([&](Session& s) { return s.sort(column, "resort"); });
        }
        for (int i = 0; i < kRepeats && !changesOnly; ++i) both([&](Session& s) { return s.add(i); });
        for (int i = 0; i < kRepeats; ++i) both([&](Session& s) { return s.edit(i); });
        for (int i = 0; i < kRepeats && !changesOnly; ++i) both([&](Session& s) { return s.deleteMiddleRow(); });
        if (!changesOnly) both([&](Session& s) { return s.find(kFindKeys); });
        a.finish();
        b.finish();
    }
    first.lastVault = firstFolder.read(L"data.enc");
    second.lastVault = secondFolder.read(L"data.enc");
    return ok;
}

void print(const std::string& name, double value, int decimals) {
    std::printf("%s: %.*f\n", name.c_str(), decimals, value);
}

bool measure(Contender& ours, Contender& bare, size_t entries, int rounds, bool showSamples) {
    std::string vault = vk::bench::sampleVault(kMaster, entries);
    ours.samples.clear();
    bare.samples.clear();
    bool identical = true;
    for (int round = 0; round < rounds; ++round) {
        // Who goes first alternates, so that neither always meets a warmer machine.
        Contender& first = round % 2 ? bare : ours;
        Contender& second = round % 2 ? ours : bare;
        if (!runRound(first, second, vault, vault, entries)) {
            std::fprintf(stderr, "app_bench: a run at %u entries did not finish\n", static_cast<unsigned>(entries));
            return false;
        }
        identical = identical && ours.lastVault == bare.lastVault;
    }
    std::string suffix = std::to_string(entries);
    suffix.insert(suffix.begin(), '_');
    if (showSamples)
        for (Contender* who : {&ours, &bare})
            for (auto& [name, values] : who->samples) {
                std::fprintf(stderr, "%s %s:", who == &ours ? "ours" : "bare", name.c_str());
                for (double v : values) std::fprintf(stderr, " %.0f", v);
                std::fprintf(stderr, "\n");
            }
    for (const char* figure :
         {"open", "sort", "resort", "add", "edit", "delete", "filter", "filter_narrow", "filter_widen", "memory"}) {
        double a = median(ours.samples[figure]), b = median(bare.samples[figure]);
        bool memory = std::string(figure) == "memory";
        print(std::string(figure) + (memory ? "_mb" : "_ms") + suffix, a, 1);
        print(std::string(figure) + (memory ? "_bare_mb" : "_bare_ms") + suffix, b, 1);
        print(std::string(figure) + "_ratio" + suffix, a / b, 2);
    }
    // The slowest key of the sequence (its median over the rounds), and memory while filtered.
    double worst = 0, worstBare = 0;
    for (size_t i = 0; i + 1 < std::size(kFindKeys); ++i) {
        worst = std::max(worst, median(ours.samples["filter@" + std::to_string(i)]));
        worstBare = std::max(worstBare, median(bare.samples["filter@" + std::to_string(i)]));
    }
    print("filter_worst_ms" + suffix, worst, 1);
    print("filter_worst_bare_ms" + suffix, worstBare, 1);
    print("filter_worst_ratio" + suffix, worst / worstBare, 2);
    print("filter_memory_ratio" + suffix, median(ours.samples["filter_memory"]), 2);
    print("filter_memory_bare_ratio" + suffix, median(bare.samples["filter_memory"]), 2);
    std::printf("saved_files_identical%s: %s\n", suffix.c_str(), identical ? "yes" : "no");
    return identical;
}

// The key derivation alone, as an encrypted vault's open makes it: the median of a few.
double keyDerivationMs() {
    vk::vault::SystemCryptography crypto;
    std::array<std::uint8_t, vk::vault::kKeySize> key{};
    std::vector<double> samples;
    for (int i = 0; i < kRepeats; ++i) {
        double start = now();
        crypto.pbkdf2HmacSha256(kMaster, key, vk::vault::kDefaultIterations, key);
        samples.push_back(now() - start);
    }
    return median(samples);
}

// The same vault encrypted and scrambled, in Vellumkeep both: what encryption adds to an open and
// to a save.
bool measureEncryption(const Contender& ours, size_t entries, int rounds, double derivationMs) {
    vk::vault::SystemCryptography crypto;
    vk::vault::KeysResult keys = vk::vault::makeFreshVaultKeys(crypto, kMaster);
    if (!keys.keys) return failed("no keys for the encrypted vault");
    const std::string scrambledVault = vk::bench::sampleVault(kMaster, entries);
    // An encrypted vault seals the scrambled lines, with an empty first line for the password.
    const std::string encryptedVault = vk::vault::encryptVault(crypto, *keys.keys, vk::bench::sampleVault("", entries)).fileBytes;
    Contender scrambled{ours.exe, ours.mainCaption, {}, {}}, encrypted{ours.exe, ours.mainCaption, {}, {}};
    for (int round = 0; round < rounds; ++round) {
        bool ok = round % 2 ? runRound(encrypted, scrambled, encryptedVault, scrambledVault, entries, true)
                            : runRound(scrambled, encrypted, scrambledVault, encryptedVault, entries, true);
        if (!ok) return failed("an encryption round did not finish");
    }
    if (!vk::vault::isEncryptedVault(encrypted.lastVault)) return failed("the encrypted vault was saved scrambled");
    std::string suffix = "_";
    suffix += std::to_string(entries);
    const double open = median(encrypted.samples["open"]), plainOpen = median(scrambled.samples["open"]);
    const double save = median(encrypted.samples["edit"]), plainSave = median(scrambled.samples["edit"]);
    print("encrypted_open_ms" + suffix, open, 1);
    print("scrambled_open_ms" + suffix, plainOpen, 1);
    print("encrypted_open_ratio" + suffix, open / (plainOpen + derivationMs), 2);
    print("encrypted_save_ms" + suffix, save, 1);
    print("scrambled_save_ms" + suffix, plainSave, 1);
    print("encrypted_save_ratio" + suffix, save / plainSave, 2);
    return true;
}

// Vellumkeep exporting its vault, then importing as many entries again as it holds, from another
// program's export; each against the save of the vault the import makes.
bool measureImport(const Contender& ours, size_t entries, int rounds) {
    const std::string vault = vk::bench::sampleVault(kMaster, entries);
    std::string csv;
    vk::vault::CsvExportWriter writer([](std::string_view ansi) { return std::string(ansi); },
                                      [&csv](std::string_view piece) {
                                          csv.append(piece);
                                          return true;
                                      });
    for (vk::vault::Entry entry : vk::bench::sampleEntries(entries)) {
        entry.username = "imported." + entry.username;  // none of them is in the vault yet
        writer.add(entry);
    }
    writer.finish();
    Contender importer{ours.exe, ours.mainCaption, {}, {}};
    for (int round = 0; round < rounds; ++round) {
        AppFolder folder;
        folder.write(L"data.enc", vault);
        folder.write(L"export.csv", csv);
        Session session(folder.copyIn(importer.exe), importer.mainCaption, importer.samples);
        bool ok = session.logIn(entries) && session.exportFile(folder.path() / L"exported.csv") &&
                  session.importFile(folder.path() / L"export.csv", entries);
        for (int i = 0; ok && i < kRepeats; ++i) ok = session.edit(i);
        session.finish();
        if (!ok) return failed("an import round did not finish");
    }
    std::string suffix = "_";
    suffix += std::to_string(entries);
    const double import = median(importer.samples["import"]), save = median(importer.samples["edit"]);
    print("import_ms" + suffix, import, 1);
    print("import_save_ms" + suffix, save, 1);
    print("import_ratio" + suffix, import / save, 2);
    const double exportMs = median(importer.samples["export"]);
    print("export_ms" + suffix, exportMs, 1);
    print("export_ratio" + suffix, exportMs / save, 2);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // With --samples first, every sample goes to the standard error as well.
    bool showSamples = argc > 1 && std::string(argv[1]) == "--samples";
    if (showSamples) {
        --argc;
        ++argv;
    }
    if (argc < 5) {
        std::fprintf(stderr, "usage: vk_app_bench [--samples] VELLUMKEEP_EXE REFERENCE_EXE ROUNDS SIZE...\n");
        return 2;
    }
    HelpAtStartOff noHelp;
    Contender ours{std::filesystem::path(argv[1]), kMainCaption, {}, {}};
    Contender bare{std::filesystem::path(argv[2]), L"Bare reference", {}, {}};
    int rounds = std::max(1, std::atoi(argv[3]));
    bool ok = true;
    for (int i = 4; i < argc; ++i) ok = measure(ours, bare, static_cast<size_t>(std::atoll(argv[i])), rounds, showSamples) && ok;
    const double derivationMs = keyDerivationMs();
    print("key_derivation_ms", derivationMs, 1);
    for (int i = 4; i < argc; ++i) ok = measureEncryption(ours, static_cast<size_t>(std::atoll(argv[i])), rounds, derivationMs) && ok;
    for (int i = 4; i < argc; ++i) ok = measureImport(ours, static_cast<size_t>(std::atoll(argv[i])), rounds) && ok;
    std::fflush(stdout);
    return ok ? 0 : 1;
}
