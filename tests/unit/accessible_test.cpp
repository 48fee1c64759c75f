// What keyboard and screen-reader users get of each window, as its design
// gives it.
#include <gtest/gtest.h>

#include <string>

#include "platform/accessible.h"
#include "tests/unit/fake_platform.h"
#include "windows/about.h"
#include "windows/attention.h"
#include "windows/form1_design.h"
#include "windows/notice.h"

namespace {

using platform::AccessibleElement;
using platform::AccessibleRole;
using platform::ControlDesign;
using platform::ElementOf;
using platform::FormDesign;

const FormDesign* const kForms[] = {&windows::Form1Design(), &windows::AttentionDesign(),
                                    &windows::AboutDesign(),
                                    &windows::NoticeDesign()};

TEST(Accessible, EveryClickAreaIsADrawnButtonAKeyboardReachesAndAReaderNames) {
    for (const FormDesign* form : kForms)
        for (int i = 0; i < form->control_count; ++i) {
            const ControlDesign& c = form->controls[i];
            if (c.kind != platform::ControlKind::Label || !c.cursor_resource) continue;
            SCOPED_TRACE(fake::Narrow(form->name) + "." + fake::Narrow(c.name));
            ASSERT_TRUE(platform::IsDrawnButton(c));
            const AccessibleElement e = ElementOf(c);
            EXPECT_FALSE(e.name.empty());
            EXPECT_TRUE(e.focusable);
            EXPECT_NE(e.default_action, nullptr);
            EXPECT_NE(e.role, AccessibleRole::Standard);
        }
}

TEST(Accessible, TheMainWindowsDrawnButtonsArePushButtonsNamedAsDrawnAfterTheLists) {
    const FormDesign& form = windows::Form1Design();
    int last_list = -1;
    for (int id : {windows::kCombo1, windows::kCombo2, windows::kCombo3, windows::kCombo4})
        last_list = std::max(last_list, form.Find(id)->tab_index);
    const std::pair<int, const wchar_t*> buttons[] = {
        {windows::kLabel2, L"Set Action"}, {windows::kLabel3, L"About"}, {windows::kLabel4, L"Close"}};
    int previous = last_list;
    for (const auto& [id, name] : buttons) {
        const ControlDesign& c = *form.Find(id);
        const AccessibleElement e = ElementOf(c);
        EXPECT_EQ(e.name, name);
        EXPECT_EQ(e.role, AccessibleRole::PushButton);
        EXPECT_EQ(std::wstring(e.default_action), L"Press");
        EXPECT_GT(c.tab_index, previous) << fake::Narrow(name);  // in this order, after the lists
        previous = c.tab_index;
    }
}

TEST(Accessible, ListsAndTheClockCarryTheWordsThePicturesShowAndStayStandardControls) {
    const FormDesign& form = windows::Form1Design();
    const std::pair<int, const wchar_t*> named[] = {{windows::kCombo1, L"Hour"},
                                                    {windows::kCombo2, L"Minute"},
                                                    {windows::kCombo3, L"Second"},
                                                    {windows::kCombo4, L"Action"},
                                                    {windows::kNtime, L"Clock"}};
    for (const auto& [id, name] : named) {
        const AccessibleElement e = ElementOf(*form.Find(id));
        EXPECT_EQ(e.name, name);
        EXPECT_EQ(e.role, AccessibleRole::Standard);
        EXPECT_FALSE(e.focusable);  // the system's control takes the focus itself
        EXPECT_EQ(e.default_action, nullptr);
    }
    // A caption is read as the label's own text; the slogan is no button.
    const AccessibleElement slogan = ElementOf(*form.Find(windows::kLabel1));
    EXPECT_TRUE(slogan.name.empty());
    EXPECT_FALSE(slogan.focusable);
    // The window itself is named by its caption.
    EXPECT_TRUE(ElementOf(form).name.empty());
    EXPECT_EQ(ElementOf(form).role, AccessibleRole::Standard);
    EXPECT_EQ(form.cancel_control, 0);  // Esc cancels nothing here
}

TEST(Accessible, TheWarningIsAnAlertSpeakingItsTwoLinesWithCancelAsItsFocusStopAndEsc) {
    const FormDesign& form = windows::AttentionDesign();
    const AccessibleElement window = ElementOf(form);
    EXPECT_EQ(window.role, AccessibleRole::Alert);
    EXPECT_EQ(window.name,
              L"Tarnovelle will execute the requested action in 10 seconds\n"
              L"This is the last chance to cancel!");
    const ControlDesign& cancel = *form.Find(windows::kAttentionLabel1);
    EXPECT_EQ(ElementOf(cancel).name, L"Cancel");
    EXPECT_EQ(ElementOf(cancel).role, AccessibleRole::PushButton);
    EXPECT_EQ(cancel.tab_index, 0);
    EXPECT_EQ(form.cancel_control, windows::kAttentionLabel1);
}

TEST(Accessible, TheAboutWindowsLinksAreLinksNamedByWhatTheyShow) {
    const FormDesign& form = windows::AboutDesign();
    for (int id : {windows::kLblEmail, windows::kLblWebsite}) {
        const ControlDesign& c = *form.Find(id);
        const AccessibleElement e = ElementOf(c);
        EXPECT_EQ(e.role, AccessibleRole::Link);
        EXPECT_EQ(e.name, c.caption);
        EXPECT_EQ(std::wstring(e.default_action), L"Jump");
    }
    EXPECT_EQ(ElementOf(*form.Find(windows::kAboutLabel1)).name, L"Close");
    EXPECT_FALSE(ElementOf(*form.Find(windows::kLblVersion)).focusable);
}

}  // namespace
