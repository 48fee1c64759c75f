// The About window: the version, a notice line, and links to write to the
// makers and to visit their web site.
#pragma once

#include <string>

#include "platform/design.h"
#include "platform/platform.h"

namespace windows {

enum AboutId {
    kLblCopyright = 1,
    kLblVersion,
    kLblEmail,
    kLblWebsite,
    kAboutLabel1,
};

inline constexpr const wchar_t* kMakersEmail = L"tarnovelle@example.org";
inline constexpr const wchar_t* kMakersWebsite = L"https://tarnovelle.example.org/";

const platform::FormDesign& AboutDesign();

// "Version 2.0.0" for version 2.0.0.
std::wstring VersionCaption(const platform::VersionNumbers& version);
// The mail link, its subject the product name and version in quotes.
std::wstring MailLink(const std::wstring& address, const platform::VersionNumbers& version);

class fAbout : public platform::IFormEvents {
public:
    fAbout(platform::IFormHost& host, const platform::Services& services);
    fAbout(const fAbout&) = delete;
    fAbout& operator=(const fAbout&) = delete;

    platform::IWindow& Me;
    platform::ILabel& lblVersion;

    void Form_Load();
    void Label1_Click();
    void lblEmail_Click();
    void lblWebsite_Click();

    void Load() override { Form_Load(); }
    void Click(int id) override;

private:
    void Open(const std::wstring& link);
    const platform::Services services_;
};

}  // namespace windows
