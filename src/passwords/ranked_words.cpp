#include "passwords/ranked_words.h"

#include <algorithm>

#include "passwords/front_coded.h"

namespace vk::passwords {

namespace {

const SortedEntries& englishWords() {
    static const SortedEntries words(kEnglishWordsFrontCoded);
    return words;
}

const SortedEntries& names() {
    static const SortedEntries list(kNamesFrontCoded);
    return list;
}

std::optional<double> log2RankIn(const SortedEntries& list, const std::uint8_t* log2Ranks, std::string_view lower) {
    const std::optional<std::size_t> index = list.indexOf(lower);
    if (!index) return std::nullopt;
    return log2Ranks[*index] / kRankStepsPerBit;
}

}  // namespace

std::optional<double> log2RankOfEnglishWord(std::string_view lower) {
    return log2RankIn(englishWords(), kEnglishWordsLog2Ranks, lower);
}

std::optional<double> log2RankOfName(std::string_view lower) { return log2RankIn(names(), kNamesLog2Ranks, lower); }

std::size_t longestRankedWord() { return std::max(englishWords().longest(), names().longest()); }

}  // namespace vk::passwords
