#include "windows/about.h"

#include "platform/text.h"
#include "resources/resource.h"

namespace windows {
namespace {

using platform::ControlKind;

constexpr platform::FontDesign kTahoma = {.face = L"Tahoma", .hundredths_pt = 975};
constexpr platform::FontDesign kTahomaLink = {.face = L"Tahoma", .hundredths_pt = 975,
                                              .underline = true};
constexpr std::uint32_t kDarkBlue = 0x00800000;

// The four text labels sit in the framed rows of the background picture.
constexpr platform::ControlDesign kControls[] = {
    {.id = kLblCopyright, .name = L"lblCopyright", .kind = ControlKind::Label,
     .left = 720, .top = 1200, .width = 2190, .height = 240, .tab_index = 0,
     .caption = L"Freeware. (C) 2026 the Tarnovelle makers", .font = kTahoma,
     .has_fore_colour = true, .fore_colour = platform::kColourBlack,
     .auto_size = true},
    {.id = kLblVersion, .name = L"lblVersion", .kind = ControlKind::Label,
     .left = 720, .top = 1680, .width = 1140, .height = 240, .tab_index = 1,
     .caption = L"%VERSION%", .font = kTahoma,
     .has_fore_colour = true, .fore_colour = platform::kColourBlack,
     .auto_size = true},
    {.id = kLblEmail, .name = L"lblEmail", .kind = ControlKind::Label,
     .left = 720, .top = 2100, .width = 1440, .height = 240, .tab_index = 2,
     .caption = kMakersEmail, .font = kTahomaLink,
     .has_fore_colour = true, .fore_colour = kDarkBlue,
     .auto_size = true, .cursor_resource = IDC_LINK, .accessible_name = kMakersEmail,
     .link = true},
    {.id = kLblWebsite, .name = L"lblWebsite", .kind = ControlKind::Label,
     .left = 720, .top = 2550, .width = 1920, .height = 240, .tab_index = 3,
     .caption = kMakersWebsite, .font = kTahomaLink,
     .has_fore_colour = true, .fore_colour = kDarkBlue,
     .auto_size = true, .cursor_resource = IDC_LINK, .accessible_name = kMakersWebsite,
     .link = true},
    {.id = kAboutLabel1, .name = L"Label1", .kind = ControlKind::Label,
     .left = 240, .top = 3000, .width = 2895, .height = 615, .tab_index = 4,
     .cursor_resource = IDC_HAND, .accessible_name = L"Close"},
};

// The name across the picture's top and the frames of its four rows, for a
// contrast theme that draws no pictures; the rows' texts are the labels'.
constexpr platform::FontDesign kNameFont = {.face = L"Tahoma", .hundredths_pt = 2400, .bold = true};

constexpr platform::PictureWords kWords[] = {
    {.kind = platform::WordsKind::Title, .text = L"Tarnovelle",
     .left = 1245, .top = 240, .width = 3855, .height = 660, .font = kNameFont},
    {.kind = platform::WordsKind::Frame, .left = 120, .top = 1110, .width = 5025, .height = 435},
    {.kind = platform::WordsKind::Frame, .left = 120, .top = 1590, .width = 5025, .height = 435},
    {.kind = platform::WordsKind::Frame, .left = 120, .top = 2040, .width = 5025, .height = 405},
    {.kind = platform::WordsKind::Frame, .left = 120, .top = 2475, .width = 5025, .height = 435},
};

constexpr platform::FormDesign kAbout = {
    .name = L"fAbout",
    .caption = L"About",
    .border = platform::Border::FixedToolWindow,
    .icon_resource = IDI_ABOUT,
    .picture_resource = IDP_ABOUT,
    .client_width = 5250,
    .client_height = 3750,
    .centred = true,
    .show_in_taskbar = false,
    .controls = kControls,
    .control_count = sizeof(kControls) / sizeof(kControls[0]),
    .words = kWords,
    .word_count = sizeof(kWords) / sizeof(kWords[0]),
};

std::wstring Dotted(const platform::VersionNumbers& v) {
    using platform::Decimal;
    return Decimal(v.major) + L"." + Decimal(v.minor) + L"." + Decimal(v.revision);
}

}  // namespace

const platform::FormDesign& AboutDesign() { return kAbout; }

std::wstring VersionCaption(const platform::VersionNumbers& version) {
    return L"Version " + Dotted(version);
}

std::wstring MailLink(const std::wstring& address, const platform::VersionNumbers& version) {
    return L"mailto:" + address + L"?subject=\"\"Tarnovelle" + Dotted(version) + L"\"";
}

fAbout::fAbout(platform::IFormHost& host, const platform::Services& services)
    : Me(host.Me()), lblVersion(host.Label(kLblVersion)), services_(services) {}

void fAbout::Form_Load() { lblVersion.SetCaption(VersionCaption(services_.app.Version())); }

void fAbout::Label1_Click() { Me.Unload(); }

void fAbout::Open(const std::wstring& link) {
    // Without a mail program or browser nothing happens, and nothing is said.
    services_.shell.Execute(Me.hWnd(), L"Open", link, L"", services_.app.Path(),
                            platform::kSwShowNormal);
}

void fAbout::lblEmail_Click() { Open(MailLink(kMakersEmail, services_.app.Version())); }

void fAbout::lblWebsite_Click() { Open(kMakersWebsite); }

void fAbout::Click(int id) {
    switch (id) {
        case kAboutLabel1: Label1_Click(); break;
        case kLblEmail: lblEmail_Click(); break;
        case kLblWebsite: lblWebsite_Click(); break;
        default: break;
    }
}

}  // namespace windows
