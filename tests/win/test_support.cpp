#include "test_support.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/process.h"
#include "platform/text.h"
#include "vault_samples.h"
#include "vault/vault_format.h"

namespace vk::vault {
void PrintTo(const Entry& entry, std::ostream* out) {
    *out << "{" << entry.username << ", " << entry.password << ", " << entry.location << "}";
}
}  // namespace vk::vault

namespace vk::test {
namespace {

MessageBoxes* activeBoxes = nullptr;  // the tests run on one thread, one answerer at a time
int folderCounter = 0;

}  // namespace

TempFolder::TempFolder(const std::wstring& prefix) {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    for (;;) {
        std::filesystem::path candidate = std::filesystem::path(base) /
                                          (prefix + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                           std::to_wstring(++folderCounter));
        if (CreateDirectoryW(candidate.c_str(), nullptr)) {
            path_ = candidate;
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("cannot create a temporary folder");
    }
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path_, ignored))
        SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    std::filesystem::remove_all(path_, ignored);
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool pathExists(const std::filesystem::path& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string hex(const std::string& bytes) {
    std::string out;
    char buffer[4];
    for (unsigned char c : bytes) {
        std::snprintf(buffer, sizeof buffer, out.empty() ? "%02X" : " %02X", c);
        out += buffer;
    }
    return out;
}

void pumpPending() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        dispatchMessage(msg);
    }
}

void pumpFor(int ms) {
    DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    do {
        pumpPending();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (static_cast<int>(end - GetTickCount()) > 0);
    pumpPending();
}

bool pumpUntil(const std::function<bool()>& done, int timeoutMs) {
    DWORD end = GetTickCount() + static_cast<DWORD>(timeoutMs);
    for (;;) {
        pumpPending();
        if (done()) return true;
        if (static_cast<int>(end - GetTickCount()) <= 0) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

std::string largeVault(const std::string& master, size_t count, unsigned seed) {
    unsigned state = seed * 2654435761u + 1;
    auto text = [&state](size_t length) {
        std::string out;
        for (size_t i = 0; i < length; ++i) {
            state = state * 1103515245u + 12345u;
            out.push_back(static_cast<char>('a' + (state >> 16) % 26));
        }
        return out;
    };
    vault::SavedVaultBuilder builder(master, count);
    for (size_t i = 0; i < count; ++i)
        builder.add(vault::Entry{text(8 + i % 9), text(12 + i % 7), "www." + text(6 + i % 11) + ".com"});
    return builder.finish();
}

std::string systemReason(DWORD code) {
    char buffer[512] = "";
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                  MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, sizeof buffer, nullptr);
    std::string reason(buffer, length);
    while (!reason.empty() && (reason.back() == '\r' || reason.back() == '\n')) reason.pop_back();
    return reason;
}

// ---- Other programs ----

ChildProgram::ChildProgram(const std::wstring& arguments) {
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    KernelHandle childInput, childOutput;
    if (!CreatePipe(childInput.put(), input_.put(), &inheritable, 0) ||
        !CreatePipe(output_.put(), childOutput.put(), &inheritable, 0))
        throw std::runtime_error("no pipes");
    SetHandleInformation(input_.get(), HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(output_.get(), HANDLE_FLAG_INHERIT, 0);

    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(program) + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childInput.get();
    startup.hStdOutput = childOutput.get();
    startup.hStdError = childOutput.get();
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info))
        throw std::runtime_error("cannot start the child program");
    process_.reset(info.hProcess);
    KernelHandle thread(info.hThread);
    // Only the child keeps its ends: the pipes then end when it does.
}

ChildProgram::~ChildProgram() {
    closeInput();
    if (process_ && !wait(30000)) kill();
}

bool ChildProgram::waitFor(const std::string& word, DWORD timeoutMs) {
    // Read only what is there: a child that never says the word fails the test in time, instead of
    // keeping it blocked on the pipe until the test runner gives up.
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (said_.find(word) == std::string::npos) {
        DWORD waiting = 0;
        if (!PeekNamedPipe(output_.get(), nullptr, 0, nullptr, &waiting, nullptr)) return false;  // ended
        if (waiting == 0) {
            if (GetTickCount64() > deadline) return false;
            SwitchToThread();  // not a sleep: the moment the word comes matters to a test that kills then
            continue;
        }
        std::string piece(waiting, '\0');
        DWORD got = 0;
        if (!ReadFile(output_.get(), piece.data(), waiting, &got, nullptr)) return false;
        said_.append(piece, 0, got);
    }
    said_.erase(0, said_.find(word) + word.size());
    return true;
}

void ChildProgram::kill() {
    if (!process_) return;
    TerminateProcess(process_.get(), 9);
    WaitForSingleObject(process_.get(), 30000);
}

bool ChildProgram::wait(DWORD ms) {
    return !process_ || WaitForSingleObject(process_.get(), ms) == WAIT_OBJECT_0;
}

void removeWhatAKilledProgramLeft(DWORD processId) {
    // Its folders and settings are named "<process id>-<count>".
    const std::wstring prefix = std::to_wstring(processId) + L"-";
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(base, ignored))
        if (entry.path().filename().native().starts_with(L"vellumkeep-test-" + prefix))
            std::filesystem::remove_all(entry.path(), ignored);
    RegKey tests;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Vellumkeep Tests", 0, KEY_READ | KEY_WRITE, tests.put()) !=
        ERROR_SUCCESS)
        return;
    std::vector<std::wstring> left;
    wchar_t name[256];
    for (DWORD i = 0, size = 256;
         RegEnumKeyExW(tests.get(), i, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS; ++i, size = 256)
        if (std::wstring_view(name).starts_with(prefix)) left.emplace_back(name);
    for (const std::wstring& key : left) RegDeleteTreeW(tests.get(), key.c_str());
}

