#include "tessaline/DocumentSet.h"

#include "platform/win32/Variant.h"
#include "tessaline/CallArgs.h"
#include "tessaline/Drawing.h"
#include "tessaline/HostContext.h"
#include "tessaline/HostDocument.h"
#include "tessaline/HostEventSource.h"
#include "tessaline/HostLog.h"
#include "tessaline/MainWindow.h"
#include "tessaline/MenuCaptions.h"

namespace tessaline {
namespace {

bool same_text(std::wstring_view a, std::wstring_view b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

const char* yes_no(bool value) { return value ? "True" : "False"; }

}  // namespace

std::wstring full_path(const std::wstring& path) {
    DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::wstring out(n, L'\0');
    n = GetFullPathNameW(path.c_str(), n, out.data(), nullptr);
    if (n == 0 || n >= out.size()) return path;
    out.resize(n);
    return out;
}

DocumentSet::Ptr DocumentSet::find(std::wstring_view nameOrPath) const {
    for (const auto& doc : m_open)
        if (same_text(doc->name(), nameOrPath)) return doc;
    for (const auto& doc : m_open)
        if (same_text(doc->full_name(), nameOrPath)) return doc;
    return {};
}

DocumentSet::Ptr DocumentSet::open(const std::wstring& path, std::string& error) {
    std::wstring absolute = full_path(path);
    for (const auto& doc : m_open) {
        if (same_text(doc->full_name(), absolute)) {
            activate(*doc.get());
            return doc;
        }
    }
    std::string text;
    DWORD status = drawing::read_file(absolute, text);
    drawing::Shapes shapes;
    if (status == ERROR_FILE_NOT_FOUND) {
        shapes = drawing::default_shapes();
        status = drawing::write_file(absolute, drawing::format(shapes));
        if (status != ERROR_SUCCESS) {
            error = "cannot create it: " + win32::narrow(drawing::system_message(status));
            return {};
        }
    } else if (status != ERROR_SUCCESS) {
        error = win32::narrow(drawing::system_message(status));
        return {};
    } else if (!drawing::parse(text, shapes, error)) {
        return {};
    }
    auto doc = HostDocument::create(m_context.shared_from_this(), absolute, std::move(shapes), false);
    if (!doc) throw std::bad_alloc();
    m_open.push_back(doc);
    m_active = doc;
    changed();
    return doc;
}

DocumentSet::Ptr DocumentSet::create(const std::wstring& path) {
    auto doc = HostDocument::create(m_context.shared_from_this(), full_path(path), drawing::default_shapes(), true);
    if (!doc) throw std::bad_alloc();
    m_open.push_back(doc);
    m_active = doc;
    changed();
    return doc;
}

void DocumentSet::activate(HostDocument& doc) {
    if (doc.closed()) return;
    m_active = Ptr(&doc);
    changed();
}

void DocumentSet::modify(HostDocument& doc) {
    doc.shapes().push_back(drawing::next_shape(doc.shapes().size()));
    doc.set_modified(true);
    changed();
}

bool DocumentSet::close(HostDocument& doc) {
    Ptr keep(&doc);
    if (doc.closed()) return true;
    bool toBeSaved = false, cancel = false;
    if (auto events = m_context.events()) {
        CallArgs args;
        args.object(static_cast<IDispatch*>(&doc));
        size_t saveSlot = args.bool_ref(false);
        size_t cancelSlot = args.bool_ref(false);
        events->raise(kEventBeforeDocumentClose, args, doc.name());
        toBeSaved = args.bool_value(saveSlot);
        cancel = args.bool_value(cancelSlot);
    }
    std::string what = "close " + win32::narrow(doc.name()) + " (bToBeSaved=" + yes_no(toBeSaved) +
                       ", bCancel=" + yes_no(cancel) + ")";
    if (cancel) {
        m_context.log().line(what + " -> cancelled");
        return false;
    }
    if (doc.closed()) return true;  // a sink closed it meanwhile
    if (toBeSaved) {
        std::wstring message;
        if (FAILED(save(doc, message))) {
            m_context.log().line(what + " -> not closed, the save failed");
            return false;
        }
    }
    doc.set_closed();
    std::erase(m_open, keep);
    // The most recently opened of the rest becomes active.
    if (m_active == keep) m_active = m_open.empty() ? Ptr() : m_open.back();
    m_context.log().line(what + " -> closed");
    changed();
    return true;
}

HRESULT DocumentSet::write(HostDocument& doc, const std::wstring& path, std::wstring& message) {
    DWORD status = drawing::write_file(path, drawing::format(doc.shapes()));
    if (status == ERROR_SUCCESS) return S_OK;
    message = drawing::system_message(status);
    HRESULT hr = HRESULT_FROM_WIN32(status);
    m_context.log().line("save " + win32::narrow(doc.name()) + " -> failed " + HostLog::hex(hr) + " (" +
                         win32::narrow(message) + ")");
    return hr;
}

void DocumentSet::written(HostDocument& doc) {
    doc.set_modified(false);
    m_context.log().line("save " + win32::narrow(doc.name()) + " -> written, " +
                         std::to_string(doc.shapes().size()) + " shapes");
    changed();
}

HRESULT DocumentSet::save(HostDocument& doc, std::wstring& message) {
    Ptr keep(&doc);
    if (HRESULT hr = write(doc, doc.full_name(), message); FAILED(hr)) return hr;
    written(doc);
    if (auto events = m_context.events()) {
        CallArgs args;
        args.object(static_cast<IDispatch*>(&doc));
        events->raise(kEventDocumentSaved, args, doc.name());
    }
    return S_OK;
}

HRESULT DocumentSet::save_as(HostDocument& doc, const std::wstring& path, std::wstring& message) {
    Ptr keep(&doc);
    std::wstring absolute = full_path(path);
    if (HRESULT hr = write(doc, absolute, message); FAILED(hr)) return hr;
    doc.set_path(absolute);
    written(doc);
    if (auto events = m_context.events()) {
        CallArgs args;
        args.object(static_cast<IDispatch*>(&doc));
        args.text(absolute);
        events->raise(kEventDocumentSavedAs, args, doc.name(), win32::narrow(absolute));
    }
    return S_OK;
}

void DocumentSet::release_all() noexcept {
    auto open = std::move(m_open);
    m_open.clear();
    m_active.reset();
    for (auto& doc : open) doc->set_closed();
}

void DocumentSet::changed() {
    MainWindow* window = m_context.window();
    if (!window) return;
    std::vector<std::wstring> lines;
    int active = -1;
    for (const auto& doc : m_open) {
        if (doc == m_active) active = static_cast<int>(lines.size());
        lines.push_back(std::wstring(doc == m_active ? L"> " : L"   ") + doc->name() + (doc->modified() ? L" *" : L"") +
                        L"    " + doc->full_name());
    }
    std::wstring title = kWindowTitle;
    if (m_active) title += L" - " + m_active->name() + (m_active->modified() ? L" *" : L"");
    window->show_documents(lines, active, title);
}

}  // namespace tessaline
