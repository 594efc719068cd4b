#include "platform/win32/SystemMessage.h"

#include "platform/win32/Unique.h"

namespace win32 {

std::wstring system_message(DWORD code) {
    unique_hlocal buffer;
    DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
        reinterpret_cast<wchar_t*>(buffer.put()), 0, nullptr);
    std::wstring text = length && buffer ? std::wstring(static_cast<const wchar_t*>(buffer.get()), length) : L"";
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
    return text;
}

}  // namespace win32
