// Members of the host objects that are told to fail, so that add-ins can be
// tested against a host that refuses them.
#pragma once

#include <oaidl.h>

#include <string>
#include <string_view>
#include <vector>

namespace tessaline {

class FailureInjection {
public:
    void add(std::wstring member);
    // False when the member was not armed.
    bool remove(std::wstring_view member) noexcept;
    // Member names compare without regard to letter case, as late binding does.
    bool armed(std::wstring_view member) const noexcept;
    bool empty() const noexcept { return m_members.empty(); }

    // For a vtable call: leaves the error description for the caller and returns E_FAIL.
    static HRESULT raise(std::wstring_view member) noexcept;
    // For a late-bound call: fills excepinfo as a failing member would.
    static void fill(EXCEPINFO& excep, std::wstring_view member) noexcept;

private:
    std::vector<std::wstring> m_members;
};

}  // namespace tessaline
