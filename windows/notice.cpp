#include "windows/notice.h"

#include "resources/resource.h"

namespace windows {
namespace {

using platform::ControlKind;

constexpr platform::FontDesign kWordsFont = {.face = L"Tahoma", .hundredths_pt = 1000, .bold = true};
constexpr platform::FontDesign kNameFont = {.face = L"Tahoma", .hundredths_pt = 900};

// How long the confirmation stays: long enough to be read, short enough
// not to stand over the film.
constexpr int kConfirmationMs = 6000;

// 360 x 112 pixels at 100 %: the name at the top left and Close at the top
// right, the words below them, the two buttons at the bottom right. The
// rest of the surface (Label5, behind all) takes a click on the
// confirmation.
constexpr platform::ControlDesign kControls[] = {
    {.id = kNoticeLabel2, .name = L"Label2", .kind = ControlKind::Label,
     .left = 1860, .top = 1110, .width = 1920, .height = 390, .tab_index = 0,
     .cursor_resource = IDC_HAND, .accessible_name = L"15 more minutes"},
    {.id = kNoticeLabel3, .name = L"Label3", .kind = ControlKind::Label,
     .left = 3900, .top = 1110, .width = 1320, .height = 390, .tab_index = 1,
     .cursor_resource = IDC_HAND, .accessible_name = L"Cancel"},
    {.id = kNoticeLabel4, .name = L"Label4", .kind = ControlKind::Label,
     .left = 4260, .top = 120, .width = 960, .height = 330, .tab_index = 2,
     .cursor_resource = IDC_HAND, .accessible_name = L"Close"},
    {.id = kNoticeLabel1, .name = L"Label1", .kind = ControlKind::Label,
     .left = 180, .top = 540, .width = 5040, .height = 540, .caption = L"", .font = kWordsFont},
    {.id = kNoticeTimer1, .name = L"Timer1", .kind = ControlKind::Timer,
     .enabled = false, .interval_ms = kConfirmationMs},
    {.id = kNoticeLabel5, .name = L"Label5", .kind = ControlKind::Label,
     .left = 0, .top = 0, .width = 5400, .height = 1680},
};

constexpr platform::PictureWords kWords[] = {
    {.kind = platform::WordsKind::Frame, .left = 0, .top = 0, .width = 5400, .height = 1680},
    {.kind = platform::WordsKind::Title, .text = L"Tarnovelle",
     .left = 180, .top = 120, .width = 3000, .height = 330, .font = kNameFont},
};

// Borderless, as Windows' own notifications are, and drawn in the system's
// colours. Its caption is what it says (the program sets it): the taskbar,
// the window switcher and a screen reader name it so. Not the foreground
// when it appears, but a keyboard user reaches it from the taskbar or the
// window switcher, where Tab goes between its buttons and Esc closes it.
constexpr platform::FormDesign kNotice = {
    .name = L"Notice",
    .caption = L"Tarnovelle",
    .border = platform::Border::None,
    .control_box = false,
    .icon_resource = IDI_PROGRAM,
    .client_width = 5400,
    .client_height = 1680,
    .centred = false,
    .on_users_monitor = true,
    .show_in_taskbar = true,
    .topmost = true,
    .notification = true,
    .drawn = true,
    .alert = true,
    .cancel_control = kNoticeLabel4,
    .controls = kControls,
    .control_count = sizeof(kControls) / sizeof(kControls[0]),
    .words = kWords,
    .word_count = sizeof(kWords) / sizeof(kWords[0]),
};

}  // namespace

const platform::FormDesign& NoticeDesign() { return kNotice; }

Notice::Notice(platform::IFormHost& host, platform::IForms& forms)
    : Me(host.Me()),
      Label1(host.Label(kNoticeLabel1)),
      Label2(host.Label(kNoticeLabel2)),
      Label3(host.Label(kNoticeLabel3)),
      Timer1(host.Timer(kNoticeTimer1)),
      forms_(forms) {}

void Notice::Tell(const std::wstring& words) { Show(words, false); }
void Notice::Confirm(const std::wstring& words) { Show(words, true); }

void Notice::Show(const std::wstring& words, bool confirming) {
    confirming_ = confirming;
    Me.SetCaption(words);
    Label1.SetCaption(words);
    Label2.SetVisible(!confirming);
    Label3.SetVisible(!confirming);
    Timer1.SetEnabled(confirming);
}

// The main window's own postponing, which has this window confirm it.
void Notice::Label2_Click() {
    if (!confirming_) forms_.PostponeSchedule();
}

// The main window's own cancel (it shows again, ready to be armed), then
// this window goes.
void Notice::Label3_Click() {
    if (confirming_) return;
    forms_.CancelSchedule();
    Me.Unload();
}

void Notice::Label4_Click() { Me.Unload(); }

void Notice::Surface_Click() {
    if (confirming_) Me.Unload();
}

void Notice::Timer1_Timer() { Me.Unload(); }

void Notice::Click(int id) {
    switch (id) {
        case kNoticeLabel2: Label2_Click(); break;
        case kNoticeLabel3: Label3_Click(); break;
        case kNoticeLabel4: Label4_Click(); break;
        case kNoticeLabel1:
        case kNoticeLabel5: Surface_Click(); break;
        default: break;
    }
}

void Notice::Tick(int id) {
    if (id == kNoticeTimer1) Timer1_Timer();
}

}  // namespace windows
