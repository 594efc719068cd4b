#include "platform/win32/DialogTemplate.h"

#include "platform/win32/Unique.h"

namespace win32 {
namespace {

class TemplateWriter {
public:
    void word(WORD w) { m_words.push_back(w); }
    void dword(DWORD d) {
        word(LOWORD(d));
        word(HIWORD(d));
    }
    void shortValue(short s) { word(static_cast<WORD>(s)); }
    void text(const std::wstring& s) {
        for (wchar_t c : s) word(static_cast<WORD>(c));
        word(0);
    }
    void alignDword() {
        if (m_words.size() % 2) word(0);
    }
    std::vector<WORD> take() { return std::move(m_words); }

private:
    std::vector<WORD> m_words;
};

}  // namespace

DialogUnits DialogUnits::measure(const wchar_t* face, int pointSize) {
    DialogUnits units;
    unique_hdc_window screen(nullptr);
    units.dpiX = GetDeviceCaps(screen.get(), LOGPIXELSX);
    units.dpiY = GetDeviceCaps(screen.get(), LOGPIXELSY);
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(pointSize, units.dpiY, 72);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
    if (unique_hfont font{CreateFontIndirectW(&lf)}) {
        unique_select_object selected(screen.get(), font.get());
        TEXTMETRICW tm{};
        SIZE size{};
        static const wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
        if (GetTextMetricsW(screen.get(), &tm) && GetTextExtentPoint32W(screen.get(), kLetters, 52, &size) &&
            size.cx > 0) {
            units.baseX = (size.cx / 26 + 1) / 2;
            units.baseY = tm.tmHeight;
        }
    }
    return units;
}

std::vector<WORD> buildDialogTemplate(const DialogDescription& dialog) {
    TemplateWriter w;
    w.word(1);       // dlgVer
    w.word(0xFFFF);  // signature: extended template
    w.dword(0);      // helpID
    w.dword(dialog.exStyle);
    w.dword(dialog.style | DS_SETFONT);
    w.word(static_cast<WORD>(dialog.items.size()));
    w.shortValue(0);
    w.shortValue(0);
    w.shortValue(dialog.cx);
    w.shortValue(dialog.cy);
    w.word(0);  // no menu
    w.text(dialog.windowClass);
    w.text(dialog.title);
    w.word(dialog.pointSize);
    w.word(FW_NORMAL);
    w.word(MAKEWORD(FALSE, DEFAULT_CHARSET));  // italic, charset
    w.text(dialog.face);
    for (const DialogItem& item : dialog.items) {
        w.alignDword();
        w.dword(0);  // helpID
        w.dword(item.exStyle);
        w.dword(item.style);
        w.shortValue(item.x);
        w.shortValue(item.y);
        w.shortValue(item.cx);
        w.shortValue(item.cy);
        w.dword(item.id);
        w.word(0xFFFF);
        w.word(static_cast<WORD>(item.cls));
        w.text(item.text);
        w.word(0);  // no creation data
    }
    return w.take();
}

}  // namespace win32
