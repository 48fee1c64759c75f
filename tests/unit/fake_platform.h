// A recording substitute for the system, for the windows' code. Controls are
// built from the same design tables the real windows are built from, so a
// list offers exactly the items the real one does.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/design.h"
#include "platform/forms.h"
#include "platform/platform.h"

namespace fake {

using platform::Handle;

// Everything the substitute saw, in order, as short texts.
struct Journal {
    std::vector<std::string> entries;
    void Add(std::string entry) { entries.push_back(std::move(entry)); }
    bool Has(const std::string& entry) const {
        for (const auto& e : entries)
            if (e == entry) return true;
        return false;
    }
    // Position of the first entry, or -1.
    int IndexOf(const std::string& entry) const {
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (entries[i] == entry) return static_cast<int>(i);
        return -1;
    }
};

inline std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

// Raised by a substitute operation told to fail.
inline platform::Error Refusal() { return platform::Error{5, L"Refused"}; }

// What every substitute control is, so a window holds them all in one table
// as the real window does.
class Control {
public:
    virtual ~Control() = default;
};

class List final : public Control, public platform::IListBox {
public:
    explicit List(const platform::ControlDesign& design) : design_(design) {}
    std::wstring Text() const override { return text_; }
    void SetText(const std::wstring& text) override {
        if (!Offers(text)) throw platform::Error{platform::kErrInvalidCall, L"Invalid property value"};
        text_ = text;
    }
    // A user's pick: only one of the list's items.
    void Pick(const std::wstring& item) {
        if (Offers(item)) text_ = item;
        else ADD_FAILURE() << "the list " << Narrow(design_.name) << " offers no item " << Narrow(item);
    }
    void Clear() { text_.clear(); }

private:
    bool Offers(const std::wstring& item) const {
        for (int i = 0; i < design_.item_count; ++i)
            if (item == design_.items[i]) return true;
        return false;
    }
    const platform::ControlDesign& design_;
    std::wstring text_;
};

class TextBox final : public Control, public platform::ITextBox {
public:
    std::wstring Text() const override { return text; }
    void SetText(const std::wstring& t) override { text = t; }
    std::wstring text;
};

class Label final : public Control, public platform::ILabel {
public:
    explicit Label(const platform::ControlDesign& design)
        : caption(design.caption ? design.caption : L""), visible(design.visible) {}
    std::wstring Caption() const override { return caption; }
    void SetCaption(const std::wstring& c) override { caption = c; }
    void SetVisible(bool v) override { visible = v; }
    std::wstring caption;
    bool visible;
};

class Timer final : public Control, public platform::ITimer {
public:
    explicit Timer(const platform::ControlDesign& design) : enabled(design.enabled) {}
    bool Enabled() const override { return enabled; }
    void SetEnabled(bool e) override { enabled = e; }
    bool enabled;
};

class Button final : public Control, public platform::ICommandButton {
public:
    explicit Button(const platform::ControlDesign& design) : enabled(design.enabled) {}
    bool Enabled() const override { return enabled; }
    void SetEnabled(bool e) override { enabled = e; }
    bool enabled;
};

class Menu final : public platform::IMenu {};

class Image final : public Control {};  // a picture control: nothing to drive

class Window final : public platform::IWindow {
public:
    Window(const platform::FormDesign& design, Journal& journal, Handle handle)
        : caption(design.caption), journal_(journal), handle_(handle) {}

    Handle hWnd() const override { return handle_; }
    std::wstring Caption() const override {
        Check("caption");
        return caption;
    }
    void SetCaption(const std::wstring& c) override {
        Check("set caption");
        caption = c;
    }
    bool Visible() const override { return visible; }
    void Show() override {
        Check("show");
        visible = true;
        ++shows;
        journal_.Add(Narrow(name_) + " show");
    }
    void Hide() override {
        Check("hide");
        visible = false;
        journal_.Add(Narrow(name_) + " hide");
    }
    int WindowState() const override {
        Check("state");
        return state;
    }
    void SetWindowState(int s) override {
        Check("set state");
        state = s;
        journal_.Add(Narrow(name_) + " state " + std::to_string(s));
    }
    void PopupMenu(platform::IMenu& menu) override {
        Check("popup");
        ++popups;
        journal_.Add(Narrow(name_) + " popup");
        if (while_menu_open) while_menu_open(menu);
    }
    void Unload() override {
        journal_.Add(Narrow(name_) + " unload");
        unloaded = true;
        visible = false;
        if (events) events->Unload();
    }

