// The entry list under Wine with a full vault: filling and painting the real list of the main
// window against a bare virtual list view, sorting by a header click, and the program's peak
// working set. Prints one figure a line as "name: value".
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/branding.h"
#include "app/program.h"
#include "platform/process.h"
#include "platform/text.h"
#include "platform/window.h"
#include "sample_vault.h"
#include "vault/vault_store.h"

namespace {

constexpr int kRounds = 9;
const std::string kMaster = "correct horse battery staple";

double now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A folder of its own under the temporary folder, removed at the end.
struct Folder {
    std::filesystem::path path;
    explicit Folder(const std::string& name) {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        path = std::filesystem::path(base) / (name + "-" + std::to_string(GetCurrentProcessId()));
        std::filesystem::create_directories(path);
    }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

void writeSampleVault(const std::filesystem::path& folder) {
    std::ofstream out(std::filesystem::path(vk::vault::vaultPathIn(folder)), std::ios::binary);
    out << vk::bench::sampleVault(kMaster, vk::bench::kBenchEntries);
}

void paint(HWND hwnd) {
    InvalidateRect(hwnd, nullptr, TRUE);
    UpdateWindow(hwnd);
    GdiFlush();
}

// A plain virtual report list showing the same texts, as cheaply as a list can be fed.
class BareList {
public:
    BareList(const vk::vault::EntryTable& table, RECT place, HFONT font) {
        for (size_t i = 0; i < table.size(); ++i)
            for (std::string_view field : {table[i].username, table[i].password, table[i].location})
                texts_.push_back(vk::widen(std::string(field)));
        WNDCLASSW wc{};
        wc.lpfnWndProc = &BareList::frameProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VellumkeepBenchFrame";
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        RegisterClassW(&wc);
        frame_ = CreateWindowExW(0, wc.lpszClassName, L"Bare list", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                 place.right + 40, place.bottom + 60, nullptr, nullptr, wc.hInstance, this);
        SetWindowLongPtrW(frame_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        list_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                                WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS, place.left,
                                place.top, place.right - place.left, place.bottom - place.top, frame_, nullptr,
                                wc.hInstance, nullptr);
        SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER);
        const wchar_t* headers[] = {L"Username", L"Password", L"Website/Location"};
        int widths[] = {156, 158, 273};
        for (int i = 0; i < 3; ++i) {
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH;
            column.pszText = const_cast<wchar_t*>(headers[i]);
            column.cx = widths[i];
            SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
        }
    }
    ~BareList() { DestroyWindow(frame_); }
    HWND list() const { return list_; }
    void setCount(size_t count) { ListView_SetItemCountEx(list_, static_cast<int>(count), 0); }

private:
    static LRESULT CALLBACK frameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<BareList*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == LVN_GETDISPINFOW) {
            auto* info = reinterpret_cast<NMLVDISPINFOW*>(lParam);
            if (info->item.mask & LVIF_TEXT) {
                const std::wstring& text = self->texts_[static_cast<size_t>(info->item.iItem) * 3 +
                                                        static_cast<size_t>(info->item.iSubItem)];
                lstrcpynW(info->item.pszText, text.c_str(), info->item.cchTextMax);
            }
            return 0;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    std::vector<std::wstring> texts_;
    HWND frame_ = nullptr;
    HWND list_ = nullptr;
};

// The program itself, logged in to a full vault, with its window on the screen.
std::unique_ptr<vk::Program> startLoggedIn(const std::filesystem::path& folder) {
    vk::Environment env = vk::Environment::real();
    env.App.Path = folder;
    env.settings.root = "Software\\Vellumkeep Bench\\" + std::to_string(GetCurrentProcessId());
    env.endProgram = [] {};
    auto program = std::make_unique<vk::Program>(std::move(env));
    vk::applyBranding(*program);
    program->Form1.load();
    program->frmPass.txtPass->setText(kMaster);
    program->frmPass.cmdOK_Click();
    vk::doEvents();
    return program;
}

struct ListFigures {
    double fill, bareFill, sort;
};

ListFigures measureList() {
    Folder folder("vellumkeep-list-bench");
    writeSampleVault(folder.path);
    auto program = startLoggedIn(folder.path);
    vk::MainWindow& form = program->Form1;
    HWND list = form.lstPass.hwnd();
    vk::vault::VaultStore store(*program->env.files, vk::vault::vaultPathIn(folder.path));

    RECT place{};
    GetWindowRect(list, &place);
    MapWindowPoints(HWND_DESKTOP, form.hwnd(), reinterpret_cast<POINT*>(&place), 2);
    vk::vault::EntryTable sample;
    store.loadEntries(sample);
    BareList bare(sample, place, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));