HeldByAnotherProcess::HeldByAnotherProcess(const std::filesystem::path& path)
    : child_(L"--hold-file \"" + path.native() + L"\"") {
    held_ = child_.waitFor("held");
}

void HeldByAnotherProcess::release() {
    child_.closeInput();
    child_.wait();
}

// ---- Message boxes ----

namespace {

// Only this thread's own boxes: under Wine the hook is also told of other programs' windows.
bool isMessageBox(HWND window) {
    if (GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) return false;
    wchar_t className[16] = L"";
    GetClassNameW(window, className, 16);
    return std::wstring(className) == L"#32770" && GetDlgItem(window, 0xFFFF);
}

void clickLater(HWND box, int button) {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
}

// Fails the running test with what the box says, and closes it with its first button.
void failAndClose(HWND box) {
    ADD_FAILURE() << "Unexpected message box \"" << windowText(box).text
                  << "\": " << windowText(GetDlgItem(box, 0xFFFF)).text;
    clickLater(box, GetDlgItem(box, IDOK) ? IDOK : GetDlgItem(box, IDCANCEL) ? IDCANCEL : IDNO);
}

}  // namespace

MessageBoxWatch::MessageBoxWatch()
    : hook_(SetWindowsHookExW(WH_CBT, &MessageBoxWatch::hook, nullptr, GetCurrentThreadId())) {}

MessageBoxWatch::~MessageBoxWatch() {
    UnhookWindowsHookEx(hook_);
}

