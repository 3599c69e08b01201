#include "app/branding.h"

#include "app/program.h"

namespace vk {

void applyBranding(Program& app) {
    app.productName = app.env.app.productName;
    app.companyName = app.env.app.companyName;
    app.companyWebsite = app.env.app.comments;
    app.skinEnabled = true;
}

}  // namespace vk
