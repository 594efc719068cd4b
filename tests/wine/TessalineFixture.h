// What the reference host's conformance tests share: an in-process host,
// late binding through the host's own helper, test event sinks, a fake
// add-in class registered by the test program, and tessaline.exe run on a
// script.
#pragma once

#include "platform/win32/ComPtr.h"
#include "platform/win32/Unique.h"
#include "tessaline/CallArgs.h"
#include "tessaline/HostLog.h"
#include "tessaline/HostSession.h"

#include <ocidl.h>
#include <oaidl.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tessaline_fixture {

using win32::com_ptr;

// {5D0F8E52-3C43-4C41-9D5B-6A1E0C2B7F11}
inline constexpr CLSID CLSID_TestAddIn = {0x5d0f8e52, 0x3c43, 0x4c41, {0x9d, 0x5b, 0x6a, 0x1e, 0x0c, 0x2b, 0x7f, 0x11}};
inline constexpr wchar_t kTestProgId[] = L"Tessaline.TestAddIn";

using Apartment = win32::com_apartment;

std::wstring temp_file(const wchar_t* prefix);
// The folder of the test program, with its trailing separator: the binaries
// under test are built beside it.
std::wstring beside_this_program();
std::string read_text(const std::wstring& path);
bool contains(const std::string& text, const std::string& part);
// Whether text holds every part, each after the one before.
bool in_order(const std::string& text, const std::vector<std::string>& parts);
void* identity(IUnknown* p);

// ---- late binding, as an add-in does it, through tessaline::late_bound ----

constexpr WORD kGet = DISPATCH_PROPERTYGET | DISPATCH_METHOD;

// Call arguments from plain values, in their natural order: texts, integers,
// Booleans and objects, all by value.
class Args : public tessaline::CallArgs {
public:
    template <typename... Values>
    explicit Args(const Values&... values) {
        (add(values), ...);
    }

private:
    void add(const wchar_t* value) { text(value); }
    void add(const std::wstring& value) { text(value); }
    void add(int value) { integer(value); }
    void add(long value) { integer(value); }
    void add(unsigned value) { integer(static_cast<long>(value)); }
    void add(bool value) { boolean(value); }
    void add(IDispatch* value) { object(value); }
};

// late_bound::invoke for arguments made in the call.
HRESULT call(IDispatch* target, std::wstring_view member, WORD flags, tessaline::CallArgs&& args, VARIANT* result,
             std::string* error = nullptr);
HRESULT call(IDispatch* target, DISPID member, WORD flags, tessaline::CallArgs&& args, VARIANT* result,
             std::string* error = nullptr);
// Empty when the call fails or gives no object.
com_ptr<IDispatch> get_object(IDispatch* target, std::wstring_view member, tessaline::CallArgs&& args = Args());
// "<failed>" when the call fails.
std::wstring get_text(IDispatch* target, std::wstring_view member);
// -1 when the call fails or gives no number.
long get_long(IDispatch* target, std::wstring_view member);

// ---- test COM objects ----

// IDispatch over a list of member names; DISPIDs are 1-based positions.
class TestDispatch : public IDispatch {
public:
    TestDispatch(std::vector<std::wstring> names, IID extra, std::shared_ptr<bool> destroyed);
    virtual ~TestDispatch();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    ULONG refs() const { return m_refs; }

protected:
    const std::wstring& name_of(DISPID id) const;

private:
    ULONG m_refs = 1;
    std::vector<std::wstring> m_names;
    IID m_extra;
    std::shared_ptr<bool> m_destroyed;
};

struct SeenEvent {
    DISPID id = 0;
    std::vector<VARTYPE> types;  // in DISPPARAMS order (last argument first)
    void* firstObject = nullptr;
    std::wstring text;
    long number = 0;
};

// An application-events sink; onEvent runs inside each event call.
class TestSink final : public TestDispatch {
public:
    explicit TestSink(bool speaksEvents, std::shared_ptr<bool> destroyed = nullptr);

    std::function<void(TestSink&, DISPID, DISPPARAMS&)> onEvent;
    std::vector<SeenEvent> seen;

    size_t count(DISPID id) const;

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) override;
};

// What the fake add-in saw; shared with the test because the host owns the add-in.
struct AddInState {
    std::vector<std::wstring> calls;
    std::wstring name = L"First";
    bool appIsByRef = true;
    bool docIsNothing = true;
    bool shuttingDown = false;
    void* appIdentity = nullptr;
    long commandId = -1;
    bool destroyed = false;
    bool failInstall = false;
    // Runs in Command_Initialize with the command object; what it returns lives as long as the class does.
    std::function<com_ptr<IUnknown>(IDispatch* command)> onCommand;
};
// The state of the fake add-in class while a FakeAddInClass lives.
extern std::shared_ptr<AddInState> g_addIn;

// Makes kTestProgId name the fake add-in class for as long as it lives.
struct FakeAddInClass {
    DWORD cookie = 0;
    FakeAddInClass();
    ~FakeAddInClass();
    FakeAddInClass(const FakeAddInClass&) = delete;
    FakeAddInClass& operator=(const FakeAddInClass&) = delete;
};

// ---- an in-process host ----

struct Host {
    std::wstring logPath = temp_file(L"tsl");
    std::shared_ptr<tessaline::HostLog> log = std::make_shared<tessaline::HostLog>();
    std::unique_ptr<tessaline::HostSession> session;

    explicit Host(tessaline::SessionOptions options = {});
    ~Host();
    com_ptr<IDispatch> app() const;
    com_ptr<IDispatch> framework() const;
    std::string log_text() const { return read_text(logPath); }
};

com_ptr<IConnectionPoint> events_point(const Host& host);
com_ptr<TestSink> connect_sink(const Host& host, DWORD& cookie);
void disconnect_sink(const Host& host, DWORD cookie);

// A fresh folder for drawings, removed with what is in it.
struct Folder {
    std::wstring path;
    Folder();
    ~Folder();
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    std::wstring operator/(const wchar_t* name) const { return path + L"\\" + name; }
    // The file's path in quotes, as a script step takes it.
    std::string script_path(const wchar_t* name) const;
};

// ---- tessaline.exe run on a script ----

struct Run {
    DWORD exitCode = 0xFFFFFFFF;
    std::string log;
};

// Runs tessaline.exe with arguments and a script; the log comes back as text.
Run run_host(const std::wstring& arguments, const char* script);

}  // namespace tessaline_fixture
