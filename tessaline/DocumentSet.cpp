#include "tessaline/DocumentSet.h"

#include "platform/win32/Variant.h"
#include "tessaline/CallArgs.h"
#include "tessaline/Drawing.h"
#include "tessaline/HostCalls.h"
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
    Ptr previous = m_active;
    m_open.push_back(doc);
    m_active = doc;
    if (previous) changed(*previous.get());  // no longer active
    changed(*doc.get());
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
    Ptr previous = m_active;
    m_active = Ptr(&doc);
    if (previous && previous != m_active) changed(*previous.get());
    changed(doc);
}

void DocumentSet::modify(HostDocument& doc) {
    doc.shapes().push_back(drawing::next_shape(doc.shapes().size()));
    doc.set_modified(true);
    changed(doc);
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
    LARGE_INTEGER started, ended;
    QueryPerformanceCounter(&started);
    DWORD status = drawing::write_file(path, drawing::format(doc.shapes()));
    QueryPerformanceCounter(&ended);
    HostCalls::wrote(static_cast<std::uint64_t>(ended.QuadPart - started.QuadPart));
    if (status == ERROR_SUCCESS) return S_OK;
    message = drawing::system_message(status);
    HRESULT hr = HRESULT_FROM_WIN32(status);
    m_context.log().line("save " + win32::narrow(doc.name()) + " -> failed " + HostLog::hex(hr) + " (" +
                         win32::narrow(message) + ")");
    return hr;
}

void DocumentSet::written(HostDocument& doc) {
    doc.set_modified(false);
    m_context.log().line("save " + win32::narrow(doc.name()) + " -> written, " + std::to_string(doc.shapes().size()) +
                         " shapes");
    changed(doc);
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

std::wstring DocumentSet::line(const HostDocument& doc) const {
    const bool active = &doc == m_active.get();
    return std::wstring(active ? L"> " : L"   ") + doc.name() + (doc.modified() ? L" *" : L"") + L"    " +
           doc.full_name();
}

std::wstring DocumentSet::title() const {
    std::wstring title = kWindowTitle;
    if (m_active) title += L" - " + m_active->name() + (m_active->modified() ? L" *" : L"");
    return title;
}

// From the end: new drawings are looked up most.
int DocumentSet::index_of(const HostDocument* doc) const noexcept {
    for (size_t i = m_open.size(); i-- > 0;)
        if (m_open[i].get() == doc) return static_cast<int>(i);
    return -1;
}

void DocumentSet::changed() {
    MainWindow* window = m_context.window();
    if (!window) return;
    std::vector<std::wstring> lines;
    for (const auto& doc : m_open) lines.push_back(line(*doc.get()));
    window->show_documents(lines, index_of(m_active.get()), title());
}

void DocumentSet::changed(const HostDocument& doc) {
    MainWindow* window = m_context.window();
    const int index = index_of(&doc);
    if (!window || index < 0) return;
    window->show_document(index, line(doc), index_of(m_active.get()), title());
}

}  // namespace tessaline