    void set_name(const std::wstring& name) { name_ = name; }

    std::wstring caption;
    bool visible = false;
    int state = platform::kStateNormal;
    int shows = 0;
    int popups = 0;
    bool unloaded = false;
    // Operations named here raise an error.
    std::vector<std::string> refuse;
    // Runs inside PopupMenu, as the menu's own message loop would.
    std::function<void(platform::IMenu&)> while_menu_open;
    platform::IFormEvents* events = nullptr;

private:
    void Check(const std::string& operation) const {
        for (const auto& r : refuse)
            if (r == operation) throw Refusal();
    }
    Journal& journal_;
    Handle handle_;
    std::wstring name_ = L"window";
};

// A window's controls, by their design ids, made through the same rule as
// the real window's (platform::MakeControl).
class Host final : public platform::IFormHost {
public:
    Host(const platform::FormDesign& design, Journal& journal, Handle handle)
        : window(design, journal, handle) {
        window.set_name(design.name);
        Maker maker;
        for (int i = 0; i < design.control_count; ++i)
            controls[design.controls[i].id] = platform::MakeControl(maker, design.controls[i]);
        for (int i = 0; i < design.menu_count; ++i)
            if (design.menu[i].level == 0) menus[design.menu[i].id] = std::make_unique<fake::Menu>();
    }

    platform::IWindow& Me() override { return window; }
    platform::IListBox& List(int id) override { return Get<fake::List>(id); }
    platform::ITextBox& TextBox(int id) override { return Get<fake::TextBox>(id); }
    platform::ILabel& Label(int id) override { return Get<fake::Label>(id); }
    platform::ITimer& Timer(int id) override { return Get<fake::Timer>(id); }
    platform::ICommandButton& Button(int id) override { return Get<fake::Button>(id); }
    platform::IMenu& Menu(int id) override {
        auto it = menus.find(id);
        if (it == menus.end()) throw platform::Error{5, L"no such menu"};
        return *it->second;
    }

    // The control with this id, which must be of kind C.
    template <class C>
    C& Get(int id) {
        auto it = controls.find(id);
        C* control = it == controls.end() ? nullptr : dynamic_cast<C*>(it->second.get());
        if (!control) throw platform::Error{5, L"no such control"};
        return *control;
    }

