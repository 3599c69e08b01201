// The bare reference: the least program that does Vellumkeep's list work with the same vault and
// the same clicks, for scripts/bench to measure the real program against. Plain Win32, no skin:
// a password window ("Ok" reads and unscrambles data.enc beside the program, cuts its lines and
// fields and fills a virtual list), a main window with Add, Edit and Delete and a status bar, an
// editor window with Save, and the same sort rule (a header click toggles the order; stable,
// letter case ignored, locale-aware through cached LCMapStringA keys). Every change saves
// atomically and leaves the same bytes as Vellumkeep does.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kOk = 1, kAdd = 10, kEdit = 11, kDelete = 12, kFind = 13, kSave = 20;
constexpr int kColumns = 3;
constexpr std::string_view kSeparator = "|||";
constexpr char kCr = static_cast<char>('\r' ^ 0x80), kLf = static_cast<char>('\n' ^ 0x80),
               kSpace = static_cast<char>(' ' ^ 0x80);
constexpr std::string_view kLineEnd = "\x8D\x8A";  // CR LF, as it reads unscrambled

struct Fields {
    std::array<std::string_view, kColumns> text;  // Username, Password, Website/Location
};

// One column's sort keys, built for every entry on the first sort by it and kept: entries never
// change (an edit makes a new one), so a key never goes stale. Keys lie end to end, in entry order.
struct KeyColumn {
    std::string bytes;
    std::vector<std::uint32_t> ends;
    std::string_view key(size_t entry) const {
        size_t start = entry == 0 ? 0 : ends[entry - 1];
        return std::string_view(bytes).substr(start, ends[entry] - start);
    }
};

// Flips the top bit of every byte, eight bytes at a time.
void unscramble(std::string& text) {
    size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        word ^= 0x8080808080808080ull;
        std::memcpy(text.data() + i, &word, 8);
    }
    for (; i < text.size(); ++i) text[i] = static_cast<char>(text[i] ^ 0x80);
}

std::string wideToAnsi(const std::wstring& wide) {
    int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text.data(), n, nullptr, nullptr);
    return text;
}

std::wstring ansiToWide(std::string_view text) {
    int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

std::wstring windowText(HWND hwnd) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

Fields cutFields(std::string_view line) {
    Fields fields;
    for (int i = 0; i < kColumns; ++i) {
        size_t end = line.find(kSeparator);
        fields.text[static_cast<size_t>(i)] = line.substr(0, end);
        if (end == std::string_view::npos) break;
        line.remove_prefix(end + kSeparator.size());
    }
    return fields;
}

class Reference {
public:
    int run(HINSTANCE instance);

private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND makeWindow(const wchar_t* caption, int width, int height);
    HWND child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h, int id);
    void buildMain();

    void onOk();
    bool load(const std::string& typed);
    void onColumnClick(int column);
    void openEditor(bool editing);
    void onSave();
    void onDelete();
    bool save();
    void onFindChange();
    bool matches(const Fields& fields, const std::vector<std::string>& words) const;
    bool contains(std::string_view text, const std::string& word) const;
    std::vector<std::string> foldedWords(std::string_view typed) const;

    void setStatus(const std::string& text);
    int selectedRow() const;
    // Shows the entries again with `keep` (an entry number) selected, clearing only the rows
    // that held the selection or focus.
    void refresh(std::uint32_t keep);
    void fillDisplayInfo(NMLVDISPINFOW& info) const;
    size_t shownCount() const { return filtered_ ? shown_.size() : order_.size(); }

    const KeyColumn& keysOf(int column);
    bool before(std::uint32_t a, std::uint32_t b) const;
    size_t placeFor(std::uint32_t entry);
    std::uint32_t addEntry(Fields fields);

    HINSTANCE instance_ = nullptr;
    HFONT font_ = nullptr;
    HWND passwordWindow_ = nullptr, passwordBox_ = nullptr;
    HWND main_ = nullptr, list_ = nullptr, status_ = nullptr, findBox_ = nullptr;
    HWND editor_ = nullptr, editBoxes_[kColumns] = {};
    bool editing_ = false;
    std::uint32_t editedEntry_ = 0;

    std::string vaultPath_;
    std::string master_;
    std::string text_;                // the vault, unscrambled
    std::deque<std::string> added_;   // texts of entries added or changed since
    std::vector<Fields> entries_;     // every entry ever held; display order picks from them
    std::vector<std::uint32_t> order_;
    std::array<KeyColumn, kColumns> keys_;
    bool sorted_ = false;
    int sortKey_ = 0;
    bool ascending_ = true;

    char lower_[256] = {};             // letter case folded, byte by byte
    std::vector<std::string> words_;  // the words found, folded; none: every entry shown
    bool filtered_ = false;
    std::vector<std::uint32_t> shown_;  // while filtered: the places in order_ shown
};

