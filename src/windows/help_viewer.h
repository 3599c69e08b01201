#pragma once
// Form8, the help viewer: shows Help.rtf from the program's folder, and its "Show at Startup"
// box keeps the setting that decides whether it opens at every start.
#include <optional>
#include <string>

#include "platform/window.h"

namespace vk {

class Program;

// The check box state a stored setting asks for (0 cleared, 1 checked, 2 greyed), read as a
// 16-bit number the way the setting has always been read: surrounding spaces and leading zeros
// are allowed. Empty when the text is not such a number or is outside 0 to 2.
std::optional<int> checkStateFromSetting(const std::string& text);

class HelpViewer : public Window {
public:
    static constexpr int kClientWidth = 10290;  // twips
    static constexpr int kClientHeight = 7920;

    explicit HelpViewer(Program& app) : app_(app) {}

    Control* rtf1 = nullptr;
    Control* Check1 = nullptr;

    void Check1_Click();
    // The check box's state: 0 cleared, 1 checked, 2 greyed.
    int check1Value() const;
    void setCheck1Value(int value);

protected:
    void create() override;
    void Form_Load() override;
    bool mayShow() const override { return !documentMissing_; }

private:
    Program& app_;
    bool documentMissing_ = false;
};

}  // namespace vk