    Window window;
    std::map<int, std::unique_ptr<Control>> controls;
    std::map<int, std::unique_ptr<fake::Menu>> menus;

private:
    struct Maker {
        using Made = std::unique_ptr<Control>;
        Made Timer(const platform::ControlDesign& d) { return std::make_unique<fake::Timer>(d); }
        Made PushButton(const platform::ControlDesign& d) { return std::make_unique<fake::Button>(d); }
        Made DropDownList(const platform::ControlDesign& d) { return std::make_unique<fake::List>(d); }
        Made TextBox(const platform::ControlDesign&) { return std::make_unique<fake::TextBox>(); }
        Made Label(const platform::ControlDesign& d) { return std::make_unique<fake::Label>(d); }
        Made Picture(const platform::ControlDesign&) { return std::make_unique<fake::Image>(); }
    };
};

struct Shown {
    Handle owner;
    std::wstring text;
    std::wstring title;
    unsigned style;
};

class MessageBoxes final : public platform::IMessageBox {
public:
    explicit MessageBoxes(Journal& journal) : journal_(journal) {}
    int Show(Handle owner, const std::wstring& text, const std::wstring& title,
             unsigned style) override {
        if (fail) throw Refusal();
        shown.push_back({owner, text, title, style});
        journal_.Add("message " + Narrow(title));
        if (while_open) while_open(shown.back());
        return platform::kIdOk;
    }
    std::vector<Shown> shown;
    bool fail = false;
    // Runs while the box is open, as its modal loop would run timers.
    std::function<void(const Shown&)> while_open;

private:
    Journal& journal_;
};

struct ProgramEnded {};

struct Started {
    std::wstring application;
    std::wstring command_line;
    int show;
    Handle notify;  // the window told when it ends
};

class Process final : public platform::IProcess {
public:
    explicit Process(Journal& journal) : journal_(journal) {}
    void Start(const std::wstring& application, const std::wstring& command_line, int show,
               Handle notify) override {
        if (missing) throw platform::Error{platform::kErrFileNotFound, L"File not found"};
        started.push_back({application, command_line, show, notify});
        journal_.Add("start " + Narrow(command_line));
    }
    // The real one does not return.
    void EndNow() override {
        ++ended;
        journal_.Add("end");
        throw ProgramEnded{};
    }
    std::vector<Started> started;
    int ended = 0;
    bool missing = false;

private:
    Journal& journal_;
};

struct Executed {
    Handle owner;
    std::wstring verb, file, parameters, directory;
    int show;
};

class Shell final : public platform::IShell {
public:
    explicit Shell(Journal& journal) : journal_(journal) {}
    long Execute(Handle owner, const std::wstring& verb, const std::wstring& file,
                 const std::wstring& parameters, const std::wstring& directory,
                 int show) override {
        executed.push_back({owner, verb, file, parameters, directory, show});
        journal_.Add("shell " + Narrow(file));
        return result;
    }
    std::vector<Executed> executed;
    long result = 42;

private:
    Journal& journal_;
};

class FileDialog final : public platform::IFileDialog {
public:
    explicit FileDialog(Journal& journal) : journal_(journal) {}
    // nullopt: the user cancels. Otherwise the path the dialog writes into
    // the file buffer, followed by its NUL; the rest stays as it was.
    std::optional<std::wstring> choice;
    bool GetOpenFileName(platform::OpenFileNameRecord& record) override {
        seen = record;
        ++opened;
        journal_.Add("file dialog");
        if (!choice) return false;
        std::wstring written = *choice;
        written.push_back(L'\0');
        if (written.size() > record.nMaxFile) return false;  // buffer too small
        record.lpstrFile.replace(0, std::min(written.size(), record.lpstrFile.size()), written);
        return true;
    }
    platform::OpenFileNameRecord seen;
    int opened = 0;

private:
    Journal& journal_;
};

class Clock final : public platform::IClock {
public:
    platform::LocalTime Now() override { return time; }
    std::int64_t SteadyMs() override { return steady_ms; }
    // The wall clock shows an HH:MM:SS text, `ms` into its second.
    void Set(const std::wstring& text, int ms = 0) {
        auto two = [&](std::size_t at) { return (text.at(at) - L'0') * 10 + (text.at(at + 1) - L'0'); };
        time = platform::LocalTime{two(0), two(3), two(6), ms};
    }
    platform::LocalTime time{12, 0, 0, 0};
    std::int64_t steady_ms = 1'000'000;
};

class Power final : public platform::IPower {
public:
    explicit Power(Journal& journal) : journal_(journal) {}
    void KeepAwake(bool on) override {
        requests.push_back(on);
        awake = on;
        journal_.Add(on ? "awake on" : "awake off");
    }
    std::vector<bool> requests;
    bool awake = false;

private:
    Journal& journal_;
};

class App final : public platform::IApp {
public:
    Handle Instance() override { return 0x00400000; }
    std::wstring Path() override { return path; }
    std::wstring CurrentDirectory() override { return current; }
    std::wstring SystemDirectory() override { return system; }
    platform::VersionNumbers Version() override { return version; }
    void InitCommonControls() override { ++common_controls; }

    std::wstring path = L"C:\\Program Files\\Tarnovelle";
    std::wstring current = L"C:\\Users\\someone\\Documents";
    std::wstring system = L"C:\\WINDOWS\\system32";
    platform::VersionNumbers version{2, 0, 0};
    int common_controls = 0;
};

class Screen final : public platform::IScreen {
public:
    float TwipsPerPixelX() override { return twips_per_pixel; }
    float twips_per_pixel = 15.0f;
};

// A double-byte code page: ASCII in one byte, CJK ideographs and kana in
// two (a lead byte from 0x81), anything else becomes "?".
class CodePage final : public platform::ICodePage {
public:
    std::string ToAnsi(const std::wstring& text) override {
        std::string out;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const wchar_t c = text[i];
            if (c < 0x80) {
                out += static_cast<char>(c);
            } else if ((c >= 0x3040 && c <= 0x30FF) || (c >= 0x4E00 && c <= 0x9FFF)) {
                out += static_cast<char>(0x81 + (c >> 8) % 0x1F);
                out += static_cast<char>(0x40 + (c & 0x3F));
            } else {
                if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) ++i;  // one character
                out += '?';
            }
        }
        return out;
    }
};

