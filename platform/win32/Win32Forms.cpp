#include "platform/win32/Win32Forms.h"

#include "host/AutomationError.h"
#include "platform/win32/DialogTemplate.h"
#include "platform/win32/Variant.h"
#include "platform/win32/Win32Desktop.h"

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <exception>
#include <numeric>
#include <vector>

namespace win32 {
namespace {

using autosave::ControlKind;

void deleteAtom(ATOM atom) noexcept { GlobalDeleteAtom(atom); }
using unique_atom = unique_any<ATOM, deleteAtom>;

constexpr wchar_t kDialogFace[] = L"MS Shell Dlg";
constexpr int kDialogPointSize = 8;
// Posted on the first activation of each showing, so that Form_Activate runs
// after the dialog manager has put the focus back.
constexpr UINT kMsgActivated = WM_APP + 0x41;

[[noreturn]] void runtimeError(std::int32_t number, std::string description) {
    throw autosave::AutomationError(number, std::move(description));
}
[[noreturn]] void notSupported() { autosave::raise(autosave::errors::kMemberNotSupported); }
[[noreturn]] void invalidValue() { autosave::raise(autosave::errors::kInvalidPropertyValue); }

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
           });
}

HINSTANCE moduleInstance() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&moduleInstance), &module);
    return module;
}

void registerFormClass() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_OWNDC | CS_DBLCLKS;
    // user32's own dialog procedure: nothing of ours to dangle if the
    // component is unloaded while the class stays registered.
    wc.lpfnWndProc = DefDlgProcW;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hInstance = moduleInstance();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFormClass;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        runtimeError(autosave::errors::kOutOfMemory, "Cannot register the dialog window class");
}

