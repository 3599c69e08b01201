#include "memory_watch.h"

#include <execinfo.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

// The heap's bookkeeping must live outside the heap it watches, and operator new and delete reach it
// without an object to ask: it is the one global state of this test program. Nothing here allocates
// while a block is freed.
namespace {

constexpr std::size_t kMostSecrets = 12;
constexpr std::size_t kForms = 3;
constexpr std::size_t kLongestForm = 256;
constexpr std::size_t kMostFindings = 64;
constexpr std::size_t kFrames = 16;
constexpr const char* kFormNames[kForms] = {"ANSI", "scrambled", "UTF-16"};

struct alignas(16) Header {
    Header* previous;
    Header* next;
    std::size_t size;
    std::size_t unused;
};

struct Pattern {
    std::array<char, kLongestForm> bytes;
    std::size_t size;
};

struct RawFinding {
    std::size_t secret;
    std::size_t form;
    std::array<void*, kFrames> frames;
    int frameCount;
};

struct Heap {
    std::mutex lock;
    Header live{&live, &live, 0, 0};
    bool watching = false;
    std::size_t secrets = 0;
    std::array<std::array<Pattern, kForms>, kMostSecrets> patterns{};
    std::array<std::array<char, 8>, kMostSecrets> names{};
    std::array<RawFinding, kMostFindings> findings{};
    std::size_t findingCount = 0;
    std::size_t findingsLost = 0;
};

Heap& heap() {
    static Heap state;  // made before the first allocation asks for it, never destroyed
    return state;
}

void* allocateBlock(std::size_t size) {
    auto* header = static_cast<Header*>(std::malloc(sizeof(Header) + size));
    if (!header) return nullptr;
    Heap& h = heap();
    std::lock_guard<std::mutex> guard(h.lock);
    header->size = size;
    header->previous = &h.live;
    header->next = h.live.next;
    h.live.next->previous = header;
    h.live.next = header;
    return header + 1;
}

void* allocateOrThrow(std::size_t size) {
    if (void* block = allocateBlock(size)) return block;
    throw std::bad_alloc();
}

// Which secret and form the block holds, if any.
bool findIn(const Heap& h, const void* block, std::size_t size, std::size_t& secret, std::size_t& form) {
    for (secret = 0; secret < h.secrets; ++secret)
        for (form = 0; form < kForms; ++form) {
            const Pattern& p = h.patterns[secret][form];
            if (memmem(block, size, p.bytes.data(), p.size)) return true;
        }
    return false;
}

void freeBlock(void* block) noexcept {
    if (!block) return;
    Header* header = static_cast<Header*>(block) - 1;
    Heap& h = heap();
    {
        std::lock_guard<std::mutex> guard(h.lock);
        std::size_t secret = 0, form = 0;
        if (h.watching && findIn(h, block, header->size, secret, form)) {
            if (h.findingCount < kMostFindings) {
                RawFinding& found = h.findings[h.findingCount++];
                found.secret = secret;
                found.form = form;
                found.frameCount = backtrace(found.frames.data(), static_cast<int>(kFrames));
            } else {
                ++h.findingsLost;
            }
        }
        header->previous->next = header->next;
        header->next->previous = header->previous;
    }
    std::free(header);
}

}  // namespace

void* operator new(std::size_t size) { return allocateOrThrow(size); }
void* operator new[](std::size_t size) { return allocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocateBlock(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocateBlock(size); }
void operator delete(void* block) noexcept { freeBlock(block); }
void operator delete[](void* block) noexcept { freeBlock(block); }
void operator delete(void* block, std::size_t) noexcept { freeBlock(block); }
void operator delete[](void* block, std::size_t) noexcept { freeBlock(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { freeBlock(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { freeBlock(block); }

namespace vk::memory {

MemoryWatch::MemoryWatch(std::vector<std::string_view> secrets) {
    void* warmUp[1];
    backtrace(warmUp, 1);  // its first call loads what it needs, which must not happen inside a free
    Heap& h = heap();
    std::lock_guard<std::mutex> guard(h.lock);
    h.secrets = std::min(secrets.size(), kMostSecrets);
    for (std::size_t s = 0; s < h.secrets; ++s) {
        std::string_view text = secrets[s].substr(0, kLongestForm / 2);
        auto& forms = h.patterns[s];
        for (std::size_t i = 0; i < text.size(); ++i) {
            forms[0].bytes[i] = text[i];
            forms[1].bytes[i] = static_cast<char>(static_cast<unsigned char>(text[i]) ^ 0x80);
            forms[2].bytes[2 * i] = text[i];
            forms[2].bytes[2 * i + 1] = '\0';
        }
        forms[0].size = forms[1].size = text.size();
        forms[2].size = 2 * text.size();
        h.names[s] = {};
        std::memcpy(h.names[s].data(), text.data(), std::min<std::size_t>(text.size(), 4));
    }
    h.findingCount = 0;
    h.findingsLost = 0;
    h.watching = true;
}

MemoryWatch::~MemoryWatch() {
    Heap& h = heap();
    std::lock_guard<std::mutex> guard(h.lock);
    h.watching = false;
    h.patterns = {};
}

namespace {

Finding findingOf(const Heap& h, std::size_t secret, std::size_t form, std::string where) {
    return Finding{std::string(h.names[secret].data()) + "...", kFormNames[form], std::move(where)};
}

}  // namespace

std::vector<Finding> MemoryWatch::takeFreedFindings() {
    Heap& h = heap();
    std::array<RawFinding, kMostFindings> raw;
    std::size_t count = 0, lost = 0;
    {
        std::lock_guard<std::mutex> guard(h.lock);
        raw = h.findings;
        count = h.findingCount;
        lost = h.findingsLost;
        h.findingCount = 0;
        h.findingsLost = 0;
    }
    std::vector<Finding> findings;
    for (std::size_t i = 0; i < count; ++i) {
        std::string where = "freed at:";
        char** names = backtrace_symbols(raw[i].frames.data(), raw[i].frameCount);
        for (int f = 2; names && f < raw[i].frameCount; ++f) where += std::string("\n      ") + names[f];
        std::free(names);
        findings.push_back(findingOf(h, raw[i].secret, raw[i].form, where));
    }
    if (lost > 0) findings.push_back(Finding{"", "", std::to_string(lost) + " more blocks"});
    return findings;
}

std::vector<Finding> MemoryWatch::heldFindings() const {
    Heap& h = heap();
    std::vector<std::pair<std::size_t, std::size_t>> found;
    found.reserve(64);  // allocated before the walk, which must not change the list it walks
    {
        std::lock_guard<std::mutex> guard(h.lock);
        for (const Header* block = h.live.next; block != &h.live && found.size() < found.capacity();
             block = block->next) {
            std::size_t secret = 0, form = 0;
            if (findIn(h, block + 1, block->size, secret, form)) found.emplace_back(secret, form);
        }
    }
    std::vector<Finding> findings;
    for (auto [secret, form] : found) findings.push_back(findingOf(h, secret, form, "still held"));
    return findings;
}

std::string describe(const std::vector<Finding>& findings) {
    std::string text;
    for (const Finding& finding : findings)
        text += "\n  " + finding.form + " " + finding.secret + " " + finding.where;
    return text;
}

}  // namespace vk::memory
