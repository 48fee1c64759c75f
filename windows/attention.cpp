#include "windows/attention.h"

#include "resources/resource.h"
#include "scheduler/form1.h"

namespace windows {
namespace {

constexpr platform::ControlDesign kControls[] = {
    {.id = kAttentionLabel1, .name = L"Label1", .kind = platform::ControlKind::Label,
     .left = 1560, .top = 840, .width = 2775, .height = 615, .tab_index = 0,
     .transparent = true, .cursor_resource = IDC_HAND},
};

// Borderless, with a picture that carries the two lines of text and the
// drawn Cancel button.
constexpr platform::FormDesign kAttention = {
    .name = L"Attention",
    .caption = L"Attention",
    .border = platform::Border::None,
    .control_box = false,
    .picture_resource = IDP_WARNING,
    .client_width = 6000,
    .client_height = 1500,
    .centred = true,
    .show_in_taskbar = false,
    .controls = kControls,
    .control_count = 1,
};

}  // namespace

const platform::FormDesign& AttentionDesign() { return kAttention; }

Attention::Attention(platform::IFormHost& host, platform::IForms& forms)
    : Me(host.Me()), forms_(forms) {}

void Attention::Label1_Click() {
    scheduler::Form1& main = forms_.MainForm();
    main.Timer2.SetEnabled(false);
    main.Timer3.SetEnabled(false);  // the warning must not come back for this schedule
    main.Command1.SetEnabled(true);
    main.Me.SetCaption(scheduler::kProductName);
    main.Me.Show();
    Me.Unload();
}

void Attention::Click(int id) {
    if (id == kAttentionLabel1) Label1_Click();
}

}  // namespace windows