std::wstring windowText(HWND window) {
    int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

unique_hfont createFont(HWND window, const autosave::Font& font) {
    if (!(font.size > 0 && font.size < 2048) || font.charset < 0 || font.charset > 255) invalidValue();
    int dpi = GetDeviceCaps(unique_hdc_window(window).get(), LOGPIXELSY);
    LOGFONTW lf{};
    lf.lfHeight = -static_cast<LONG>(std::lround(font.size * dpi / 72.0));
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = static_cast<BYTE>(font.charset);
    lstrcpynW(lf.lfFaceName, widen(font.name).c_str(), LF_FACESIZE);
    unique_hfont handle(CreateFontIndirectW(&lf));
    if (!handle) runtimeError(autosave::errors::kOutOfMemory, "Cannot create the font");
    return handle;
}

int shiftState() {
    return (GetKeyState(VK_SHIFT) < 0 ? 1 : 0) | (GetKeyState(VK_CONTROL) < 0 ? 2 : 0) |
           (GetKeyState(VK_MENU) < 0 ? 4 : 0);
}

class Win32Form;

// Every live form, for the modal loops: a loop serves the keys and dialog
// navigation of any of them, since a handler may run another form's loop.
std::vector<Win32Form*> g_forms;
// Modal loops running on this thread.
int g_loopDepth = 0;
// A handler's exception caught in a window procedure, where it must not
// unwind through user32; the innermost modal loop raises it again.
std::exception_ptr g_pending;

class Win32Control final : public autosave::Control {
public:
    Win32Control(Win32Form& form, const autosave::ControlLayout& layout, int id)
        : m_form(form), m_layout(layout), m_id(id), m_text(widen(layout.text)), m_value(layout.value) {}

    const std::string& name() const override { return m_layout.name; }
    autosave::ControlKind kind() const override { return m_layout.kind; }
    int id() const { return m_id; }
    const autosave::ControlLayout& layout() const { return m_layout; }
    HWND window() const;

    std::string caption() const override {
        HWND w = window();
        return narrow(w ? windowText(w) : m_text);
    }
    void setCaption(const std::string& caption) override {
        m_text = widen(caption);
        if (HWND w = window()) SetWindowTextW(w, m_text.c_str());
    }
    bool enabled() const override { return m_enabled; }
    void setEnabled(bool enabled) override {
        m_enabled = enabled;
        if (HWND w = window()) EnableWindow(w, enabled);
    }

    int value() const override {
        switch (m_layout.kind) {
        case ControlKind::CheckBox:
        case ControlKind::OptionButton:
            return storedValue();
        case ControlKind::Button:
            return 0;
        default:
            notSupported();
        }
    }
    void setValue(int value) override;

    std::string text() const override { return caption(); }
    void setText(const std::string& text) override { setCaption(text); }

    void select(int start, int length) override {
        if (m_layout.kind != ControlKind::TextBox) notSupported();
        if (start < 0 || length < 0) invalidValue();
        if (HWND w = window()) SendMessageW(w, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(start + length));
    }
    void setFocus() override;
    bool hasFocus() const override {
        HWND w = window();
        return w && GetFocus() == w;
    }

    autosave::Font font() const override { return m_font; }
    void setFont(const autosave::Font& font) override {
        HWND w = window();
        unique_hfont handle = createFont(w, font);
        if (w) SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(handle.get()), TRUE);
        // The old font goes only after the control has let go of it.
        m_hfont = std::move(handle);
        m_font = font;
    }

    // The check state as the window shows it, and as last seen by events.
    int storedValue() const {
        if (HWND w = window()) return SendMessageW(w, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
        return m_value;
    }
    int lastSeenValue() const { return m_value; }
    void putCheck(int value) {
        m_value = value;
        if (HWND w = window()) SendMessageW(w, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    // Pushes the state kept while there was no window into a new one.
    void applyTo(HWND w) {
        if (m_layout.kind == ControlKind::CheckBox || m_layout.kind == ControlKind::OptionButton)
            SendMessageW(w, BM_SETCHECK, m_value ? BST_CHECKED : BST_UNCHECKED, 0);
        if (m_hfont) SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(m_hfont.get()), FALSE);
        if (!m_enabled) EnableWindow(w, FALSE);
    }

private:
    Win32Form& m_form;
    autosave::ControlLayout m_layout;
    int m_id;
    std::wstring m_text;
    bool m_enabled = true;
    int m_value;
    autosave::Font m_font{narrow(kDialogFace), kDialogPointSize, DEFAULT_CHARSET};
    unique_hfont m_hfont;
};

class Win32Form final : public autosave::Form {
public:
    Win32Form(const autosave::FormLayout& layout, autosave::FormEvents& events, std::shared_ptr<unique_hwnd> owner)
        : m_layout(layout), m_events(events), m_owner(std::move(owner)) {
        for (size_t i = 0; i < m_layout.controls.size(); ++i)
            m_controls.push_back(std::make_unique<Win32Control>(*this, m_layout.controls[i],
                                                                kFirstControlId + static_cast<int>(i)));
        g_forms.push_back(this);
    }
    ~Win32Form() override {
        g_forms.erase(std::remove(g_forms.begin(), g_forms.end(), this), g_forms.end());
        if (m_dialog) SetWindowLongPtrW(m_dialog.get(), DWLP_USER, 0);
        m_dialog.reset();
    }

    void create();

    HWND dialog() const { return m_dialog.get(); }
    autosave::FormEvents& events() { return m_events; }
    bool keyPreview() const { return m_layout.keyPreview; }

    std::string caption() const override { return narrow(m_dialog ? windowText(m_dialog.get()) : m_caption); }
    void setCaption(const std::string& caption) override {
        m_caption = widen(caption);
        if (m_dialog) SetWindowTextW(m_dialog.get(), m_caption.c_str());
    }

    autosave::Control& control(std::string_view name) override {
        for (auto& c : m_controls)
            if (sameName(c->name(), name)) return *c;
        runtimeError(730, "Control '" + std::string(name) + "' not found");
    }
    std::vector<autosave::Control*> controls() override {
        std::vector<autosave::Control*> all;
        for (auto& c : m_controls) all.push_back(c.get());
        return all;
    }

    autosave::Font font() const override { return m_font; }
    void setFont(const autosave::Font& font) override {
        unique_hfont handle = createFont(m_dialog.get(), font);
        if (m_dialog) SendMessageW(m_dialog.get(), WM_SETFONT, reinterpret_cast<WPARAM>(handle.get()), TRUE);
        m_hfont = std::move(handle);
        m_font = font;
    }

    void showModal() override;
    void hide() override {
        if (!m_visible) return;
        m_visible = false;
        if (m_dialog) ShowWindow(m_dialog.get(), SW_HIDE);
        // Wakes a loop waiting for messages when nothing else would.
        PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
    }
    bool visible() const override { return m_visible; }
    bool loaded() const override { return m_loaded; }
    void unload() override {
        if (!m_loaded) return;
        bool cancel = false;
        m_events.Form_QueryUnload(cancel, autosave::kUnloadFromCode);
        destroy();  // code's unload is never cancelled
    }

    std::int32_t windowHandle() const override { return valueFromWindow(m_dialog.get()); }
    std::string defaultGuiFontFace() override;

    Win32Control* byId(int id) {
        size_t index = static_cast<size_t>(id - kFirstControlId);
        return id >= kFirstControlId && index < m_controls.size() ? m_controls[index].get() : nullptr;
    }
    void optionSelected(Win32Control& selected);

    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    INT_PTR handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void initialise(HWND window);
    void clicked(int id);
    void centre();
    void destroy();
    void runLoop();
    void pump();

    autosave::FormLayout m_layout;
    autosave::FormEvents& m_events;
    std::shared_ptr<unique_hwnd> m_owner;
    std::vector<std::unique_ptr<Win32Control>> m_controls;
    std::wstring m_caption;
    autosave::Font m_font{narrow(kDialogFace), kDialogPointSize, DEFAULT_CHARSET};
    unique_hfont m_hfont;
    std::vector<unique_atom> m_atoms;
    // Last, so the window goes before the fonts and atoms it uses.
    unique_hwnd m_dialog;
    bool m_loaded = true;
    bool m_visible = false;
    bool m_placed = false;
    bool m_activated = false;
};

HWND Win32Control::window() const {
    HWND dialog = m_form.dialog();
    return dialog ? GetDlgItem(dialog, m_id) : nullptr;
}

void Win32Control::setValue(int value) {
    switch (m_layout.kind) {
    case ControlKind::CheckBox:
        if (value != 0 && value != 1) invalidValue();
        if (value == storedValue()) return;
        putCheck(value);
        m_form.events().Click(m_layout.name);
        return;
    case ControlKind::OptionButton:
        if (!value) {
            putCheck(0);
            return;
        }
        if (storedValue()) return;
        putCheck(1);
        m_form.optionSelected(*this);
        m_form.events().Click(m_layout.name);
        return;
    case ControlKind::Button:
        // As a user's click would.
        if (value) m_form.events().Click(m_layout.name);
        return;
    default:
        notSupported();
    }
}

void Win32Control::setFocus() {
    HWND w = window();
    if (m_layout.kind == ControlKind::Label || m_layout.kind == ControlKind::Frame || !w || !m_enabled ||
        !m_form.visible())
        runtimeError(5, "Invalid procedure call or argument");
    // Through the dialog manager, so that the default button follows.
    SendMessageW(m_form.dialog(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(w), TRUE);
}

void Win32Form::optionSelected(Win32Control& selected) {
    for (auto& c : m_controls)
        if (c.get() != &selected && c->kind() == ControlKind::OptionButton &&
            sameName(c->layout().container, selected.layout().container))
            c->putCheck(0);
}

void Win32Form::create() {
    registerFormClass();
    const DialogUnits units = DialogUnits::measure(kDialogFace, kDialogPointSize);

    DialogDescription d;
    d.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    d.exStyle = 0;
    d.cx = units.x(m_layout.clientWidth);
    d.cy = units.y(m_layout.clientHeight);
    d.windowClass = kFormClass;
    d.title = m_caption;
    d.pointSize = kDialogPointSize;
    d.face = kDialogFace;

    // Children in tab order: the dialog manager walks them in creation order.
    std::vector<size_t> order(m_controls.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return m_layout.controls[a].tabIndex < m_layout.controls[b].tabIndex;
    });

    const autosave::ControlLayout* previous = nullptr;
    for (size_t index : order) {
        const autosave::ControlLayout& c = m_layout.controls[index];
        // Positions inside a frame count from the frame's corner.
        int left = c.left, top = c.top;
        std::string container = c.container;
        for (int depth = 0; !container.empty(); ++depth) {
            auto frame = std::find_if(m_layout.controls.begin(), m_layout.controls.end(),
                                      [&](const autosave::ControlLayout& f) { return sameName(f.name, container); });
            if (frame == m_layout.controls.end() || frame->kind != ControlKind::Frame || depth > 8)
                runtimeError(730, "Container '" + container + "' of '" + c.name + "' not found");
            left += frame->left;
            top += frame->top;
            container = frame->container;
        }

        DialogItem item{};
        item.x = units.x(left);
        item.y = units.y(top);
        item.cx = units.x(c.width);
        item.cy = units.y(c.height);
        item.id = static_cast<DWORD>(kFirstControlId + index);
        item.style = WS_CHILD | WS_VISIBLE;
        // A group of option buttons: consecutive ones of one container.
        const bool continuesGroup = c.kind == ControlKind::OptionButton && previous &&
                                    previous->kind == ControlKind::OptionButton &&
                                    sameName(previous->container, c.container);
        if (!continuesGroup) item.style |= WS_GROUP;
        switch (c.kind) {
        case ControlKind::Label:
            item.cls = ControlClass::Static;
            item.style |= SS_LEFT;
            break;
        case ControlKind::Button:
            item.cls = ControlClass::Button;
            item.style |= WS_TABSTOP | (c.defaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
            break;
        case ControlKind::CheckBox:
            item.cls = ControlClass::Button;
            item.style |= WS_TABSTOP | BS_AUTOCHECKBOX;
            break;
        case ControlKind::OptionButton:
            item.cls = ControlClass::Button;
            item.style |= WS_TABSTOP | BS_AUTORADIOBUTTON;
            break;
        case ControlKind::TextBox:
            item.cls = ControlClass::Edit;
            item.style |= WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
            item.exStyle = WS_EX_CLIENTEDGE;
            item.text = widen(c.text);
            break;
        case ControlKind::Frame:
            item.cls = ControlClass::Button;
            item.style |= BS_GROUPBOX;
            break;
        }
        d.items.push_back(std::move(item));
        previous = &c;
    }

    std::vector<WORD> words = buildDialogTemplate(d);
    if (!*m_owner) {
        // A window of a system class: nothing of ours runs in it.
        m_owner->reset(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                       moduleInstance(), nullptr));
    }
    HWND dialog = CreateDialogIndirectParamW(moduleInstance(), reinterpret_cast<LPCDLGTEMPLATEW>(words.data()),
                                            m_owner->get(), &Win32Form::dialogProc, reinterpret_cast<LPARAM>(this));
    if (!dialog) runtimeError(autosave::errors::kOutOfMemory, "Cannot create the dialog '" + m_layout.name + "'");
    m_dialog.reset(dialog);
}

void Win32Form::initialise(HWND window) {
    if (ATOM atom = GlobalAddAtomW(widen(m_layout.name).c_str())) {
        m_atoms.emplace_back(atom);
        SetPropW(window, kFormNameProp, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(atom)));
    }
    for (auto& c : m_controls) {
        HWND w = GetDlgItem(window, c->id());
        if (!w) continue;
        c->applyTo(w);
        if (ATOM atom = GlobalAddAtomW(widen(c->name()).c_str())) {
            m_atoms.emplace_back(atom);
            SetPropW(w, kControlNameProp, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(atom)));
        }
    }
}

