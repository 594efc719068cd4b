// Calls into add-in objects by member name, the way the add-ins expect to be
// driven: GetIDsOfNames, then Invoke.
#pragma once

#include "tessaline/CallArgs.h"

#include <oaidl.h>

#include <string>
#include <string_view>

namespace tessaline::late_bound {

// Invokes member on target. On failure, error receives the exception
// description (when the callee gave one). result may be null. A property put
// or putref takes its last argument as the value.
HRESULT invoke(IDispatch* target, std::wstring_view member, WORD flags, CallArgs& args, VARIANT* result,
               std::string* error);
// The same for a member known by its DISPID (DISPID_VALUE, DISPID_NEWENUM).
HRESULT invoke(IDispatch* target, DISPID member, WORD flags, CallArgs& args, VARIANT* result, std::string* error);

HRESULT get(IDispatch* target, std::wstring_view member, VARIANT* result, std::string* error);
HRESULT put(IDispatch* target, std::wstring_view member, std::wstring_view text, std::string* error);

// A value as the log shows it: text as is, Booleans as True/False, objects
// as <object> or Nothing.
std::string to_text(const VARIANT& value);

}  // namespace tessaline::late_bound
