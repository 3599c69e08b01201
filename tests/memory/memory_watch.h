#pragma once
// Watches the heap of this test program for a secret: the global operator new and delete are
// replaced, so that every block freed (the wiping allocator's among them) is looked through before
// it goes, and every block still held can be looked through on demand. A block that holds one of
// the watched texts, as typed (ANSI), scrambled (every top bit flipped) or as UTF-16, is a finding,
// with the call stack that freed it.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vk::memory {

struct Finding {
    std::string secret;  // which watched text (its first letters only)
    std::string form;    // "ANSI", "scrambled" or "UTF-16"
    std::string where;   // the call stack that freed the block, or "still held"
};

// While a watch lives, each block freed is looked through for its secrets. One watch at a time.
class MemoryWatch {
public:
    explicit MemoryWatch(std::vector<std::string_view> secrets);
    ~MemoryWatch();
    MemoryWatch(const MemoryWatch&) = delete;
    MemoryWatch& operator=(const MemoryWatch&) = delete;

    // What the blocks freed since the watch began (or since the last call) held, and clears it.
    std::vector<Finding> takeFreedFindings();
    // The blocks still held now that hold a secret.
    std::vector<Finding> heldFindings() const;
};

// "ANSI secret... freed at: ..." one finding a line, for a test's failure message.
std::string describe(const std::vector<Finding>& findings);

}  // namespace vk::memory
