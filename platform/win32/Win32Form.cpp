#include "platform/win32/Win32Form.h"

#include "platform/AutomationError.h"
#include "platform/win32/DialogTemplate.h"
#include "platform/win32/ModalLoop.h"
#include "platform/win32/Win32Desktop.h"
#include "platform/win32/Win32Forms.h"

#include <algorithm>
#include <cwchar>
#include <numeric>

namespace win32 {
namespace {

using autosave::ControlKind;

// Posted on the first activation of each showing, so that Form_Activate runs
// after the dialog manager has put the focus back.
constexpr UINT kMsgActivated = WM_APP + 0x41;

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

}  // namespace

Win32Form::Win32Form(const autosave::FormLayout& layout, autosave::FormEvents& events,
                     std::shared_ptr<unique_hwnd> owner)
    : m_layout(layout), m_events(events), m_owner(std::move(owner)) {
    for (size_t i = 0; i < m_layout.controls.size(); ++i)
        m_controls.push_back(
            std::make_unique<Win32Control>(*this, m_layout.controls[i], kFirstControlId + static_cast<int>(i)));
    modal_loop::add(*this);
}

Win32Form::~Win32Form() {
    modal_loop::remove(*this);
    if (m_dialog) SetWindowLongPtrW(m_dialog.get(), DWLP_USER, 0);
    m_dialog.reset();
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
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return m_layout.controls[a].tabIndex < m_layout.controls[b].tabIndex; });

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
        m_owner->reset(
            CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, moduleInstance(), nullptr));
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
        modal_loop::defer(std::current_exception());
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
    default: return FALSE;
    }
}

void Win32Form::clicked(int id) {
    Win32Control* c = byId(id);
    if (!c) return;
    HWND w = c->window();
    if (!w || !IsWindowEnabled(w)) return;
    switch (c->kind()) {
    case ControlKind::Button: m_events.Click(c->name()); break;
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
    default: break;
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
    modal_loop::run(*this);
}

std::string Win32Form::defaultGuiFontFace() {
    HWND window = m_dialog.get();
    unique_hdc_window dc(window);
    unique_select_object selected(dc.get(), GetStockObject(DEFAULT_GUI_FONT));
    wchar_t face[80] = {};
    GetTextFaceW(dc.get(), 80, face);
    return narrow(std::wstring_view(face, wcsnlen(face, 80)));
}

}  // namespace win32
