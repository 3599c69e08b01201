#include "app/vault_gate.h"

#include "app/program.h"
#include "app/vault_operations.h"

namespace vk {

void openVault(Program& app) {
    bool guarded = false;
    if (!inspectVault(app, guarded)) return;  // reported; the program has ended
    if (guarded)
        askPassword(app);
    else
        askNewPassword(app);
}

void askNewPassword(Program& app) { app.passwordDialog.openToCreate(); }

void askPassword(Program& app) { app.passwordDialog.openToEnter(); }

}  // namespace vk
