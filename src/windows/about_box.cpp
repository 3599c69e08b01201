#include "windows/about_box.h"

#include <algorithm>
#include <vector>

#include "platform/picture.h"
#include "resource_ids.h"
#include "skin/skin.h"
#include "skin/skin_label.h"

namespace vk {

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

    auto skinLabel = [this](const char* name, int index, const char* caption, int left, int top, int width,
                            int height, HFONT font) {
        Control* label = &addSkinLabel(*this, name, index, caption, left, top, width, height);
        label->setFont(font);
        return label;
    };
    auto plainLabel = [this, text](const char* name, const char* caption, int top) {
        Control* label = &addLabel(name, caption, 180, top, 2295, 315);
        label->setFont(text);
        return label;
    };
    Picture1 = &addControl("Picture1", -1, "PictureBox", L"STATIC", WS_VISIBLE | WS_CLIPSIBLINGS | SS_BITMAP, 0, "",
                           0, 0, 7515, 1035);
    header_ = loadPictureResource(kHeaderPicture, dpi(), toPixels(7515), toPixels(1035));
    SendMessageW(Picture1->hwnd(), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(header_.get()));
    Label1 = skinLabel("Label1", -1, "YourProgramName", 120, 1200, 7095, 435, title);
    Label2 = plainLabel("Label2", "Version:", 1680);
    Label3 = plainLabel("Label3", "Owned By:", 2100);
    Label4 = plainLabel("Label4", "Website:", 2520);
    lblVersion = skinLabel("lblVersion", -1, "Version", 2580, 1680, 4635, 315, text);
    lblCompany = skinLabel("lblCompany", -1, "Version", 2580, 2100, 4635, 315, text);
    lblWebsite = skinLabel("lblWebsite", -1, "Version", 2580, 2520, 4635, 315, text);
    SkinLabel1 = skinLabel("SkinLabel1", 0, "Windowed Label", 480, 2940, 555, 195, small);
}

void AboutBox::Form_Load() {
    standAboveKeptOnTop();
    setCaption("About " + branding_.productName);
    Label1->setText(branding_.productName);
    lblCompany->setText(branding_.companyName);
    lblVersion->setText(versionText(version_.Major, version_.Minor));
    lblWebsite->setText(branding_.companyWebsite);
    if (skinning_.skinEnabled) {
        makeSkinnedTwins();
        SkinForm(skinning_, *this);
    }
}

Control& AboutBox::loadSkinLabelElement() {
    int highest = 0;
    for (const auto& control : controls())
        if (control->name() == "SkinLabel1") highest = std::max(highest, control->index());
    Control& element = addSkinLabel(*this, "SkinLabel1", highest + 1, SkinLabel1->text(), SkinLabel1->left(),
                                    SkinLabel1->top(), SkinLabel1->width(), SkinLabel1->height(), false);
    element.setFont(SkinLabel1->font());
    return element;
}

void AboutBox::makeSkinnedTwins() {
    std::vector<Control*> plainLabels;
    for (const auto& control : controls())
        if (control->typeName() == "Label") plainLabels.push_back(control.get());
    for (Control* label : plainLabels) {
        Control& twin = loadSkinLabelElement();
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