HWND Reference::makeWindow(const wchar_t* caption, int width, int height) {
    RECT r{0, 0, width, height};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    int w = r.right - r.left, h = r.bottom - r.top;
    return CreateWindowExW(0, L"VkReference", caption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                           (GetSystemMetrics(SM_CXSCREEN) - w) / 2, (GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h,
                           nullptr, nullptr, instance_, this);
}

HWND Reference::child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h,
                      int id) {
    HWND hwnd = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    return hwnd;
}

int Reference::run(HINSTANCE instance) {
    instance_ = instance;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    vaultPath_ = exe;
    vaultPath_ = vaultPath_.substr(0, vaultPath_.find_last_of('\\') + 1) + "data.enc";
    font_ = CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Verdana");
    for (int byte = 0; byte < 256; ++byte) {
        lower_[byte] = static_cast<char>(byte);
        CharLowerBuffA(&lower_[byte], 1);
    }

    WNDCLASSW wc{};
    wc.lpfnWndProc = &Reference::proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"VkReference";
    RegisterClassW(&wc);

    passwordWindow_ = makeWindow(L"Password Required", 380, 40);
    passwordBox_ = child(passwordWindow_, L"EDIT", L"", WS_BORDER | ES_AUTOHSCROLL, 4, 4, 290, 24, 0);
    child(passwordWindow_, L"BUTTON", L"Ok", BS_PUSHBUTTON, 300, 0, 73, 33, kOk);
    buildMain();
    ShowWindow(passwordWindow_, SW_SHOW);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

void Reference::buildMain() {
    main_ = makeWindow(L"Bare reference", 601, 437);
    child(main_, L"BUTTON", L"Add", BS_PUSHBUTTON, 4, 4, 77, 69, kAdd);
    child(main_, L"BUTTON", L"Delete", BS_PUSHBUTTON, 84, 4, 77, 69, kDelete);
    child(main_, L"BUTTON", L"Edit", BS_PUSHBUTTON, 164, 4, 77, 69, kEdit);
    findBox_ = child(main_, L"EDIT", L"", WS_BORDER | ES_AUTOHSCROLL, 248, 4, 345, 24, kFind);
    list_ = child(main_, WC_LISTVIEWW, L"",
                  WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_SINGLESEL, 4, 132,
                  593, 281, 0);
    ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER);
    const wchar_t* headers[] = {L"Username", L"Password", L"Website/Location"};
    const int widths[] = {156, 158, 273};
    for (int i = 0; i < kColumns; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<wchar_t*>(headers[i]);
        column.cx = widths[i];
        SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
    status_ = child(main_, STATUSCLASSNAMEW, L"", 0, 0, 0, 0, 0, 0);
}

LRESULT CALLBACK Reference::proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* self = reinterpret_cast<Reference*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return self ? self->handle(hwnd, message, wParam, lParam) : DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT Reference::handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case kOk:
            onOk();
            return 0;
        case kAdd:
            openEditor(false);
            return 0;
        case kEdit:
            openEditor(true);
            return 0;
        case kDelete:
            onDelete();
            return 0;
        case kSave:
            onSave();
            return 0;
        case kFind:
            if (HIWORD(wParam) == EN_CHANGE) onFindChange();
            return 0;
        }
        break;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->hwndFrom == list_ && header->code == LVN_GETDISPINFOW) {
            fillDisplayInfo(*reinterpret_cast<NMLVDISPINFOW*>(lParam));
            return 0;
        }
        if (header->hwndFrom == list_ && header->code == LVN_COLUMNCLICK) {
            onColumnClick(reinterpret_cast<NMLISTVIEW*>(lParam)->iSubItem);
            return 0;
        }
        break;
    }
    case WM_SIZE:
        if (hwnd == main_) SendMessageW(status_, WM_SIZE, 0, 0);
        break;
    case WM_CLOSE:
        if (hwnd == editor_) {
            DestroyWindow(editor_);
            editor_ = nullptr;
            return 0;
        }
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void Reference::onOk() {
    if (!load(wideToAnsi(windowText(passwordBox_)))) return;
    setStatus("Loaded " + std::to_string(order_.size()) + " entries");
    ShowWindow(main_, SW_SHOW);
    DestroyWindow(passwordWindow_);
}

