#pragma once
// How strong a new master password is, for the dialogs where one is typed: the line under its
// box, kept up to date as the user types, and the question asked before a weak one guards an
// encrypted vault. The estimate itself is passwords::estimateStrength.
//
//   strengthLabel = &createSkinLabel(*this, StrengthLabel, "", left, top, width, 255);
//   newBox->onChange = [this] { showStrength(*newBox, *strengthLabel); };
//   ...
//   if (encrypted && !mayUseWeakPassword(hwnd(), password, host_.appTitle())) return;
#include <windows.h>

#include <string>
#include <string_view>

namespace vk {

class Control;

// Sets `line` to the strength of what `passwordBox` holds (nothing for an empty box). The copy of
// the password read for it is wiped.
void showStrength(const Control& passwordBox, Control& line);

// The question for a weak master password that would guard an encrypted vault.
std::string weakPasswordQuestion(std::string_view password);
// True when the password is not weak, or the user answered Yes to weakPasswordQuestion in a box
// modal to `owner`.
bool mayUseWeakPassword(HWND owner, std::string_view password, const std::string& title);

}  // namespace vk
