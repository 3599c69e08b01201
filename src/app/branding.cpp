#include "app/branding.h"

#include "app/program.h"

namespace vk {

void applyBranding(Program& app) {
    app.productName = app.env.App.ProductName;
    app.companyName = app.env.App.CompanyName;
    app.companyWebsite = app.env.App.Comments;
    app.skinEnabled = true;
}

}  // namespace vk
