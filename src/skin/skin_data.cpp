#include "skin/skin_data.h"

#include <optional>
#include <string>

#include "platform/parse.h"

namespace vk {
namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

bool parseColour(std::string_view s, COLORREF& colour) {
    int rgb[3];
    for (int i = 0; i < 3; ++i) {
        size_t comma = s.find(',');
        if (i < 2 && comma == std::string_view::npos) return false;
        const std::optional<int> part = parseWholeNumber(trim(i < 2 ? s.substr(0, comma) : s), 0, 255);
        if (!part) return false;
        rgb[i] = *part;
        if (i < 2) s.remove_prefix(comma + 1);
    }
    colour = RGB(rgb[0], rgb[1], rgb[2]);
    return true;
}

}  // namespace

SkinData SkinData::parse(std::string_view text) {
    SkinData skin;
    struct Key {
        std::string_view name;
        COLORREF SkinData::*colour;
    };
    static constexpr Key kColours[] = {
        {"back", &SkinData::back},
        {"fore", &SkinData::fore},
        {"panel", &SkinData::panel},
        {"paneltext", &SkinData::panelText},
        {"client.top", &SkinData::clientTop},
        {"client.bottom", &SkinData::clientBottom},
        {"label.text", &SkinData::labelText},
        {"button.top", &SkinData::buttonTop},
        {"button.bottom", &SkinData::buttonBottom},
        {"button.hot.top", &SkinData::buttonHotTop},
        {"button.hot.bottom", &SkinData::buttonHotBottom},
        {"button.pressed.top", &SkinData::buttonPressedTop},
        {"button.pressed.bottom", &SkinData::buttonPressedBottom},
        {"button.border", &SkinData::buttonBorder},
        {"button.hot.border", &SkinData::buttonHotBorder},
        {"button.text", &SkinData::buttonText},
        {"button.disabled.text", &SkinData::buttonDisabledText},
        {"focus", &SkinData::focus},
    };
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.front() == '#') continue;
        size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        std::string_view key = trim(line.substr(0, equals));
        std::string_view value = trim(line.substr(equals + 1));
        if (key == "button.radius") {
            if (std::optional<int> radius = parseWholeNumber(value, 0, 20)) skin.buttonRadius = *radius;
            continue;
        }
        for (const Key& k : kColours)
            if (k.name == key) parseColour(value, skin.*(k.colour));
    }
    return skin;
}

}  // namespace vk
