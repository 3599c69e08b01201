#include "app/vault_gate.h"

#include "app/program.h"
#include "app/vault_operations.h"

namespace vk {

void openVault(Program& app) {
    std::string password;
    if (!readStoredPassword(app, password)) return;  // reported; the program has ended
    if (!password.empty()) {
        app.storedPassword = password;
        askPassword(app);
    } else {
        askNewPassword(app);
    }
}

void askNewPassword(Program& app) {
    app.creatingPassword = true;
    app.frmPass.load();
    app.frmPass.show();
}

void askPassword(Program& app) {
    app.creatingPassword = false;
    app.frmPass.load();
    app.frmPass.show();
}

}  // namespace vk
