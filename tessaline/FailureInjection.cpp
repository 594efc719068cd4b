#include "tessaline/FailureInjection.h"

#include "platform/win32/ComPtr.h"

namespace tessaline {
namespace {

constexpr wchar_t kSource[] = L"Tessaline";

std::wstring description(std::wstring_view member) { return std::wstring(member) + L" failed (injected)"; }

bool same_member(std::wstring_view a, std::wstring_view b) noexcept {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

}  // namespace

void FailureInjection::add(std::wstring member) {
    if (!armed(member)) m_members.push_back(std::move(member));
}

bool FailureInjection::armed(std::wstring_view member) const noexcept {
    for (const auto& m : m_members) {
        if (same_member(m, member)) return true;
    }
    return false;
}

bool FailureInjection::remove(std::wstring_view member) noexcept {
    return std::erase_if(m_members, [&](const std::wstring& m) { return same_member(m, member); }) > 0;
}

HRESULT FailureInjection::raise(std::wstring_view member) noexcept {
    try {
        win32::com_ptr<ICreateErrorInfo> create;
        if (SUCCEEDED(CreateErrorInfo(create.put()))) {
            create->SetSource(const_cast<wchar_t*>(kSource));
            create->SetDescription(const_cast<wchar_t*>(description(member).c_str()));
            if (auto info = create.try_query<IErrorInfo>(IID_IErrorInfo)) SetErrorInfo(0, info.get());
        }
    } catch (...) {
        // The failure is reported all the same, only without its description.
    }
    return E_FAIL;
}

void FailureInjection::fill(EXCEPINFO& excep, std::wstring_view member) noexcept {
    excep = EXCEPINFO{};
    excep.scode = E_FAIL;
    excep.bstrSource = SysAllocString(kSource);
    try {
        excep.bstrDescription = SysAllocString(description(member).c_str());
    } catch (...) {
        excep.bstrDescription = nullptr;
    }
}

}  // namespace tessaline
