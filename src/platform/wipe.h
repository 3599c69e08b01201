#pragma once
// Wiping secrets (a typed password, a key) from memory before it is freed or reused, in a way the
// compiler keeps even just before the memory goes: the program's one way to wipe memory it holds.
// Portable: no system header.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace vk {

void wipeSecret(std::span<std::uint8_t> bytes);
// The text's whole capacity is wiped, then the text is emptied.
void wipeSecret(std::string& text);
void wipeSecret(std::wstring& text);

// Wipes a text (or bytes) that held a secret with wipeSecret when the scope it guards ends, so that
// no copy of it stays behind in freed memory.
template <typename Text>
class WipedWhenDone {
public:
    explicit WipedWhenDone(Text& text) : text_(text) {}
    ~WipedWhenDone() { wipeSecret(text_); }
    WipedWhenDone(const WipedWhenDone&) = delete;
    WipedWhenDone& operator=(const WipedWhenDone&) = delete;

private:
    Text& text_;
};

}  // namespace vk
