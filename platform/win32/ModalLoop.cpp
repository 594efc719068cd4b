#include "platform/win32/ModalLoop.h"

#include "platform/win32/Win32Form.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace win32::modal_loop {
namespace {

std::vector<Win32Form*> g_forms;
int g_depth = 0;
std::exception_ptr g_pending;

int shiftState() {
    return (GetKeyState(VK_SHIFT) < 0 ? 1 : 0) | (GetKeyState(VK_CONTROL) < 0 ? 2 : 0) |
           (GetKeyState(VK_MENU) < 0 ? 4 : 0);
}

void raisePending() {
    if (g_pending) std::rethrow_exception(std::exchange(g_pending, nullptr));
}

void pump(Win32Form& shown) {
    MSG msg;
    while (shown.loaded() && shown.visible()) {
        raisePending();
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            shown.hide();
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

}  // namespace

void add(Win32Form& form) { g_forms.push_back(&form); }

void remove(Win32Form& form) noexcept {
    g_forms.erase(std::remove(g_forms.begin(), g_forms.end(), &form), g_forms.end());
}

void run(Win32Form& form) {
    struct Depth {
        Depth() { ++g_depth; }
        ~Depth() { --g_depth; }
    } depth;
    try {
        pump(form);
    } catch (...) {
        // The showing ends with the error; nothing is left on screen.
        form.hide();
        throw;
    }
}

void defer(std::exception_ptr error) noexcept {
    if (g_depth > 0 && !g_pending) g_pending = std::move(error);
}

}  // namespace win32::modal_loop