LRESULT CALLBACK MessageBoxWatch::hook(int code, WPARAM wParam, LPARAM lParam) {
    auto box = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_DESTROYWND && activeBoxes) activeBoxes->onDestroyed(box);
    if (code == HCBT_ACTIVATE && isMessageBox(box)) {
        if (!activeBoxes)
            failAndClose(box);
        else
            activeBoxes->onBox(box);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

MessageBoxes::MessageBoxes() {
    activeBoxes = this;
}

MessageBoxes::~MessageBoxes() {
    activeBoxes = nullptr;
}

void MessageBoxes::answerAfter(int button, std::function<void()> before) {
    answers_.push_back(button);
    while (befores_.size() + 1 < answers_.size()) befores_.push_back(nullptr);
    befores_.push_back(std::move(before));
}

void MessageBoxes::onDestroyed(HWND window) {
    std::erase(liveBoxes_, window);
}

namespace {

// The button a box's Enter presses, once the box is up: the one that has the focus, or the one
// drawn as the default, or the dialog's default id.
int defaultButtonOf(HWND box) {
    HWND focus = GetFocus();
    if (focus && GetParent(focus) == box && GetDlgCtrlID(focus) >= IDOK && GetDlgCtrlID(focus) <= IDNO)
        return GetDlgCtrlID(focus);
    for (int button : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO}) {
        HWND control = GetDlgItem(box, button);
        if (control && (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) return button;
    }
    const LRESULT id = SendMessageW(box, DM_GETDEFID, 0, 0);
    return HIWORD(id) == DC_HASDEFID ? LOWORD(id) : 0;
}

}  // namespace

void MessageBoxes::onBox(HWND box) {
    if (std::find(liveBoxes_.begin(), liveBoxes_.end(), box) != liveBoxes_.end()) return;
    liveBoxes_.push_back(box);
    SeenBox seen;
    seen.text = windowText(GetDlgItem(box, 0xFFFF)).text;
    seen.wideText = wideWindowText(GetDlgItem(box, 0xFFFF));
    seen.title = windowText(box).text;
    seen.hasOk = GetDlgItem(box, IDOK) != nullptr;
    seen.hasCancel = GetDlgItem(box, IDCANCEL) != nullptr;
    seen.hasRetry = GetDlgItem(box, IDRETRY) != nullptr;
    seen.hasYes = GetDlgItem(box, IDYES) != nullptr;
    seen.hasNo = GetDlgItem(box, IDNO) != nullptr;
    // The icon's static control is 0x14 on Windows and 1088 under Wine, where it is there, empty, even
    // in a box without an icon.
    for (int iconId : {0x14, 1088}) {
        HWND icon = GetDlgItem(box, iconId);
        if (icon && SendMessageW(icon, STM_GETICON, 0, 0)) seen.hasIcon = true;
    }
    seen.owner = GetWindow(box, GW_OWNER);
    seen_.push_back(seen);
    pendingBox_ = box;
    SetTimer(nullptr, 0, 1, &MessageBoxes::answerLater);
}

VOID CALLBACK MessageBoxes::answerLater(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    MessageBoxes* self = activeBoxes;
    if (!self || !self->pendingBox_) return;
    HWND box = self->pendingBox_;
    self->seen_.back().defaultButton = defaultButtonOf(box);
    if (self->answers_.empty()) {
        ++self->unexpected_;
        self->pendingBox_ = nullptr;
        failAndClose(box);
        return;
    }
    int button = self->answers_.front();
    self->answers_.pop_front();
    std::function<void()> before;
    if (!self->befores_.empty()) {
        before = std::move(self->befores_.front());
        self->befores_.pop_front();
    }
    if (before) before();
    self->pendingBox_ = nullptr;
    clickLater(box, button);
}

// A symbolic link, as a user makes one. Wine's CreateSymbolicLinkW makes none on the Unix file
// system under it, where the system's own ln does. True once the link is there.
bool makeSymbolicLink(const std::filesystem::path& folder, const std::wstring& name, const std::wstring& relativeTarget) {
    if (CreateSymbolicLinkW((folder / name).c_str(), relativeTarget.c_str(), 0) && pathExists(folder / name))
        return true;
    std::wstring unixTarget = relativeTarget;
    for (wchar_t& c : unixTarget)
        if (c == L'\\') c = L'/';
    std::wstring commandLine = L"ln -s " + unixTarget + L" " + name;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(L"Z:\\bin\\ln", commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &info))
        return false;
    KernelHandle process(info.hProcess), thread(info.hThread);
    for (int waited = 0; waited < 10000 && !pathExists(folder / name); waited += 20) Sleep(20);
    return pathExists(folder / name);
}

// ---- File dialogs ----

namespace {

FileDialogAnswer* activeFileDialog = nullptr;  // one at a time, on the tests' one thread

}  // namespace

FileDialogAnswer::FileDialogAnswer(std::wstring title, std::wstring path, int type)
    : title_(std::move(title)),
      path_(std::move(path)),
      type_(type),
      hook_(SetWindowsHookExW(WH_CBT, &FileDialogAnswer::hook, nullptr, GetCurrentThreadId())) {
    activeFileDialog = this;
}

FileDialogAnswer::~FileDialogAnswer() {
    UnhookWindowsHookEx(hook_);
    activeFileDialog = nullptr;
}