    std::vector<double> fills, bareFills;
    for (int round = 0; round < kRounds; ++round) {
        vk::vault::EntryTable table;
        store.loadEntries(table);
        form.lstPass.clear();
        paint(list);
        double t0 = now();
        form.lstPass.addAll(std::move(table));
        paint(list);
        double t1 = now();
        fills.push_back(t1 - t0);

        bare.setCount(0);
        paint(bare.list());
        double t2 = now();
        bare.setCount(sample.size());
        paint(bare.list());
        bareFills.push_back(now() - t2);
        vk::doEvents();
    }

    std::vector<double> sorts;
    for (int click = 0; click < kRounds; ++click) {
        int column = click % 3 + 1;
        double t0 = now();
        form.lstPass_ColumnClick(column);
        paint(list);
        sorts.push_back(now() - t0);
        vk::doEvents();
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, program->env.settings.root.c_str());
    return {median(fills), median(bareFills), median(sorts)};
}

HWND waitForWindow(DWORD pid, const std::wstring& caption, int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 50) {
        HWND found = nullptr;
        for (HWND hwnd = FindWindowExW(nullptr, nullptr, nullptr, caption.c_str()); hwnd;
             hwnd = FindWindowExW(nullptr, hwnd, nullptr, caption.c_str())) {
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner == pid && IsWindowVisible(hwnd)) found = hwnd;
        }
        if (found) return found;
        Sleep(50);
    }
    return nullptr;
}

HWND childWithText(HWND parent, const wchar_t* className, const wchar_t* text) {
    return FindWindowExW(parent, nullptr, className, text);
}

// Starts the real program beside a full vault, logs in as a person would, and reads its peak
// working set once the entries are on the screen.
double programPeakWorkingSetMb(const std::filesystem::path& exe) {
    Folder folder("vellumkeep-memory-bench");
    writeSampleVault(folder.path);
    std::filesystem::path copy = folder.path / "Vellumkeep.exe";
    std::filesystem::copy_file(exe, copy);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::wstring commandLine = L"\"" + copy.native() + L"\"";
    if (!CreateProcessW(copy.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.path.c_str(), &startup, &process))
        return -1;
    double peak = -1;
    HWND dialog = waitForWindow(process.dwProcessId, L"Password Required", 30000);
    if (dialog) {
        HWND box = childWithText(dialog, L"Edit", nullptr);
        SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(vk::widen(kMaster).c_str()));
        PostMessageW(childWithText(dialog, L"Button", L"Ok"), BM_CLICK, 0, 0);
        if (HWND main = waitForWindow(process.dwProcessId, L"Vellumkeep by Quorrindale", 30000)) {
            Sleep(1500);  // let it paint and settle
            PROCESS_MEMORY_COUNTERS counters{};
            counters.cb = sizeof counters;
            if (GetProcessMemoryInfo(process.hProcess, &counters, sizeof counters))
                peak = static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
            PostMessageW(main, WM_CLOSE, 0, 0);
        }
    }
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return peak;
}

}  // namespace

int main(int argc, char** argv) {
    OleInitialize(nullptr);
    vk::initializeWindowing();
    if (argc > 1) {
        double peak = programPeakWorkingSetMb(std::filesystem::path(vk::widen(argv[1])));
        std::printf("peak_working_set_mb: %.1f\n", peak);
    }
    ListFigures figures = measureList();
    std::printf("list_fill_ms: %.2f\n", figures.fill);
    std::printf("list_fill_bare_ms: %.2f\n", figures.bareFill);
    std::printf("list_fill_ratio: %.2f\n", figures.fill / figures.bareFill);
    std::printf("list_sort_ms: %.1f\n", figures.sort);
    return 0;
}