class Picture final : public platform::IPicture {
public:
    explicit Picture(Handle value) : value_(value) {}
    Handle Value() const override { return value_; }

private:
    Handle value_;
};

class Resources final : public platform::IResources {
public:
    std::unique_ptr<platform::IPicture> LoadIconPicture(int id) override {
        loaded.push_back(id);
        if (missing) throw platform::Error{326, L"Resource not found"};
        return std::make_unique<Picture>(icon_handle);
    }
    std::vector<int> loaded;
    bool missing = false;
    Handle icon_handle = 0x5A5A;
};

struct Notified {
    std::uint32_t message;
    platform::NotifyIconData88 record;
};

struct Ballooned {
    std::uint32_t message;
    platform::NotifyIconDataV2 record;
};

class NotifyArea final : public platform::INotifyArea {
public:
    explicit NotifyArea(Journal& journal) : journal_(journal) {}
    bool NotifyIcon(std::uint32_t message, const platform::NotifyIconDataV2& record) override {
        if (fail) throw Refusal();
        balloons.push_back({message, record});
        journal_.Add("balloon");
        return answer;
    }
    std::vector<Ballooned> balloons;
    bool NotifyIcon(std::uint32_t message, const platform::NotifyIconData88& record) override {
        if (fail) throw Refusal();
        calls.push_back({message, record});
        journal_.Add(message == platform::kNimAdd      ? "icon add"
                     : message == platform::kNimModify ? "icon modify"
                                                       : "icon delete");
        return answer_for ? answer_for(message) : answer;
    }
    std::vector<Notified> calls;
    bool answer = true;
    // When set, the answer for each message instead.
    std::function<bool(std::uint32_t)> answer_for;
    bool fail = false;

private:
    Journal& journal_;
};

class Forms final : public platform::IForms {
public:
    explicit Forms(Journal& journal) : journal_(journal) {}
    void CancelSchedule() override {
        journal_.Add("cancel schedule");
        if (cancel_schedule) cancel_schedule();
    }
    void ShowAttention() override {
        ++attention_shows;
        journal_.Add("show attention");
    }
    void CloseAttention() override { journal_.Add("close attention"); }
    // The notice: each thing it said, in order ("+" before a confirmation),
    // and whether it is open.
    void ShowNotice(const std::wstring& words) override {
        notices.push_back(words);
        notice_open = true;
    }
    void ConfirmNotice(const std::wstring& words) override {
        notices.push_back(L"+" + words);
        notice_open = true;
    }
    void CloseNotice() override { notice_open = false; }
    void PostponeSchedule() override {
        journal_.Add("postpone schedule");
        if (postpone_schedule) postpone_schedule();
    }
    void ShowAbout() override {
        ++about_shows;
        journal_.Add("show about");
    }
    // The main window's own cancel and postponing, when a main window is there.
    std::function<void()> cancel_schedule;
    std::function<void()> postpone_schedule;
    std::vector<std::wstring> notices;
    bool notice_open = false;
    int attention_shows = 0;
    int about_shows = 0;

private:
    Journal& journal_;
};

// The whole substitute system.
struct System {
    Journal journal;
    MessageBoxes message_box{journal};
    Process process{journal};
    Shell shell{journal};
    FileDialog file_dialog{journal};
    Clock clock;
    Power power{journal};
    App app;
    Screen screen;
    CodePage code_page;
    Resources resources;
    NotifyArea notify_area{journal};
    Forms forms{journal};

    platform::Services services() {
        return platform::Services{message_box, process, shell,     file_dialog, clock,
                                  power,       app,     screen,    code_page,   resources,
                                  notify_area, forms};
    }
};

}  // namespace fake