bool Reference::load(const std::string& typed) {
    HANDLE file = CreateFileA(vaultPath_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    GetFileSizeEx(file, &size);
    text_.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    ReadFile(file, text_.data(), static_cast<DWORD>(text_.size()), &got, nullptr);
    CloseHandle(file);
    text_.resize(got);
    unscramble(text_);

    // Line ends are stored as they are, so they read as 8D 8A once the text is unscrambled. A line
    // ends at CR LF or at a lone CR; line 1 is the master password; empty lines and lines of one
    // stored space hold no entry.
    std::string_view all = text_;
    bool first = true;
    while (!all.empty()) {
        size_t cr = all.find(kCr);
        std::string_view line = all.substr(0, cr);
        all.remove_prefix(cr == std::string_view::npos ? all.size() : cr + 1);
        if (!all.empty() && all.front() == kLf) all.remove_prefix(1);
        if (first) {
            master_ = line;
            first = false;
        } else if (!line.empty() && line != std::string_view(&kSpace, 1)) {
            entries_.push_back(cutFields(line));
        }
    }
    if (typed != master_) return false;
    order_.resize(entries_.size());
    for (size_t i = 0; i < order_.size(); ++i) order_[i] = static_cast<std::uint32_t>(i);
    ListView_SetItemCountEx(list_, static_cast<int>(order_.size()), 0);
    return true;
}

const KeyColumn& Reference::keysOf(int column) {
    KeyColumn& keys = keys_[static_cast<size_t>(column)];
    std::string scratch;
    for (size_t entry = keys.ends.size(); entry < entries_.size(); ++entry) {
        std::string_view text = entries_[entry].text[static_cast<size_t>(column)];
        if (!text.empty()) {
            scratch.resize(text.size() * 4 + 16);
            int n = LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, text.data(),
                                 static_cast<int>(text.size()), scratch.data(), static_cast<int>(scratch.size()));
            if (n > 0) keys.bytes.append(scratch.data(), static_cast<size_t>(n) - 1);  // without its closing zero
        }
        keys.ends.push_back(static_cast<std::uint32_t>(keys.bytes.size()));
    }
    return keys;
}

bool Reference::before(std::uint32_t a, std::uint32_t b) const {
    const KeyColumn& keys = keys_[static_cast<size_t>(sortKey_)];
    return ascending_ ? keys.key(a) < keys.key(b) : keys.key(b) < keys.key(a);
}

size_t Reference::placeFor(std::uint32_t entry) {
    if (!sorted_) return order_.size();
    keysOf(sortKey_);
    auto it = std::upper_bound(order_.begin(), order_.end(), entry,
                               [this](std::uint32_t value, std::uint32_t element) { return before(value, element); });
    return static_cast<size_t>(it - order_.begin());
}

void Reference::onColumnClick(int column) {
    if (order_.empty()) return;
    std::uint32_t keep = selectedRow() >= 0 ? order_[static_cast<size_t>(selectedRow())] : UINT32_MAX;
    sorted_ = true;
    sortKey_ = column;
    ascending_ = !ascending_;
    keysOf(column);
    std::stable_sort(order_.begin(), order_.end(), [this](std::uint32_t a, std::uint32_t b) { return before(a, b); });
    refresh(keep);
}

std::uint32_t Reference::addEntry(Fields fields) {
    // The new entry's own text: its three fields side by side.
    std::string& own = added_.emplace_back();
    for (std::string_view field : fields.text) own += field;
    size_t at = 0;
    for (std::string_view& field : fields.text) {
        field = std::string_view(own).substr(at, field.size());
        at += field.size();
    }
    entries_.push_back(fields);
    return static_cast<std::uint32_t>(entries_.size() - 1);
}

void Reference::openEditor(bool editing) {
    if (editor_) return;
    int row = selectedRow();
    if (editing && row < 0) return;
    editing_ = editing;
    editor_ = makeWindow(editing ? L"Edit an entry" : L"Add an entry", 312, 174);
    for (int i = 0; i < kColumns; ++i) {
        editBoxes_[i] = child(editor_, L"EDIT", L"", WS_BORDER | ES_AUTOHSCROLL, 88, 4 + 28 * i, 217, 21, 0);
        if (editing) {
            editedEntry_ = order_[static_cast<size_t>(row)];
            SetWindowTextW(editBoxes_[i], ansiToWide(entries_[editedEntry_].text[static_cast<size_t>(i)]).c_str());
        }
    }
    child(editor_, L"BUTTON", L"Save", BS_PUSHBUTTON, 8, 100, 77, 69, kSave);
    ShowWindow(editor_, SW_SHOW);
}

