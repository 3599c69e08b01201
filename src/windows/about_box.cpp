#include "windows/about_box.h"

#include <algorithm>
#include <vector>

#include "platform/picture.h"
#include "resource_ids.h"
#include "skin/skin.h"
#include "skin/skin_label.h"

namespace vk {
namespace {

constexpr char kCredits[] =
    "Passphrase words: EFF's Large Wordlist (eff.org, CC BY 3.0 US). Common passwords, words and "
    "names: zxcvbn and zxcvbn-ts (MIT licence), word frequencies from OpenSubtitles via OPUS (ODC-BY). "
    "Help has the details.";

}  // namespace

std::string versionText(int major, int minor) {
    return std::to_string(major) + "." + std::to_string(minor);
}

void AboutBox::create() {
    Frame frame;
    frame.style = kFixedSingleBorder;
    frame.clientWidth = kClientWidth;
    frame.clientHeight = kClientHeight;
    if (!createProgramFrame(frame)) return;
    HFONT title = makeFont(L"Verdana", 14.25, true);
    HFONT text = makeFont(L"Verdana", 12, true);
    HFONT small = makeFont(L"MS Sans Serif", 8.25);

    auto skinLabel = [this](int id, const char* caption, int left, int top, int width, int height, HFONT font) {
        Control* label = &createSkinLabel(*this, id, caption, left, top, width, height);
        label->setFont(font);
        return label;
    };
    auto plainLabel = [this, text](int id, const char* caption, int top) {
        Control* label = &createLabel(id, caption, 180, top, 2295, 315);
        label->setFont(text);
        return label;
    };
    headerPicture = &createControl(ControlKind::Picture, HeaderPicture, L"STATIC",
                                   WS_VISIBLE | WS_CLIPSIBLINGS | SS_BITMAP, 0, "", 0, 0, 7515, 1035);
    header_ = loadPictureResource(kHeaderPicture, dpi(), toPixels(7515), toPixels(1035));
    SendMessageW(headerPicture->hwnd(), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(header_.get()));
    productLabel = skinLabel(ProductLabel, "YourProgramName", 120, 1200, 7095, 435, title);
    versionCaption = plainLabel(VersionCaption, "Version:", 1680);
    ownerCaption = plainLabel(OwnerCaption, "Owned By:", 2100);
    websiteCaption = plainLabel(WebsiteCaption, "Website:", 2520);
    versionLabel = skinLabel(VersionLabel, "Version", 2580, 1680, 4635, 315, text);
    companyLabel = skinLabel(CompanyLabel, "Version", 2580, 2100, 4635, 315, text);
    websiteLabel = skinLabel(WebsiteLabel, "Version", 2580, 2520, 4635, 315, text);
    creditsLabel = skinLabel(CreditsLabel, kCredits, 180, 2970, 7095, 585, small);
    // Just below the client area, out of sight.
    twinLabel = skinLabel(TwinLabel, "Windowed Label", 480, kClientHeight + 15, 555, 195, small);
    twins_.clear();
}

void AboutBox::onLoad() {
    standAboveKeptOnTop();
    setCaption("About " + branding_.productName);
    productLabel->setText(branding_.productName);
    companyLabel->setText(branding_.companyName);
    versionLabel->setText(versionText(version_.major, version_.minor));
    websiteLabel->setText(branding_.companyWebsite);
    if (skinning_.skinEnabled) {
        makeSkinnedTwins();
        skinWindow(skinning_, *this);
    }
}

Control& AboutBox::loadTwinLabel() {
    const int id = FirstTwinLabel + static_cast<int>(twins_.size());
    Control& twin = createSkinLabel(*this, id, twinLabel->text(), twinLabel->left(), twinLabel->top(),
                                    twinLabel->width(), twinLabel->height(), false);
    twin.setFont(twinLabel->font());
    twins_.push_back(&twin);
    return twin;
}

void AboutBox::makeSkinnedTwins() {
    std::vector<Control*> plainLabels;
    for (const auto& control : controls())
        if (control->kind() == ControlKind::Label) plainLabels.push_back(control.get());
    for (Control* label : plainLabels) {
        Control& twin = loadTwinLabel();
        twin.setTop(label->top());
        twin.setLeft(label->left());
        twin.setHeight(label->height());
        twin.setWidth(label->width());
        twin.setFont(label->font());
        twin.setText(label->text());
        twin.setVisible(label->visible());
        // Above the plain label it covers.
        SetWindowPos(twin.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

}  // namespace vk
