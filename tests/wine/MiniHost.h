// The least host an add-in can be initialised with: an application object
// whose orvapplication is itself and whose ProgId names the product. Used
// where a test needs the add-in's settings without the reference host.
#pragma once

#include "platform/win32/Variant.h"

#include <oaidl.h>

#include <string>

class MiniHost final : public IDispatch {
public:
    explicit MiniHost(std::string progId) : m_progId(std::move(progId)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDispatch) return E_NOINTERFACE;
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_refs; }  // lives on the test's stack
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override {
        if (lstrcmpiW(names[0], L"orvapplication") == 0) *ids = 1;
        else if (lstrcmpiW(names[0], L"ProgId") == 0) *ids = 2;
        else return DISP_E_UNKNOWNNAME;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                     UINT*) override {
        if (!result) return E_POINTER;
        VariantInit(result);
        if (id == 1) {
            AddRef();
            result->vt = VT_DISPATCH;
            result->pdispVal = this;
        } else if (id == 2) {
            result->vt = VT_BSTR;
            result->bstrVal = win32::make_bstr(m_progId).release();
        } else {
            return DISP_E_MEMBERNOTFOUND;
        }
        return S_OK;
    }
    // References the add-in still holds.
    ULONG references() const { return m_refs - 1; }

private:
    ULONG m_refs = 1;
    std::string m_progId;
};