LRESULT CALLBACK FileDialogAnswer::hook(int code, WPARAM wParam, LPARAM lParam) {
    auto window = reinterpret_cast<HWND>(wParam);
    FileDialogAnswer* self = activeFileDialog;
    if (code == HCBT_ACTIVATE && self && !self->dialog_ && !isMessageBox(window) &&
        wideWindowText(window) == self->title_) {
        self->dialog_ = window;
        SetTimer(nullptr, 0, 1, &FileDialogAnswer::answerLater);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

VOID CALLBACK FileDialogAnswer::answerLater(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    FileDialogAnswer* self = activeFileDialog;
    if (!self || !self->dialog_) return;
    self->answered_ = true;
    if (self->path_.empty()) {
        PostMessageW(self->dialog_, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    // The file's name is typed into the edit box of the name field (cmb13), whatever combo box
    // holds it: a plain one on Windows, an extended one under Wine. The types are the list cmb1.
    struct Found {
        HWND nameBox = nullptr;
        HWND typeBox = nullptr;
        static BOOL CALLBACK look(HWND child, LPARAM into) {
            auto* found = reinterpret_cast<Found*>(into);
            wchar_t className[16] = L"";
            GetClassNameW(child, className, 16);
            if (GetDlgCtrlID(child) == 0x47C && lstrcmpiW(className, L"Edit") == 0) found->nameBox = child;
            if (GetDlgCtrlID(child) == 0x470) found->typeBox = child;
            return TRUE;
        }
    };
    Found found;
    EnumChildWindows(self->dialog_, &Found::look, reinterpret_cast<LPARAM>(&found));
    const int types = found.typeBox ? static_cast<int>(SendMessageW(found.typeBox, CB_GETCOUNT, 0, 0)) : 0;
    for (int i = 0; i < types; ++i) {
        wchar_t name[256] = L"";
        SendMessageW(found.typeBox, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(name));
        self->types_.push_back(displayText(name));
    }
    if (self->type_ >= 0 && found.typeBox) {
        SendMessageW(found.typeBox, CB_SETCURSEL, static_cast<WPARAM>(self->type_), 0);
        for (WORD notice : {CBN_SELCHANGE, CBN_SELENDOK})
            SendMessageW(GetParent(found.typeBox), WM_COMMAND, MAKEWPARAM(0x470, notice),
                         reinterpret_cast<LPARAM>(found.typeBox));
    }
    if (found.nameBox) SetWindowTextW(found.nameBox, self->path_.c_str());
    PostMessageW(self->dialog_, WM_COMMAND, IDOK, 0);
}

// ---- TestProgram ----

std::ostream& operator<<(std::ostream& out, const StartedCommand& started) {
    return out << "{" << started.program << ", " << started.commandLine << ", " << started.showCommand << "}";
}

TestProgram::TestProgram(vault::Cryptography* crypto) { start(folder_.path(), crypto); }

TestProgram::TestProgram(const std::filesystem::path& folder, vault::Cryptography* crypto) { start(folder, crypto); }

void TestProgram::start(const std::filesystem::path& folder, vault::Cryptography* crypto) {
    settingsRoot_ = "Software\\Vellumkeep Tests\\" + std::to_string(GetCurrentProcessId()) + "-" +
                    std::to_string(++folderCounter);
    Environment env = Environment::real();
    env.app.folder = folder;
    env.files = &files_;
    env.settings.root = settingsRoot_;
    env.endProgram = [this] { ++ends_; };
    env.startProgram = [this](const std::string& program, const std::string& commandLine, int show) {
        commands_.push_back({program, commandLine, show});
        return true;
    };
    env.shellOpen = [this](const std::string& address, int show) { addresses_.emplace_back(address, show); };
    env.isNT6OrLater = [this] { return nt6_; };
    env.splashTickMs = 1;
    env.tickCount = [this] { return now_; };
    if (crypto) env.crypto = crypto;
    program_ = std::make_unique<Program>(std::move(env));
    auto recorder = std::make_unique<RecordingSkinSupport>();
    skinSupport_ = recorder.get();
    program_->skinSupport = std::move(recorder);
}

TestProgram::~TestProgram() {
    program_.reset();
    pumpPending();
    RegDeleteTreeA(HKEY_CURRENT_USER, settingsRoot_.c_str());
}

void TestProgram::writeVault(const std::string& master, const std::vector<vault::Entry>& entries) {
    vault::SavedVaultBuilder builder(master, entries.size());
    for (const auto& entry : entries) builder.add(entry);
    writeFile(vaultPath(), builder.finish());
}

void TestProgram::loadMainWindow() {
    program_->applyBranding();
    program_->mainWindow().load();
}

void TestProgram::logIn(const std::string& master) {
    loadMainWindow();
    ASSERT_TRUE(program_->passwordDialog().isLoaded());
    setText(program_->passwordDialog().control(PasswordDialog::PasswordBox), master);
    click(program_->passwordDialog().control(PasswordDialog::OkButton));
    ASSERT_TRUE(program_->mainWindow().visible());
    ASSERT_FALSE(program_->passwordDialog().isLoaded());
}

ClipboardLock::ClipboardLock() : mutex_(CreateMutexW(nullptr, FALSE, L"Local\\VellumkeepTestsClipboard")) {
    if (mutex_) WaitForSingleObject(mutex_, 60000);
}

ClipboardLock::~ClipboardLock() {
    if (!mutex_) return;
    ReleaseMutex(mutex_);
    CloseHandle(mutex_);
}

void click(Control* control) {
    ASSERT_NE(control, nullptr);
    SendMessageW(control->hwnd(), BM_CLICK, 0, 0);
    pumpPending();  // what the click handed over is acted on once its handler is over
}

void setText(Control* control, std::string_view ansi) {
    ASSERT_NE(control, nullptr);
    SendMessageW(control->hwnd(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(widen(std::string(ansi)).c_str()));
}

void pressEnter(Control* control) {
    ASSERT_NE(control, nullptr);
    SetFocus(control->hwnd());
    MSG down{control->hwnd(), WM_KEYDOWN, VK_RETURN, 0x001C0001, 0, {}};
    dispatchMessage(down);
    // What TranslateMessage would have posted for the key.
    pumpPending();
    MSG up{control->hwnd(), WM_KEYUP, VK_RETURN, static_cast<LPARAM>(0xC01C0001u), 0, {}};
    dispatchMessage(up);
    pumpPending();
}

HWND focusOnceActive(HWND window) {
    HWND focus = nullptr;
    pumpUntil([&] {
        if (GetActiveWindow() == window) {
            focus = GetFocus();
            return true;
        }
        SetForegroundWindow(window);
        return false;
    });
    return focus;
}

std::ostream& operator<<(std::ostream& out, const PixelRect& r) {
    return out << r.left << "," << r.top << " " << r.width << "x" << r.height;
}

PixelRect placeOf(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

std::vector<vault::Entry> shownEntries(HWND list) {
    std::vector<vault::Entry> rows;
    for (int row = 0; row < listCount(list); ++row)
        rows.push_back({listText(list, row, 0), listText(list, row, 1), listText(list, row, 2)});
    return rows;
}

void clickHeader(MainWindow& form, int column) {
    HWND list = form.entryList.hwnd();
    NMLISTVIEW info{};
    info.hdr.hwndFrom = list;
    info.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(list));
    info.hdr.code = LVN_COLUMNCLICK;
    info.iItem = -1;
    info.iSubItem = column;
    SendMessageW(form.hwnd(), WM_NOTIFY, info.hdr.idFrom, reinterpret_cast<LPARAM>(&info));
}

std::string listText(HWND list, int row, int column) {
    wchar_t buffer[1024] = L"";
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = 1024;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return displayText(buffer);
}

int listCount(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

std::optional<std::string> clipboardText() {
    if (!IsClipboardFormatAvailable(CF_TEXT)) return std::nullopt;
    bool open = false;
    for (int attempt = 0; attempt < 10 && !(open = OpenClipboard(nullptr)); ++attempt) Sleep(20);
    if (!open) return std::nullopt;
    std::optional<std::string> text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* bytes = static_cast<const char*>(GlobalLock(data))) {
            text.emplace(bytes, strnlen(bytes, GlobalSize(data)));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

}  // namespace vk::test