void Reference::onSave() {
    std::array<std::string, kColumns> typed;
    for (int i = 0; i < kColumns; ++i) typed[static_cast<size_t>(i)] = wideToAnsi(windowText(editBoxes_[i]));
    if (typed[0].empty() || typed[1].empty()) return;
    std::uint32_t keep = selectedRow() >= 0 ? order_[static_cast<size_t>(selectedRow())] : UINT32_MAX;
    std::uint32_t entry = addEntry(Fields{{typed[0], typed[1], typed[2]}});
    if (editing_) {
        auto old = std::find(order_.begin(), order_.end(), editedEntry_);
        size_t at = static_cast<size_t>(old - order_.begin());
        order_.erase(old);
        if (sorted_) at = placeFor(entry);
        order_.insert(order_.begin() + static_cast<std::ptrdiff_t>(at), entry);
        if (keep == editedEntry_) keep = entry;
    } else {
        order_.insert(order_.begin() + static_cast<std::ptrdiff_t>(placeFor(entry)), entry);
    }
    refresh(keep);
    if (save()) setStatus("Added new entry.  Data saved.");
    DestroyWindow(editor_);
    editor_ = nullptr;
}

void Reference::onDelete() {
    int row = selectedRow();
    if (row < 0) return;
    if (MessageBoxW(main_, L"Delete the selected entry?", L"Confirm Delete", MB_OKCANCEL) != IDOK) return;
    order_.erase(order_.begin() + row);
    refresh(UINT32_MAX);
    if (save()) setStatus("Entry deleted successfully, data saved.");
}

