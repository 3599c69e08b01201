#include "vault/entry_rules.h"

#include <utility>

namespace vk::vault {

namespace {

// Scrambled, this character becomes a CR and would end the line in the middle.
constexpr char kCode141 = static_cast<char>(141);

bool hasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }
bool hasCode141(std::string_view text) { return text.find(kCode141) != std::string_view::npos; }

struct FieldRules {
    std::string_view name;
    bool mayEndWithBar;
    bool mayBeginWithBar;
};

std::string fieldProblem(std::string_view text, const FieldRules& rules) {
    std::string field = "The " + std::string(rules.name);
    if (text.find(kSeparator) != std::string_view::npos)
        return field + " cannot contain \"|||\": Vellumkeep uses it to separate the fields of an entry.";
    if (hasLineBreak(text)) return field + " cannot contain a line break.";
    if (hasCode141(text))
        return field + " cannot contain the character of code 141, which the vault file cannot store.";
    if (!rules.mayEndWithBar && text.ends_with('|'))
        return field + " cannot end with \"|\": it would run into the separator that follows it.";
    if (!rules.mayBeginWithBar && text.starts_with('|'))
        return field + " cannot begin with \"|\": it would run into the separator before it.";
    return {};
}

}  // namespace

std::string masterPasswordProblem(std::string_view password) {
    if (hasLineBreak(password)) return "The master password cannot contain a line break.";
    if (hasCode141(password))
        return "The master password cannot contain the character of code 141, which the vault file cannot store.";
    return {};
}

std::string entryProblem(const Entry& entry) {
    // The separator follows the Username and the Password and precedes the Password and the
    // Website, so a "|" on those sides would merge into it when the line is read back.
    const std::pair<const SecretString*, FieldRules> fields[] = {
        {&entry.username, {"Username", false, true}},
        {&entry.password, {"Password", false, false}},
        {&entry.location, {"Website", true, false}},
    };
    for (const auto& [text, rules] : fields) {
        if (std::string problem = fieldProblem(*text, rules); !problem.empty()) return problem;
    }
    return {};
}

std::string outsideCodePageProblem(std::string_view fieldName) {
    return "The " + std::string(fieldName) +
           " contains characters that this computer's code page cannot store. Please use other characters.";
}

}  // namespace vk::vault
