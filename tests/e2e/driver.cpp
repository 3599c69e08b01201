#include "driver.h"

#include <commctrl.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <thread>

namespace vk::e2e {
namespace {

// A sent message may wait this long for a busy program; a hung one fails the caller instead.
constexpr UINT kSendTimeoutMs = 3000;
constexpr Duration kPollInterval = 15ms;

LRESULT sendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool* answered = nullptr) {
    DWORD_PTR result = 0;
    LRESULT ok = SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                                     kSendTimeoutMs, &result);
    if (answered) *answered = ok != 0;
    return ok ? static_cast<LRESULT>(result) : 0;
}

// A caption as the window manager keeps it; no message is sent to the window.
std::wstring storedCaption(HWND window) {
    int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(std::max(copied, 0)));
    return text;
}

// Memory lent inside the program: common controls write their texts into the caller's
// address space, so a text meant for another process needs a buffer in that process.
class RemoteBuffer {
public:
    RemoteBuffer(HANDLE process, size_t size)
        : process_(process),
          size_(size),
          address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
    ~RemoteBuffer() {
        if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    explicit operator bool() const { return address_ != nullptr; }
    char* address(size_t offset = 0) const { return static_cast<char*>(address_) + offset; }
    bool write(const void* data, size_t size, size_t offset = 0) const {
        SIZE_T written = 0;
        return offset + size <= size_ &&
               WriteProcessMemory(process_, address(offset), data, size, &written) && written == size;
    }
    bool read(void* data, size_t size, size_t offset = 0) const {
        SIZE_T got = 0;
        return offset + size <= size_ && ReadProcessMemory(process_, address(offset), data, size, &got) &&
               got == size;
    }

private:
    HANDLE process_;
    size_t size_;
    void* address_;
};

// Reads a zero-ended wide text from anywhere in another process, up to `limit` characters.
std::wstring readRemoteText(HANDLE process, const void* address, size_t limit) {
    std::wstring text(limit, L'\0');
    SIZE_T got = 0;
    ReadProcessMemory(process, address, text.data(), limit * sizeof(wchar_t), &got);
    text.resize(got / sizeof(wchar_t));
    text.resize(std::wcslen(text.c_str()));
    return text;
}


INPUT keyInput(WORD virtualKey, bool down) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    return input;
}

INPUT unicodeInput(wchar_t ch, bool down) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wScan = ch;
    input.ki.dwFlags = KEYEVENTF_UNICODE | (down ? 0 : KEYEVENTF_KEYUP);
    return input;
}

// The keys a person presses for one character: the key itself, with Shift when the layout needs it.
std::vector<INPUT> keystrokesFor(wchar_t ch) {
    SHORT scan = VkKeyScanW(ch);
    bool plainKey = scan != -1 && (HIBYTE(scan) & ~1) == 0;  // no Ctrl or Alt needed
    if (!plainKey) return {unicodeInput(ch, true), unicodeInput(ch, false)};
    WORD key = LOBYTE(scan);
    bool shift = HIBYTE(scan) & 1;
    std::vector<INPUT> inputs;
    if (shift) inputs.push_back(keyInput(VK_SHIFT, true));
    inputs.push_back(keyInput(key, true));
    inputs.push_back(keyInput(key, false));
    if (shift) inputs.push_back(keyInput(VK_SHIFT, false));
    return inputs;
}

void send(std::vector<INPUT> inputs) {
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

struct ProcessWindows {
    DWORD id;
    std::vector<HWND> found;
};

BOOL CALLBACK collectProcessWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<ProcessWindows*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->id) search->found.push_back(window);
    return TRUE;
}

struct ChildControls {
    HWND parent;
    std::wstring wantedClass;
    bool visibleOnly;
    std::vector<HWND> found;
};

BOOL CALLBACK collectChildControl(HWND child, LPARAM data) {
    auto* search = reinterpret_cast<ChildControls*>(data);
    // Direct children only: a list view's header is not one of the window's controls.
    if (GetParent(child) != search->parent) return TRUE;
    if (search->visibleOnly && !IsWindowVisible(child)) return TRUE;
    wchar_t name[256] = L"";
    GetClassNameW(child, name, 256);
    if (lstrcmpiW(name, search->wantedClass.c_str()) == 0) search->found.push_back(child);
    return TRUE;
}

}  // namespace

bool waitUntil(const std::function<bool()>& done, Duration timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kPollInterval);
    }
}

void pause(Duration duration) {
    std::this_thread::sleep_for(duration);
}

