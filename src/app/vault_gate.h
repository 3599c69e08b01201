#pragma once

namespace vk {

class Program;

// The vault gate, the last step of the main window's load: reads the stored master password
// and opens the password dialog to create one (first start) or to enter it.
void openVault(Program& app);
void askNewPassword(Program& app);
void askPassword(Program& app);

}  // namespace vk
