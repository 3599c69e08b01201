#include "passwords/word_list.h"

#include <algorithm>

#include "passwords/front_coded.h"

namespace vk::passwords {

const std::vector<std::string>& effLargeWordList() {
    static const std::vector<std::string> words = decodeFrontCoded(kEffLargeWordListFrontCoded);
    return words;
}

bool isEffWord(std::string_view text) {
    const std::vector<std::string>& words = effLargeWordList();
    return std::binary_search(words.begin(), words.end(), text, std::less<>());
}

}  // namespace vk::passwords
