#pragma once
// The about box: the product's name, version, owner and web site under a header picture. With the
// skin on, each plain label gets a skinned twin laid exactly over it.
#include <string>

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
    Control* twinLabel = nullptr;     // element 0: the template of the twins
    // Loads the next element of the twinLabel array: a hidden copy of element 0.

    Control& loadTwinLabel();
    void makeSkinnedTwins();

    const Branding& branding_;
    Skinning& skinning_;
    const AppInfo& version_;  // the version numbers of the executable
    Bitmap header_;
};

}  // namespace vk
