#pragma once
// What the window tests share: a program living in a temporary folder, real message boxes
// answered from the same thread, and waiting while window events run.
#include <windows.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <ostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/program.h"
#include "platform/handles.h"
#include "failing_file_system.h"
#include "skin/skin_support.h"
#include "vault/vault_store.h"

namespace vk::vault {
// Failure messages show entries as their three texts.
void PrintTo(const Entry& entry, std::ostream* out);
}  // namespace vk::vault

namespace vk::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    explicit TempFolder(const std::wstring& prefix = L"vellumkeep-test-");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path file(const std::string& name) const { return path_ / name; }
    std::filesystem::path operator/(const wchar_t* name) const { return path_.native() + L"\\" + name; }

private:
    std::filesystem::path path_;
};

std::string readFile(const std::filesystem::path& path);  // empty when it cannot be read
bool pathExists(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& bytes);
std::string hex(const std::string& bytes);

// Runs the window events that are waiting now, then returns.
void pumpPending();
// Runs window events for `ms` milliseconds, or until `done` answers true; false on timeout.
void pumpFor(int ms);
bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 5000);

// A Saved vault of `count` entries of ordinary sizes, the same for the same seed.
std::string largeVault(const std::string& master, size_t count, unsigned seed);

// A symbolic link `name` in `folder` to `relativeTarget`, as a user makes one; true once it is there.
bool makeSymbolicLink(const std::filesystem::path& folder, const std::wstring& name,
                      const std::wstring& relativeTarget);

// The system's own words for an error code, as the program reports them.
std::string systemReason(DWORD code);

// This test program started once more as "another program" (see test_main.cpp), with its
// standard input and output as pipes.
class ChildProgram {
public:
    explicit ChildProgram(const std::wstring& arguments);
    ~ChildProgram();
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    // Reads what the child says until `word` appears; false when it ended first or said nothing of
    // the kind in time.
    bool waitFor(const std::string& word, DWORD timeoutMs = 30000);
    // Closes the child's standard input (children that wait for it then end).
    void closeInput() { input_.reset(); }
    void kill();
    // Waits for the child to end; false on time-out.
    bool wait(DWORD ms = 30000);
    DWORD processId() const { return GetProcessId(process_.get()); }

private:
    KernelHandle input_;
    KernelHandle output_;
    KernelHandle process_;
    std::string said_;
};

// A file held open with no sharing by another process, until this object goes.
// Removes the temporary folders and settings that a test program killed on the way left behind.
void removeWhatAKilledProgramLeft(DWORD processId);

// The program exporting its entries to `target` through its File menu, as a user does, stopped
// at the export's first write until its standard input closes (a test kills it there).
int exportUntilInputCloses(const std::wstring& target);

class HeldByAnotherProcess {
public:
    explicit HeldByAnotherProcess(const std::filesystem::path& path);
    bool held() const { return held_; }
    void release();

private:
    ChildProgram child_;
    bool held_ = false;
};

inline constexpr vault::WriteStep kEverySaveStep[] = {vault::WriteStep::CreateTemporary, vault::WriteStep::Write,
                                                      vault::WriteStep::Flush, vault::WriteStep::Close,
                                                      vault::WriteStep::Replace};

// One message box as the user saw it.
struct SeenBox {
    std::string text;
    std::wstring wideText;  // as the box shows it, whatever the code page holds
    std::string title;
    bool hasOk = false, hasCancel = false, hasRetry = false, hasYes = false, hasNo = false;
    bool hasIcon = false;
    int defaultButton = 0;  // the button Enter presses (IDOK, IDNO...)
    HWND owner = nullptr;
};

// Watches the message boxes of this thread for the whole run: a box that no MessageBoxes
// expects fails the running test and is closed at once, instead of waiting for a click.
class MessageBoxWatch {
public:
    MessageBoxWatch();
    ~MessageBoxWatch();
    MessageBoxWatch(const MessageBoxWatch&) = delete;
    MessageBoxWatch& operator=(const MessageBoxWatch&) = delete;

private:
    static LRESULT CALLBACK hook(int code, WPARAM wParam, LPARAM lParam);
    HHOOK hook_ = nullptr;
};

// Answers the real message boxes of this thread, in order, with the given buttons (IDOK,
// IDRETRY...), and records what each box said. A box with no answer left fails the test, is
// closed with its first button and counted as unexpected.
class MessageBoxes {
public:
    MessageBoxes();
    ~MessageBoxes();
    MessageBoxes(const MessageBoxes&) = delete;
    MessageBoxes& operator=(const MessageBoxes&) = delete;

    void answer(int button) { answers_.push_back(button); }
    // Runs `before` inside the box's modal loop (the box is up), then answers it.
    void answerAfter(int button, std::function<void()> before);
    const std::vector<SeenBox>& seen() const { return seen_; }
    int unexpected() const { return unexpected_; }

private:
    friend class MessageBoxWatch;
    static VOID CALLBACK answerLater(HWND, UINT, UINT_PTR id, DWORD);
    void onBox(HWND box);
    void onDestroyed(HWND window);

    HWND pendingBox_ = nullptr;
    // Every box seen and not yet destroyed: one that is activated again (its owner's timer, the
    // window manager) is the same box, not a new one.
    std::vector<HWND> liveBoxes_;
    std::deque<int> answers_;
    std::deque<std::function<void()>> befores_;
    std::vector<SeenBox> seen_;
    int unexpected_ = 0;
};