bool Reference::save() {
    std::string content;
    content.reserve(text_.size() + 4096);
    content.append(master_).append(kLineEnd);
    for (std::uint32_t entry : order_) {
        const Fields& fields = entries_[entry];
        content.append(fields.text[0]).append(kSeparator).append(fields.text[1]).append(kSeparator);
        content.append(fields.text[2]).append(kLineEnd);
    }
    content.append(kLineEnd);
    unscramble(content);
    std::string temporary = vaultPath_ + ".tmp";
    HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
              written == content.size() && FlushFileBuffers(file);
    CloseHandle(file);
    return ok && MoveFileExA(temporary.c_str(), vaultPath_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

std::vector<std::string> Reference::foldedWords(std::string_view typed) const {
    std::vector<std::string> words;
    while (!typed.empty()) {
        size_t space = typed.find(' ');
        std::string word(typed.substr(0, space));
        typed.remove_prefix(space == std::string_view::npos ? typed.size() : space + 1);
        for (char& c : word) c = lower_[static_cast<unsigned char>(c)];
        if (!word.empty() && std::find(words.begin(), words.end(), word) == words.end()) words.push_back(word);
    }
    return words;
}

// Whether the word (folded) lies in the text, each byte folded as it is read.
bool Reference::contains(std::string_view text, const std::string& word) const {
    if (word.size() > text.size()) return false;
    const size_t last = text.size() - word.size();
    for (size_t i = 0; i <= last; ++i) {
        if (lower_[static_cast<unsigned char>(text[i])] != word[0]) continue;
        size_t k = 1;
        while (k < word.size() && lower_[static_cast<unsigned char>(text[i + k])] == word[k]) ++k;
        if (k == word.size()) return true;
    }
    return false;
}

bool Reference::matches(const Fields& fields, const std::vector<std::string>& words) const {
    for (const std::string& word : words)
        if (!contains(fields.text[0], word) && !contains(fields.text[2], word)) return false;
    return true;
}

// "12 of 3,402 entries match "bank"", as Vellumkeep says it.
std::string withThousands(size_t count) {
    std::string digits = std::to_string(count), text;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
        text += digits[i];
    }
    return text;
}

void Reference::onFindChange() {
    const std::string typed = wideToAnsi(windowText(findBox_));
    std::vector<std::string> words = foldedWords(typed);
    const bool wasFiltered = filtered_;
    if (words != words_) {
        // Typing on only narrows: each old word lies within a new one, and the rows shown are all
        // that need a look.
        bool narrowing = filtered_;
        for (const std::string& old : words_) {
            bool within = false;
            for (const std::string& word : words) within = within || word.find(old) != std::string::npos;
            narrowing = narrowing && within;
        }
        std::vector<std::uint32_t> shown;
        if (!words.empty()) {
            // The entries are looked at in the order they lie in memory, then picked in display
            // order: a sorted list is read from start to end instead of all over memory.
            enum : std::uint8_t { NotAsked, Asked, Chosen };
            std::vector<std::uint8_t> state(entries_.size(), narrowing ? NotAsked : Asked);
            if (narrowing)
                for (std::uint32_t place : shown_) state[order_[place]] = Asked;
            for (size_t entry = 0; entry < entries_.size(); ++entry)
                if (state[entry] == Asked && matches(entries_[entry], words)) state[entry] = Chosen;
            const size_t count = narrowing ? shown_.size() : order_.size();
            for (size_t i = 0; i < count; ++i) {
                const std::uint32_t place = narrowing ? shown_[i] : static_cast<std::uint32_t>(i);
                if (state[order_[place]] == Chosen) shown.push_back(place);
            }
        }
        words_ = std::move(words);
        filtered_ = !words_.empty();
        shown_.swap(shown);
        int selected = selectedRow();
        if (selected >= 0) ListView_SetItemState(list_, selected, 0, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_SetItemCountEx(list_, static_cast<int>(shownCount()), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
        if (shownCount() > 0) ListView_EnsureVisible(list_, 0, FALSE);
        InvalidateRect(list_, nullptr, FALSE);
    }
    const size_t count = order_.size();
    if (!filtered_ && !wasFiltered) return;
    setStatus(filtered_ ? withThousands(shown_.size()) + " of " + withThousands(count) +
                              (count == 1 ? " entry " : " entries ") + (shown_.size() == 1 ? "matches" : "match") +
                              " \"" + typed + "\""
                        : "All " + withThousands(count) + (count == 1 ? " entry shown" : " entries shown"));
}

void Reference::setStatus(const std::string& text) {
    SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(ansiToWide(text).c_str()));
}

int Reference::selectedRow() const {
    // The list knows its focused row at once but looks for a selected one row by row: in a
    // single-selection list the focused row is the selected one whenever there is one.
    if (ListView_GetSelectedCount(list_) == 0) return -1;
    int focused = ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
    if (focused >= 0 && ListView_GetItemState(list_, focused, LVIS_SELECTED)) return focused;
    return ListView_GetNextItem(list_, -1, LVNI_SELECTED);
}

void Reference::refresh(std::uint32_t keep) {
    int selected = selectedRow();
    if (selected >= 0) ListView_SetItemState(list_, selected, 0, LVIS_SELECTED | LVIS_FOCUSED);
    int focused = ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
    if (focused >= 0) ListView_SetItemState(list_, focused, 0, LVIS_FOCUSED);
    // The list is repainted whole below and scrolled to the kept row: it need do neither itself,
    // and a count that stays the same need not be told at all.
    if (ListView_GetItemCount(list_) != static_cast<int>(order_.size()))
        ListView_SetItemCountEx(list_, static_cast<int>(order_.size()), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    if (keep != UINT32_MAX) {
        auto it = std::find(order_.begin(), order_.end(), keep);
        if (it != order_.end()) {
            int row = static_cast<int>(it - order_.begin());
            ListView_SetItemState(list_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
            ListView_EnsureVisible(list_, row, FALSE);
        }
    }
    InvalidateRect(list_, nullptr, FALSE);
}

void Reference::fillDisplayInfo(NMLVDISPINFOW& info) const {
    LVITEMW& item = info.item;
    if (!(item.mask & LVIF_TEXT) || item.cchTextMax <= 0) return;
    item.pszText[0] = L'\0';
    if (item.iItem < 0 || static_cast<size_t>(item.iItem) >= order_.size() || item.iSubItem < 0 ||
        item.iSubItem >= kColumns)
        return;
    const size_t row = static_cast<size_t>(item.iItem);
    if (row >= shownCount()) return;
    std::string_view text = entries_[order_[filtered_ ? shown_[row] : row]].text[static_cast<size_t>(item.iSubItem)];
    int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(std::min<size_t>(text.size(), 1024)),
                                item.pszText, item.cchTextMax - 1);
    item.pszText[n] = L'\0';
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    Reference reference;
    return reference.run(instance);
}
