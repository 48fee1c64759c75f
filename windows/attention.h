// The warning window: shown shortly before an armed action runs, it gives
// the user one last way to call the action off.
#pragma once

#include "platform/design.h"
#include "platform/forms.h"
#include "platform/platform.h"

namespace windows {

enum AttentionId { kAttentionLabel1 = 1 };

const platform::FormDesign& AttentionDesign();

class Attention : public platform::IFormEvents {
public:
    Attention(platform::IFormHost& host, platform::IForms& forms);
    Attention(const Attention&) = delete;
    Attention& operator=(const Attention&) = delete;

    platform::IWindow& Me;

    // The cancel command, over the drawn Cancel button.
    void Label1_Click();

    void Click(int id) override;

private:
    platform::IForms& forms_;
};

}  // namespace windows