// Answers the system's Open or Save dialog titled `title`, the next time one opens on this thread:
// chooses the file type `type` (from 0; -1 leaves the first), types `path` as the file's name and
// presses its OK button (an empty path presses Cancel).
class FileDialogAnswer {
public:
    FileDialogAnswer(std::wstring title, std::wstring path, int type = -1);
    ~FileDialogAnswer();
    FileDialogAnswer(const FileDialogAnswer&) = delete;
    FileDialogAnswer& operator=(const FileDialogAnswer&) = delete;

    bool answered() const { return answered_; }
    // The file types the dialog offered, as it named them.
    const std::vector<std::string>& types() const { return types_; }

private:
    static LRESULT CALLBACK hook(int code, WPARAM wParam, LPARAM lParam);
    static VOID CALLBACK answerLater(HWND, UINT, UINT_PTR id, DWORD);

    std::wstring title_;
    std::wstring path_;
    int type_;
    std::vector<std::string> types_;
    HWND dialog_ = nullptr;
    bool answered_ = false;
    HHOOK hook_ = nullptr;
};

// A program the program asked to start.
struct StartedCommand {
    std::string program;
    std::string commandLine;
    int showCommand = 0;
    friend bool operator==(const StartedCommand&, const StartedCommand&) = default;
};
std::ostream& operator<<(std::ostream& out, const StartedCommand& started);

// The skin support object, noting which of its methods the program calls, by number, in order.
class RecordingSkinSupport final : public SkinSupport {
public:
    void attach(const void* skinExtender) override {
        extender = skinExtender;
        calls.push_back(2);
    }
    void start() override { calls.push_back(5); }
    void refresh() override { calls.push_back(6); }

    std::vector<int> calls;
    const void* extender = nullptr;
};

// The program, started in a temporary folder: its vault, settings and started programs are its own.
class TestProgram {
public:
    // `crypto`: the cryptography the program uses instead of the system's (tests make it fail).
    explicit TestProgram(vault::Cryptography* crypto = nullptr);
    // The program in another folder than its own: one an earlier program used, or a prepared one.
    explicit TestProgram(const std::filesystem::path& folder, vault::Cryptography* crypto = nullptr);
    ~TestProgram();

    Program& app() { return *program_; }
    Program* operator->() { return program_.get(); }
    const TempFolder& folder() const { return folder_; }
    // The program's file system: the real one, until a test tells it to fail.
    FailingFileSystem& files() { return files_; }
    std::filesystem::path vaultPath() const { return vault::vaultPathIn(program_->env().app.folder); }
    std::string vaultBytes() const { return readFile(vaultPath()); }

    int endCount() const { return ends_; }
    const std::vector<StartedCommand>& startedCommands() const { return commands_; }
    const std::vector<std::pair<std::string, int>>& openedAddresses() const { return addresses_; }
    const std::string& settingsRoot() const { return settingsRoot_; }
    const RecordingSkinSupport& skinSupport() const { return *skinSupport_; }
    void setNT6OrLater(bool value) { nt6_ = value; }
    // The program's clock, which moves only when the test moves it.
    void passTime(DWORD ms) { now_ += ms; }

    // Writes a vault with this master password and entries (Saved layout).
    void writeVault(const std::string& master, const std::vector<vault::Entry>& entries = {});
    // Branding as the splash would read it, then the main window's load up to the gate.
    void loadMainWindow();
    // From a written vault through the password dialog to the working main window.
    void logIn(const std::string& master);

private:
    void start(const std::filesystem::path& folder, vault::Cryptography* crypto);

    TempFolder folder_;
    FailingFileSystem files_;
    std::string settingsRoot_;
    int ends_ = 0;
    bool nt6_ = true;
    DWORD now_ = 0;
    std::vector<StartedCommand> commands_;
    std::vector<std::pair<std::string, int>> addresses_;
    std::unique_ptr<Program> program_;
    RecordingSkinSupport* skinSupport_ = nullptr;  // the program's
};

// The clipboard is shared by every program of the Wine session, tests running side by side
// included: a test that uses it holds this lock for its whole run.
class ClipboardLock {
public:
    ClipboardLock();
    ~ClipboardLock();
    ClipboardLock(const ClipboardLock&) = delete;
    ClipboardLock& operator=(const ClipboardLock&) = delete;

private:
    HANDLE mutex_;
};

// Clicks a control as the user would (BM_CLICK runs through the window's message handling), then
// runs what the click set waiting.
void click(Control* control);
// Types into a text box, replacing its text.
void setText(Control* control, std::string_view ansi);
// Presses Enter in a control: key down, the character, key up, through the program's dispatch, then
// runs what the key set waiting.
void pressEnter(Control* control);

// The tests share the desktop with other programs, which may hold the foreground when a window
// opens. This makes the window active, as the user's click would have, and answers the control
// that has the focus at that moment.
HWND focusOnceActive(HWND window);

// A control's place in its window's client area, in pixels.
struct PixelRect {
    int left, top, width, height;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};
std::ostream& operator<<(std::ostream& out, const PixelRect& r);
PixelRect placeOf(HWND control);

// The rows as the list view shows them.
std::vector<vault::Entry> shownEntries(HWND list);
// A click on a column header (0-based), as the header reports it to the main window.
void clickHeader(MainWindow& form, int column);

// The text of a row's column as the list view shows it (row and column from 0).
std::string listText(HWND list, int row, int column);
int listCount(HWND list);

// The plain text on the clipboard; nothing when it holds none. Another program may hold the
// clipboard open for a moment: opening it is tried for a while.
std::optional<std::string> clipboardText();

}  // namespace vk::test
