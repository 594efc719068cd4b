// Arguments of one late-bound call, in their natural order. The add-ins
// declare object parameters as [in,out] IDispatch** and Booleans as
// [in,out] VARIANT_BOOL*, so those go by reference to storage kept here.
#pragma once

#include "platform/win32/ComPtr.h"
#include "platform/win32/Unique.h"

#include <oaidl.h>

#include <deque>
#include <string_view>
#include <vector>

namespace tessaline {

class CallArgs {
public:
    CallArgs() = default;
    CallArgs(const CallArgs&) = delete;
    CallArgs& operator=(const CallArgs&) = delete;

    void object_ref(IDispatch* object);  // VT_BYREF | VT_DISPATCH
    void object(IDispatch* object);      // VT_DISPATCH
    size_t bool_ref(bool value);         // VT_BYREF | VT_BOOL; returns the slot for bool_value()
    void boolean(bool value);            // VT_BOOL
    void text(std::wstring_view value);  // VT_BSTR
    void integer(long value);            // VT_I4

    // What the callee left in that Boolean.
    bool bool_value(size_t slot) const;
    size_t size() const noexcept { return m_args.size(); }

    // Every argument by reference, as some hosts raise their events: objects,
    // texts and integers as references to them, Booleans as references to a
    // Variant holding the Boolean. The callee must not replace what it is given.
    void by_reference();

    // The arguments in the reverse order DISPPARAMS wants; valid while this lives.
    DISPPARAMS params();

private:
    // Deques: the VARIANTs point into them, so they must not move.
    std::deque<win32::com_ptr<IDispatch>> m_objects;
    std::deque<VARIANT_BOOL> m_bools;
    std::deque<win32::unique_bstr> m_strings;
    std::deque<VARIANT> m_referenced;  // by-value arguments made by_reference(); own nothing
    std::vector<size_t> m_boolArgs;    // argument index of each Boolean slot
    std::vector<VARIANT> m_args;
    std::vector<VARIANT> m_reversed;
};

}  // namespace tessaline
