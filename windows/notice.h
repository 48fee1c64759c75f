// The minute's notice: a small window of its own, shown a minute before a
// shutdown, restart or log-off, in the corner where Windows shows its
// notifications and above every other window, a full-screen film's too,
// without taking the keyboard from it. It says what will happen and when,
// and offers "15 more minutes" and "Cancel"; the main window answers both.
#pragma once

#include <string>

#include "platform/design.h"
#include "platform/forms.h"
#include "platform/platform.h"

namespace windows {

enum NoticeId {
    kNoticeLabel1 = 1,  // its words
    kNoticeLabel2,      // "15 more minutes"
    kNoticeLabel3,      // "Cancel"
    kNoticeLabel4,      // "Close"
    kNoticeLabel5,      // the rest of its surface
    kNoticeTimer1,      // takes the confirmation away
};

const platform::FormDesign& NoticeDesign();

class Notice : public platform::IFormEvents {
public:
    Notice(platform::IFormHost& host, platform::IForms& forms);
    Notice(const Notice&) = delete;
    Notice& operator=(const Notice&) = delete;

    platform::IWindow& Me;
    platform::ILabel& Label1;
    platform::ILabel& Label2;
    platform::ILabel& Label3;
    platform::ITimer& Timer1;

    // What the notice says, with its two buttons.
    void Tell(const std::wstring& words);
    // What it says once the user took more time: no buttons, and it goes by
    // itself a few seconds later, or at a click on it.
    void Confirm(const std::wstring& words);

    void Label2_Click();  // 15 more minutes
    void Label3_Click();  // Cancel
    void Label4_Click();  // Close: the schedule stays as it is
    void Surface_Click(); // Label1 or Label5
    void Timer1_Timer();

    void Click(int id) override;
    void Tick(int id) override;

private:
    void Show(const std::wstring& words, bool confirming);
    platform::IForms& forms_;
    bool confirming_ = false;
};

}  // namespace windows
