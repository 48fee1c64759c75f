#include "windows/attention.h"

#include "resources/resource.h"

namespace windows {
namespace {

constexpr platform::ControlDesign kControls[] = {
    {.id = kAttentionLabel1, .name = L"Label1", .kind = platform::ControlKind::Label,
     .left = 1560, .top = 840, .width = 2775, .height = 615, .tab_index = 0,
     .cursor_resource = IDC_HAND, .accessible_name = L"Cancel"},
};

// The two lines the picture shows, which a screen reader announces, and
// the picture's frame, for a contrast theme that draws no pictures.
constexpr platform::FontDesign kLineFont = {.face = L"Tahoma", .hundredths_pt = 900};
constexpr platform::FontDesign kStrongFont = {.face = L"Tahoma", .hundredths_pt = 900, .bold = true};

constexpr platform::PictureWords kWords[] = {
    {.kind = platform::WordsKind::Frame, .left = 0, .top = 0, .width = 6000, .height = 1500},
    {.kind = platform::WordsKind::Line,
     .text = L"Tarnovelle will execute the requested action in 10 seconds",
     .left = 240, .top = 150, .width = 5520, .height = 300, .font = kLineFont},
    {.kind = platform::WordsKind::Strong, .text = L"This is the last chance to cancel!",
     .left = 240, .top = 450, .width = 5520, .height = 300, .font = kStrongFont},
};

// Borderless, with a picture that carries the two lines of text and the
// drawn Cancel button. The program is in the background when it warns, so
// the window stays above the user's windows, on the monitor the user works
// on, instead of asking for the foreground; a screen reader announces it
// with the two lines, and Esc cancels once the user is in it.
constexpr platform::FormDesign kAttention = {
    .name = L"Attention",
    .caption = L"Attention",
    .border = platform::Border::None,
    .control_box = false,
    .picture_resource = IDP_WARNING,
    .client_width = 6000,
    .client_height = 1500,
    .centred = true,
    .on_users_monitor = true,
    .show_in_taskbar = false,
    .topmost = true,
    .alert = true,
    .cancel_control = kAttentionLabel1,
    .controls = kControls,
    .control_count = 1,
    .words = kWords,
    .word_count = sizeof(kWords) / sizeof(kWords[0]),
};

}  // namespace

const platform::FormDesign& AttentionDesign() { return kAttention; }

Attention::Attention(platform::IFormHost& host, platform::IForms& forms)
    : Me(host.Me()), forms_(forms) {}

void Attention::Label1_Click() {
    // The main window's own cancel (the action no longer fires, the main
    // window shows again), then this window goes.
    forms_.CancelSchedule();
    Me.Unload();
}

void Attention::Click(int id) {
    if (id == kAttentionLabel1) Label1_Click();
}

}  // namespace windows
