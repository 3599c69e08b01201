#pragma once
// Drives the real Vellumkeep.exe from another process, the way a person (or a screen reader) meets
// it: finds its windows, reads and sets its controls, answers its message boxes and types on the
// keyboard. Every wait has a limit, so a program that stops answering fails a test instead of
// hanging it.
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/handles.h"

namespace vk::e2e {

using namespace std::chrono_literals;
using Duration = std::chrono::milliseconds;

// Long enough for a cold start of a program under Wine, short enough that a stuck test ends soon.
inline constexpr Duration kDefaultWait = 8000ms;

// Asks `done` again and again until it answers true; false when `timeout` passed first.
bool waitUntil(const std::function<bool()>& done, Duration timeout = kDefaultWait);
void pause(Duration duration);

// A folder of its own under the system's temporary folder, removed with everything in it; throws
// when it cannot be made.
class AppFolder {
public:
    AppFolder();
    ~AppFolder();
    AppFolder(const AppFolder&) = delete;
    AppFolder& operator=(const AppFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path file(const std::wstring& name) const { return path_ / name; }
    // Copies a file into the folder under its own name; returns the copy's path.
    std::filesystem::path copyIn(const std::filesystem::path& source) const;
    std::string read(const std::wstring& name) const;
    void write(const std::wstring& name, const std::string& bytes) const;

private:
    std::filesystem::path path_;
};

// One start of the program. Ending the driver's object ends the program too, if it still runs.
class RunningProgram {
public:
    // Starts the program with its own folder as the working directory.
    explicit RunningProgram(const std::filesystem::path& exe);
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    bool started() const { return static_cast<bool>(process_); }
    DWORD id() const { return id_; }
    bool running() const;
    // Waits for the process to end by itself; false if it still runs after `timeout`.
    bool waitForEnd(Duration timeout = kDefaultWait) const;
    void terminate();

    // Top-level windows of the process, hidden ones included.
    std::vector<HWND> windows() const;
    // The window with exactly this caption, visible or not; null when there is none.
    HWND window(std::wstring_view caption) const;
    HWND waitForVisibleWindow(std::wstring_view caption, Duration timeout = kDefaultWait) const;
    // The splash: the process's visible pop-up window without a caption.
    HWND splash() const;
    HWND waitForSplash(Duration timeout = kDefaultWait) const;
    // A visible message box ("#32770" dialog) of the process.
    HWND messageBox() const;
    HWND waitForMessageBox(Duration timeout = kDefaultWait) const;

    // Texts kept in the program's own memory: the driver lends it a buffer to write them into.
    std::wstring statusText(HWND statusBar, int part = 0) const;
    std::wstring listText(HWND list, int row, int column) const;
    // The titles of a list view's columns, from the first.
    std::vector<std::wstring> columnTitles(HWND list) const;
    // Selects one row of a list view (from 0), as a click on it would.
    bool selectListRow(HWND list, int row) const;

    // How often `bytes` stand in the program's memory, freed memory of its heaps included: what an
    // attacker who can read the process (or its crash dump, or its page file) would find.
    size_t countInMemory(std::string_view bytes) const;
    // The same for several texts at once, in one reading of the memory: a count for each.
    std::vector<size_t> countInMemory(const std::vector<std::string>& texts) const;

private:
    KernelHandle process_;
    KernelHandle thread_;
    DWORD id_ = 0;
};

// ---- Windows and controls ----

std::wstring windowText(HWND window);
std::wstring className(HWND window);
bool isVisible(HWND window);
RECT windowRect(HWND window);
SIZE windowSize(HWND window);
LONG windowStyle(HWND window);
LONG windowExStyle(HWND window);

// Child controls of one class, in reading order (top to bottom, then left to right).
std::vector<HWND> controls(HWND parent, std::wstring_view className, bool visibleOnly = true);
// The control of this class and caption; null when there is none.
HWND control(HWND parent, std::wstring_view className, std::wstring_view caption);
// The n-th control of this class in reading order (from 0); null when there are fewer.
HWND controlAt(HWND parent, std::wstring_view className, size_t n);

int textLength(HWND control);
bool setText(HWND control, std::wstring_view text);
// Posted, not sent: a click that opens a modal box would otherwise keep the driver waiting.
void click(HWND button);
void closeWindow(HWND window);
int listCount(HWND list);
// Runs a menu command of a window: menu `menu` of the bar, its item `item` (both from 0).
bool chooseMenuItem(HWND window, int menu, int item);
// The system's Open or Save dialog titled `title`, once the program shows it: types `path` as the
// file's name and presses its OK button.
// `dialog` receives the dialog's window.
bool chooseFile(const RunningProgram& program, std::wstring_view title, const std::wstring& path,
                Duration timeout = std::chrono::seconds(30), HWND* dialog = nullptr);
// The system's Open or Save dialog titled `title`, once the program shows it.
HWND waitForFileDialog(const RunningProgram& program, std::wstring_view title, Duration timeout = kDefaultWait);
// A message box of the program with this title, once it shows.
HWND waitForMessageBoxTitled(const RunningProgram& program, std::wstring_view title, Duration timeout = kDefaultWait);

// ---- Message boxes ----

struct MessageBoxView {
    std::wstring title;
    std::wstring text;
    std::vector<std::wstring> buttons;  // captions without their access-key marks, in reading order
};
MessageBoxView readMessageBox(HWND box);
// Presses one of the box's buttons by its command: IDOK, IDCANCEL, IDRETRY...
void answerMessageBox(HWND box, int command);

// ---- Keyboard, as a person types ----

// Makes the window the foreground window, so that keystrokes go to it.
bool bringToForeground(HWND window);
void typeText(std::wstring_view text);
// Moves the mouse to the middle of the window and clicks its left button there.
void clickWithMouse(HWND window);
// The control that has the keyboard focus in the window's thread; null when none has.
HWND focusedControl(HWND window);
// Brings the control's window to the front and clicks the control, until it has the focus.
bool focusWithMouse(HWND control);
// Presses a key, with a modifier (VK_CONTROL...) held down when one is given.
void pressKey(WORD virtualKey, WORD modifier = 0);

// ---- Vellumkeep's own windows ----

inline constexpr wchar_t kMainCaption[] = L"Vellumkeep by Quorrindale";
inline constexpr wchar_t kPasswordCaption[] = L"Password Required";
inline constexpr wchar_t kHelpCaption[] = L"Readme/Help";
inline constexpr wchar_t kAboutCaption[] = L"About Vellumkeep";
inline constexpr int kFileMenu = 0, kHelpMenu = 3, kAboutMenu = 4;

// The master password dialog once start-up has settled: the splash gone and the main window hidden
// again behind the dialog, so that keystrokes reach the dialog. Null when that does not happen.
HWND waitForPasswordDialog(const RunningProgram& program, Duration timeout = kDefaultWait);

// ---- Screen ----

// Saves what the screen shows in `area` as a 24-bit BMP file.
bool saveScreenArea(const RECT& area, const std::filesystem::path& bmp);

// ---- Paths ----

// The Windows path of a file that Wine shows on drive Z: (the Unix root).
std::filesystem::path pathFromUnix(std::string_view unixPath);

}  // namespace vk::e2e
