#pragma once
// The about box: the product's name, version, owner and web site under a header picture. With the
// skin on, each plain label gets a skinned twin laid exactly over it.
#include <string>
#include <vector>

#include "platform/app_info.h"
#include "platform/handles.h"
#include "platform/picture.h"
#include "platform/window.h"
#include "resource_ids.h"

namespace vk {

struct Skinning;

// "major.minor", each a plain decimal number.
std::string versionText(int major, int minor);

class AboutBox : public Window {
public:
    static constexpr int kClientWidth = 7455;  // twips
    static constexpr int kClientHeight = 3660;  // with the word lists' credits at the foot
    static constexpr ScaledPicture kHeaderPicture{IDR_HEADER_JPEG, IDR_HEADER_JPEG_150, IDR_HEADER_JPEG_200};

    enum ControlId : int {
        HeaderPicture = kFirstControlId,
        ProductLabel,
        VersionCaption,
        OwnerCaption,
        WebsiteCaption,
        VersionLabel,
        CompanyLabel,
        WebsiteLabel,
        CreditsLabel,
        TwinLabel,       // the template of the skinned twins, out of sight
        FirstTwinLabel,  // the twins, one for each plain label, in the order of the labels
    };

    AboutBox(const Branding& branding, Skinning& skinning, const AppInfo& version)
        : branding_(branding), skinning_(skinning), version_(version) {}


protected:
    void create() override;
    void onLoad() override;

private:
    Control* headerPicture = nullptr;
    Control* productLabel = nullptr;
    Control* versionCaption = nullptr;
    Control* ownerCaption = nullptr;
    Control* websiteCaption = nullptr;
    Control* versionLabel = nullptr;
    Control* companyLabel = nullptr;
    Control* websiteLabel = nullptr;
    Control* creditsLabel = nullptr;  // where the password lists come from
    Control* twinLabel = nullptr;     // the template of the twins
    std::vector<Control*> twins_;
    // Makes the next twin: a hidden copy of the template.
    Control& loadTwinLabel();
    void makeSkinnedTwins();

    const Branding& branding_;
    Skinning& skinning_;
    const AppInfo& version_;  // the version numbers of the executable
    Bitmap header_;
};

}  // namespace vk