// ---- AppFolder ----

AppFolder::AppFolder() {
    wchar_t temp[MAX_PATH + 1] = L"";
    if (!GetTempPathW(MAX_PATH + 1, temp)) throw std::runtime_error("no temporary folder");
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::wstring name = L"vk-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(random());
        std::filesystem::path candidate = std::filesystem::path(temp) / name;
        if (CreateDirectoryW(candidate.c_str(), nullptr)) {
            path_ = candidate;
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    throw std::runtime_error("cannot create a folder for the program");
}

AppFolder::~AppFolder() {
    if (path_.empty()) return;
    // A program that has just ended may hold its files for a moment longer.
    waitUntil(
        [this] {
            std::error_code error;
            std::filesystem::remove_all(path_, error);
            return !error && !std::filesystem::exists(path_, error);
        },
        3000ms);
}

std::filesystem::path AppFolder::copyIn(const std::filesystem::path& source) const {
    std::filesystem::path target = path_ / source.filename();
    std::filesystem::copy_file(source, target, std::filesystem::copy_options::overwrite_existing);
    return target;
}

std::string AppFolder::read(const std::wstring& name) const {
    std::ifstream in(file(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void AppFolder::write(const std::wstring& name, const std::string& bytes) const {
    std::ofstream out(file(name), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// ---- RunningProgram ----

RunningProgram::RunningProgram(const std::filesystem::path& exe) {
    std::wstring commandLine = L"\"" + exe.wstring() + L"\"";
    std::wstring folder = exe.parent_path().wstring();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &info))
        return;
    process_.reset(info.hProcess);
    thread_.reset(info.hThread);
    id_ = info.dwProcessId;
}

RunningProgram::~RunningProgram() {
    // The last resort: a test that failed half-way must not leave the program behind.
    if (running()) terminate();
}

bool RunningProgram::running() const {
    return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

bool RunningProgram::waitForEnd(Duration timeout) const {
    return !process_ ||
           WaitForSingleObject(process_.get(), static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

void RunningProgram::terminate() {
    if (!process_) return;
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), 5000);
}

std::vector<HWND> RunningProgram::windows() const {
    ProcessWindows search{id_, {}};
    EnumWindows(collectProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND RunningProgram::window(std::wstring_view caption) const {
    for (HWND window : windows())
        if (className(window) != L"#32770" && storedCaption(window) == caption) return window;
    return nullptr;
}

HWND RunningProgram::waitForVisibleWindow(std::wstring_view caption, Duration timeout) const {
    HWND found = nullptr;
    waitUntil(
        [&] {
            found = window(caption);
            return found && isVisible(found);
        },
        timeout);
    return found && isVisible(found) ? found : nullptr;
}

HWND RunningProgram::splash() const {
    for (HWND window : windows()) {
        LONG style = windowStyle(window);
        if (isVisible(window) && (style & WS_POPUP) && (style & WS_CAPTION) == 0 && GetWindowTextLengthW(window) == 0 &&
            className(window) != L"#32770")
            return window;
    }
    return nullptr;
}

HWND RunningProgram::waitForSplash(Duration timeout) const {
    HWND found = nullptr;
    waitUntil([&] { return (found = splash()) != nullptr; }, timeout);
    return found;
}

HWND RunningProgram::messageBox() const {
    for (HWND window : windows())
        if (isVisible(window) && className(window) == L"#32770") return window;
    return nullptr;
}

HWND RunningProgram::waitForMessageBox(Duration timeout) const {
    HWND found = nullptr;
    waitUntil([&] { return (found = messageBox()) != nullptr; }, timeout);
    return found;
}

std::wstring RunningProgram::statusText(HWND statusBar, int part) const {
    bool answered = false;
    LRESULT lengthAndKind = sendWithTimeout(statusBar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(part), 0, &answered);
    if (!answered) return {};
    size_t length = LOWORD(lengthAndKind);
    RemoteBuffer buffer(process_.get(), (length + 1) * sizeof(wchar_t));
    if (!buffer) return {};
    sendWithTimeout(statusBar, SB_GETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(buffer.address()));
    std::wstring text(length + 1, L'\0');
    if (!buffer.read(text.data(), text.size() * sizeof(wchar_t))) return {};
    text.resize(std::wcslen(text.c_str()));
    return text;
}

std::wstring RunningProgram::listText(HWND list, int row, int column) const {
    constexpr size_t kTextLimit = 1024;
    RemoteBuffer buffer(process_.get(), sizeof(LVITEMW) + kTextLimit * sizeof(wchar_t));
    if (!buffer) return {};
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = reinterpret_cast<LPWSTR>(buffer.address(sizeof(LVITEMW)));
    item.cchTextMax = kTextLimit;
    wchar_t nothing = L'\0';
    if (!buffer.write(&item, sizeof item) || !buffer.write(&nothing, sizeof nothing, sizeof(LVITEMW))) return {};
    sendWithTimeout(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(buffer.address()));
    // The list may answer with a pointer to its own copy of the text instead of filling ours.
    LVITEMW answered{};
    if (!buffer.read(&answered, sizeof answered) || !answered.pszText) return {};
    return readRemoteText(process_.get(), answered.pszText, kTextLimit);
}

std::vector<std::wstring> RunningProgram::columnTitles(HWND list) const {
    constexpr size_t kTextLimit = 256;
    std::vector<std::wstring> titles;
    RemoteBuffer buffer(process_.get(), sizeof(LVCOLUMNW) + kTextLimit * sizeof(wchar_t));
    if (!buffer) return titles;
    for (int column = 0;; ++column) {
        LVCOLUMNW asked{};
        asked.mask = LVCF_TEXT;
        asked.pszText = reinterpret_cast<LPWSTR>(buffer.address(sizeof(LVCOLUMNW)));
        asked.cchTextMax = kTextLimit;
        if (!buffer.write(&asked, sizeof asked)) break;
        if (!sendWithTimeout(list, LVM_GETCOLUMNW, static_cast<WPARAM>(column),
                             reinterpret_cast<LPARAM>(buffer.address())))
            break;
        titles.push_back(readRemoteText(process_.get(), asked.pszText, kTextLimit));
    }
    return titles;
}

bool RunningProgram::selectListRow(HWND list, int row) const {
    RemoteBuffer buffer(process_.get(), sizeof(LVITEMW));
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    if (!buffer || !buffer.write(&item, sizeof item)) return false;
    bool answered = false;
    LRESULT ok = sendWithTimeout(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                                 reinterpret_cast<LPARAM>(buffer.address()), &answered);
    return answered && ok;
}

size_t RunningProgram::countInMemory(std::string_view bytes) const {
    if (bytes.empty()) return 0;
    return countInMemory(std::vector<std::string>{std::string(bytes)}).front();
}

std::vector<size_t> RunningProgram::countInMemory(const std::vector<std::string>& texts) const {
    std::vector<size_t> counts(texts.size());
    std::vector<char> region;
    MEMORY_BASIC_INFORMATION info{};
    for (const char* at = nullptr; VirtualQueryEx(process_.get(), at, &info, sizeof info) == sizeof info;
         at = static_cast<const char*>(info.BaseAddress) + info.RegionSize) {
        const DWORD readable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                               PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
        if (info.State != MEM_COMMIT || !(info.Protect & readable) || (info.Protect & PAGE_GUARD)) continue;
        region.resize(info.RegionSize);
        SIZE_T got = 0;
        if (!ReadProcessMemory(process_.get(), info.BaseAddress, region.data(), region.size(), &got)) continue;
        std::string_view seen(region.data(), got);
        for (size_t i = 0; i < texts.size(); ++i) {
            if (texts[i].empty()) continue;
            for (size_t at = seen.find(texts[i]); at != std::string_view::npos; at = seen.find(texts[i], at + 1))
                ++counts[i];
        }
    }
    return counts;
}

// ---- Windows and controls ----

std::wstring windowText(HWND window) {
    bool answered = false;
    LRESULT length = sendWithTimeout(window, WM_GETTEXTLENGTH, 0, 0, &answered);
    if (!answered) return storedCaption(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied =
        sendWithTimeout(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), &answered);
    text.resize(answered ? static_cast<size_t>(copied) : 0);
    return text;
}

std::wstring className(HWND window) {
    wchar_t name[256] = L"";
    GetClassNameW(window, name, 256);
    return name;
}

bool isVisible(HWND window) {
    return window && IsWindow(window) && IsWindowVisible(window);
}

RECT windowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

SIZE windowSize(HWND window) {
    RECT rect = windowRect(window);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

LONG windowStyle(HWND window) {
    return GetWindowLongW(window, GWL_STYLE);
}

LONG windowExStyle(HWND window) {
    return GetWindowLongW(window, GWL_EXSTYLE);
}

std::vector<HWND> controls(HWND parent, std::wstring_view wantedClass, bool visibleOnly) {
    ChildControls search{parent, std::wstring(wantedClass), visibleOnly, {}};
    EnumChildWindows(parent, collectChildControl, reinterpret_cast<LPARAM>(&search));
    std::stable_sort(search.found.begin(), search.found.end(), [](HWND a, HWND b) {
        RECT ra = windowRect(a), rb = windowRect(b);
        return ra.top != rb.top ? ra.top < rb.top : ra.left < rb.left;
    });
    return search.found;
}

HWND control(HWND parent, std::wstring_view wantedClass, std::wstring_view caption) {
    for (HWND child : controls(parent, wantedClass, false))
        if (storedCaption(child) == caption) return child;
    return nullptr;
}

HWND controlAt(HWND parent, std::wstring_view wantedClass, size_t n) {
    std::vector<HWND> found = controls(parent, wantedClass);
    return n < found.size() ? found[n] : nullptr;
}

int textLength(HWND control) {
    bool answered = false;
    LRESULT length = sendWithTimeout(control, WM_GETTEXTLENGTH, 0, 0, &answered);
    return answered ? static_cast<int>(length) : -1;
}

bool setText(HWND control, std::wstring_view text) {
    std::wstring copy(text);
    bool answered = false;
    LRESULT ok = sendWithTimeout(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(copy.c_str()), &answered);
    return answered && ok;
}

void click(HWND button) {
    PostMessageW(button, BM_CLICK, 0, 0);
}

void closeWindow(HWND window) {
    PostMessageW(window, WM_CLOSE, 0, 0);
}

int listCount(HWND list) {
    bool answered = false;
    LRESULT count = sendWithTimeout(list, LVM_GETITEMCOUNT, 0, 0, &answered);
    return answered ? static_cast<int>(count) : -1;
}

namespace {

// The edit box where the system's Open and Save dialogs take a file's name (in the name field,
// cmb13, whatever combo box holds it).
BOOL CALLBACK findFileNameBox(HWND child, LPARAM found) {
    wchar_t name[16] = L"";
    GetClassNameW(child, name, 16);
    if (GetDlgCtrlID(child) != 0x47C || lstrcmpiW(name, L"Edit") != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = child;
    return FALSE;
}

// A visible dialog of the system's (the "#32770" class) with this title: a message box, with its
// text's static control, or a dialog such as Open.
HWND systemDialog(const RunningProgram& program, std::wstring_view title, bool messageBox) {
    for (HWND window : program.windows())
        if (isVisible(window) && className(window) == L"#32770" && storedCaption(window) == title &&
            (GetDlgItem(window, 0xFFFF) != nullptr) == messageBox)
            return window;
    return nullptr;
}

}  // namespace

bool chooseFile(const RunningProgram& program, std::wstring_view title, const std::wstring& path, Duration timeout,
                HWND* found) {
    HWND dialog = nullptr;
    if (!waitUntil([&] { return (dialog = systemDialog(program, title, false)) != nullptr; }, timeout)) return false;
    if (found) *found = dialog;
    HWND name = nullptr;
    EnumChildWindows(dialog, findFileNameBox, reinterpret_cast<LPARAM>(&name));
    if (!name || !setText(name, path)) return false;
    return PostMessageW(dialog, WM_COMMAND, IDOK, 0) != FALSE;
}

HWND waitForFileDialog(const RunningProgram& program, std::wstring_view title, Duration timeout) {
    HWND dialog = nullptr;
    waitUntil([&] { return (dialog = systemDialog(program, title, false)) != nullptr; }, timeout);
    return dialog;
}

HWND waitForMessageBoxTitled(const RunningProgram& program, std::wstring_view title, Duration timeout) {
    HWND box = nullptr;
    waitUntil([&] { return (box = systemDialog(program, title, true)) != nullptr; }, timeout);
    return box;
}

bool chooseMenuItem(HWND window, int menu, int item) {
    // A menu's items can be read from another process on Windows, not under Wine: there the
    // keyboard opens the menu as a person would.
    HMENU popup = GetSubMenu(GetMenu(window), menu);
    UINT id = popup ? GetMenuItemID(popup, item) : static_cast<UINT>(-1);
    if (id != static_cast<UINT>(-1)) return PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0) != FALSE;
    if (!bringToForeground(window)) return false;
    pressKey(VK_MENU);
    for (int i = 0; i < menu; ++i) pressKey(VK_RIGHT);
    pressKey(VK_DOWN);  // opens the menu on its first item
    for (int i = 0; i < item; ++i) pressKey(VK_DOWN);
    pressKey(VK_RETURN);
    return true;
}

// ---- Message boxes ----

MessageBoxView readMessageBox(HWND box) {
    MessageBoxView view;
    view.title = storedCaption(box);
    if (HWND text = GetDlgItem(box, 0xFFFF)) view.text = windowText(text);
    for (HWND button : controls(box, L"Button")) {
        std::wstring caption = storedCaption(button);
        std::erase(caption, L'&');
        view.buttons.push_back(caption);
    }
    return view;
}

void answerMessageBox(HWND box, int command) {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, command)));
}

// ---- Keyboard ----

bool bringToForeground(HWND window) {
    return waitUntil(
        [window] {
            if (GetForegroundWindow() == window) return true;
            SetForegroundWindow(window);
            return false;
        },
        3000ms);
}

void typeText(std::wstring_view text) {
    for (wchar_t ch : text) {
        send(keystrokesFor(ch));
        // Each keystroke reaches the program before the next, as when a person types.
        pause(10ms);
    }
}

void clickWithMouse(HWND window) {
    RECT r = windowRect(window);
    int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    if (screenWidth < 2 || screenHeight < 2) return;
    // Absolute positions run from 0 to 65535 across the screen.
    auto scaled = [](int position, int extent) { return MulDiv(position, 65535, extent - 1); };
    INPUT inputs[3]{};
    for (INPUT& input : inputs) input.type = INPUT_MOUSE;
    inputs[0].mi.dx = scaled((r.left + r.right) / 2, screenWidth);
    inputs[0].mi.dy = scaled((r.top + r.bottom) / 2, screenHeight);
    inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(3, inputs, sizeof(INPUT));
    pause(30ms);
}

HWND focusedControl(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    DWORD thread = GetWindowThreadProcessId(window, nullptr);
    return thread && GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

bool focusWithMouse(HWND control) {
    HWND top = GetAncestor(control, GA_ROOT);
    if (!bringToForeground(top)) return false;
    // The window's own thread may take a moment to hear that it is active again and to put the
    // focus back where it was; a click before that is undone, so a person would click again.
    auto activeWindow = [top] {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &info) ? info.hwndActive : nullptr;
    };
    waitUntil([&] { return activeWindow() == top; }, 2000ms);
    for (int attempt = 0; attempt < 5; ++attempt) {
        clickWithMouse(control);
        if (waitUntil([control] { return focusedControl(control) == control; }, 500ms)) return true;
    }
    return false;
}

void pressKey(WORD virtualKey, WORD modifier) {
    if (modifier)
        send({keyInput(modifier, true), keyInput(virtualKey, true), keyInput(virtualKey, false), keyInput(modifier, false)});
    else
        send({keyInput(virtualKey, true), keyInput(virtualKey, false)});
    pause(10ms);
}

// ---- Vellumkeep's own windows ----

HWND waitForPasswordDialog(const RunningProgram& program, Duration timeout) {
    HWND dialog = nullptr;
    bool settled = waitUntil(
        [&] {
            dialog = program.window(kPasswordCaption);
            HWND main = program.window(kMainCaption);
            return isVisible(dialog) && main && !isVisible(main) && !program.splash();
        },
        timeout);
    return settled ? dialog : nullptr;
}

// ---- Screen ----

bool saveScreenArea(const RECT& area, const std::filesystem::path& bmp) {
    int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return false;
    WindowDC screen(nullptr);
    MemoryDC memory(screen.get());
    Bitmap bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    if (!screen.get() || !memory.get() || !bitmap) return false;
    {
        SelectObjectScope select(memory.get(), bitmap.get());
        if (!BitBlt(memory.get(), 0, 0, width, height, screen.get(), area.left, area.top, SRCCOPY | CAPTUREBLT))
            return false;
    }
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;  // bottom-up, as BMP files keep their rows
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    std::vector<char> pixels(stride * static_cast<size_t>(height));
    if (!GetDIBits(memory.get(), bitmap.get(), 0, static_cast<UINT>(height), pixels.data(),
                   reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS))
        return false;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size());
    std::ofstream out(bmp, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
    return static_cast<bool>(out);
}

// ---- Paths ----

std::filesystem::path pathFromUnix(std::string_view unixPath) {
    std::wstring path = L"Z:";
    for (char ch : unixPath) path += ch == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(ch));
    return std::filesystem::path(path);
}

}  // namespace vk::e2e