INT_PTR CALLBACK Win32Form::dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrW(window, DWLP_USER, lParam);
    auto* self = reinterpret_cast<Win32Form*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!self) return FALSE;
    try {
        return self->handle(window, message, wParam, lParam);
    } catch (...) {
        // Outside any showing there is no caller left to hand it to.
        if (g_loopDepth > 0 && !g_pending) g_pending = std::current_exception();
        return TRUE;
    }
}

INT_PTR Win32Form::handle(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        initialise(window);
        // No focus yet: a hidden dialog taking the focus would take the
        // activation from the host. The first activation sets it.
        return FALSE;
    case WM_COMMAND:
        // The dialog manager's IDOK (Enter without a default button) and
        // IDCANCEL (Escape) are nobody's: the logic decides everything.
        if (HIWORD(wParam) == BN_CLICKED) clicked(LOWORD(wParam));
        return TRUE;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && m_visible && !m_activated) {
            m_activated = true;
            PostMessageW(window, kMsgActivated, 0, 0);
        }
        return FALSE;  // the dialog manager restores the focus
    case kMsgActivated:
        if (m_visible) m_events.Form_Activate();
        return TRUE;
    case WM_CLOSE: {
        bool cancel = false;
        m_events.Form_QueryUnload(cancel, autosave::kUnloadFromControlMenu);
        if (!cancel && m_loaded) destroy();
        return TRUE;
    }
    case WM_SETCURSOR:
        if (HCURSOR cursor = componentCursor()) {
            SetCursor(cursor);
            SetWindowLongPtrW(window, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

void Win32Form::clicked(int id) {
    Win32Control* c = byId(id);
    if (!c) return;
    HWND w = c->window();
    if (!w || !IsWindowEnabled(w)) return;
    switch (c->kind()) {
    case ControlKind::Button:
        m_events.Click(c->name());
        break;
    case ControlKind::CheckBox: {
        int now = c->storedValue();
        if (now == c->lastSeenValue()) break;
        c->putCheck(now);
        m_events.Click(c->name());
        break;
    }
    case ControlKind::OptionButton: {
        if (!c->storedValue()) break;
        bool changed = !c->lastSeenValue();
        c->putCheck(1);
        // The button cleared its own group; the rest of the container too.
        optionSelected(*c);
        if (changed) m_events.Click(c->name());
        break;
    }
    default:
        break;
    }
}

void Win32Form::centre() {
    RECT dialog{};
    GetWindowRect(m_dialog.get(), &dialog);
    HWND reference = GetActiveWindow();
    if (reference == m_dialog.get() || (reference && !IsWindowVisible(reference))) reference = nullptr;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(reference ? reference : m_dialog.get(), MONITOR_DEFAULTTOPRIMARY), &monitor);
    RECT area = monitor.rcWork;
    if (reference) GetWindowRect(reference, &area);
    const LONG width = dialog.right - dialog.left, height = dialog.bottom - dialog.top;
    LONG x = area.left + (area.right - area.left - width) / 2;
    LONG y = area.top + (area.bottom - area.top - height) / 2;
    // Whole on the screen, the caption first.
    x = std::max(monitor.rcWork.left, std::min(x, monitor.rcWork.right - width));
    y = std::max(monitor.rcWork.top, std::min(y, monitor.rcWork.bottom - height));
    SetWindowPos(m_dialog.get(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Form::destroy() {
    m_loaded = false;
    m_visible = false;
    if (m_dialog) {
        // Keeps the window procedure off this form while the window goes.
        SetWindowLongPtrW(m_dialog.get(), DWLP_USER, 0);
        m_dialog.reset();
    }
    PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
}

void Win32Form::showModal() {
    if (!m_loaded) runtimeError(364, "Object was unloaded");
    if (m_visible) runtimeError(400, "Form already displayed; can't show modally");
    if (!m_placed) {
        centre();
        m_placed = true;
    }
    m_visible = true;
    m_activated = false;
    ShowWindow(m_dialog.get(), SW_SHOW);
    SetForegroundWindow(m_dialog.get());
    runLoop();
}

void Win32Form::runLoop() {
    struct Depth {
        Depth() { ++g_loopDepth; }
        ~Depth() { --g_loopDepth; }
    } depth;
    try {
        pump();
    } catch (...) {
        // The showing ends with the error; nothing is left on screen.
        hide();
        throw;
    }
}

void Win32Form::pump() {
    auto raisePending = [] {
        if (g_pending) std::rethrow_exception(std::exchange(g_pending, nullptr));
    };
    MSG msg;
    while (m_loaded && m_visible) {
        raisePending();
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            // The thread is quitting: end the showing, leave the quit to
            // the loop that owns the thread.
            PostQuitMessage(static_cast<int>(msg.wParam));
            hide();
            break;
        }
        if (got == -1) break;
        HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
        auto form = std::find_if(g_forms.begin(), g_forms.end(),
                                 [&](Win32Form* f) { return root && f->dialog() == root; });
        bool handled = false;
        if (form != g_forms.end()) {
            if ((msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) && (*form)->keyPreview())
                (*form)->events().Form_KeyDown(static_cast<int>(msg.wParam), shiftState());
            // The key goes on to the control, through the dialog manager.
            handled = !IsWindow(root) || IsDialogMessageW(root, &msg);
        }
        if (!handled) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    raisePending();
}

std::string Win32Form::defaultGuiFontFace() {
    HWND window = m_dialog.get();
    unique_hdc_window dc(window);
    unique_select_object selected(dc.get(), GetStockObject(DEFAULT_GUI_FONT));
    wchar_t face[80] = {};
    GetTextFaceW(dc.get(), 80, face);
    return narrow(std::wstring_view(face, wcsnlen(face, 80)));
}

}  // namespace

Win32Forms::Win32Forms() : m_owner(std::make_shared<unique_hwnd>()) {}
Win32Forms::~Win32Forms() = default;

std::unique_ptr<autosave::Form> Win32Forms::load(const autosave::FormLayout& layout, autosave::FormEvents& events) {
    auto form = std::make_unique<Win32Form>(layout, events, m_owner);
    form->create();
    return form;
}

std::string controlName(HWND window) {
    const wchar_t* prop = GetParent(window) && (GetWindowLongW(window, GWL_STYLE) & WS_CHILD) ? kControlNameProp
                                                                                            : kFormNameProp;
    auto atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropW(window, prop)));
    if (!atom) return {};
    wchar_t name[256] = {};
    UINT length = GlobalGetAtomNameW(atom, name, 256);
    return narrow(std::wstring_view(name, length));
}

HWND findControl(HWND form, std::string_view name) {
    for (HWND child = GetWindow(form, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (sameName(controlName(child), name)) return child;
    return nullptr;
}

}  // namespace win32
