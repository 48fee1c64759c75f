// The About window's code: its version caption and its two links.
#include "tests/unit/fake_platform.h"
#include "windows/about.h"

namespace fake {
namespace {

using namespace windows;

TEST(AboutTexts, VersionAndMailSubjectComeFromTheVersionRecord) {
    const struct {
        platform::VersionNumbers version;
        const wchar_t* caption;
        const wchar_t* link;
    } cases[] = {
        {{2, 0, 0}, L"Version 2.0.0", L"mailto:a@example.org?subject=\"\"Tarnovelle2.0.0\""},
        {{3, 14, 159}, L"Version 3.14.159",
         L"mailto:a@example.org?subject=\"\"Tarnovelle3.14.159\""},
        {{10, 0, 7}, L"Version 10.0.7", L"mailto:a@example.org?subject=\"\"Tarnovelle10.0.7\""},
        {{0, 65535, 65535}, L"Version 0.65535.65535",
         L"mailto:a@example.org?subject=\"\"Tarnovelle0.65535.65535\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(VersionCaption(c.version), c.caption);
        EXPECT_EQ(MailLink(L"a@example.org", c.version), c.link);
    }
}

class AboutWindow : public ::testing::Test {
protected:
    AboutWindow() : host(AboutDesign(), system.journal, 0x00ABCDEF), about(host, system.services()) {
        host.window.events = &about;
    }
    System system;
    Host host;
    fAbout about;
};

TEST_F(AboutWindow, LoadReplacesThePlaceholderWithTheVersion) {
    EXPECT_EQ(host.Get<Label>(kLblVersion).caption, L"%VERSION%");
    system.app.version = {4, 2, 1};
    about.Load();
    EXPECT_EQ(host.Get<Label>(kLblVersion).caption, L"Version 4.2.1");
}

TEST_F(AboutWindow, TheLinksOpenThroughTheShellFromTheProgramsFolder) {
    about.Click(kLblEmail);
    about.Click(kLblWebsite);
    ASSERT_EQ(system.shell.executed.size(), 2u);
    const Executed& mail = system.shell.executed[0];
    EXPECT_EQ(mail.owner, 0x00ABCDEFu);
    EXPECT_EQ(mail.verb, L"Open");
    EXPECT_EQ(mail.file, L"mailto:tarnovelle@example.org?subject=\"\"Tarnovelle2.0.0\"");
    EXPECT_EQ(mail.parameters, L"");
    EXPECT_EQ(mail.directory, L"C:\\Program Files\\Tarnovelle");
    EXPECT_EQ(mail.show, 1);
    const Executed& web = system.shell.executed[1];
    EXPECT_EQ(web.verb, L"Open");
    EXPECT_EQ(web.file, L"https://tarnovelle.example.org/");
    EXPECT_EQ(web.directory, L"C:\\Program Files\\Tarnovelle");
    EXPECT_EQ(web.show, 1);
}

TEST_F(AboutWindow, AFailingShellChangesNothing) {
    system.shell.result = 31;  // no program for the link
    about.Load();
    EXPECT_NO_THROW(about.Click(kLblEmail));
    EXPECT_FALSE(host.window.unloaded);
    EXPECT_EQ(host.Get<Label>(kLblVersion).caption, L"Version 2.0.0");
}

TEST_F(AboutWindow, OnlyTheDrawnCloseButtonCloses) {
    for (int id : {0, static_cast<int>(kLblCopyright), static_cast<int>(kLblVersion)}) about.Click(id);
    EXPECT_FALSE(host.window.unloaded);
    EXPECT_TRUE(system.shell.executed.empty());
    about.Click(kAboutLabel1);
    EXPECT_TRUE(host.window.unloaded);
}

TEST(AboutDesignTable, IsAFixedToolWindowWithItsFourRowsAndCloseButton) {
    const platform::FormDesign& d = AboutDesign();
    EXPECT_EQ(std::wstring(d.caption), L"About");
    EXPECT_EQ(d.border, platform::Border::FixedToolWindow);
    EXPECT_FALSE(d.show_in_taskbar);
    EXPECT_EQ(d.client_width, 5250);
    EXPECT_EQ(d.client_height, 3750);
    ASSERT_EQ(d.control_count, 5);
    const int tops[] = {1200, 1680, 2100, 2550, 3000};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(d.controls[i].top, tops[i]);
        EXPECT_EQ(d.controls[i].tab_index, i);
    }
    EXPECT_TRUE(d.Find(kLblEmail)->font.underline);
    EXPECT_EQ(d.Find(kLblWebsite)->fore_colour, 0x00800000u);
    EXPECT_EQ(d.Find(kLblEmail)->cursor_resource, d.Find(kLblWebsite)->cursor_resource);
    EXPECT_NE(d.Find(kLblEmail)->cursor_resource, d.Find(kAboutLabel1)->cursor_resource);
}

}  // namespace
}  // namespace fake
