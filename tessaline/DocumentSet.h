// The host's open drawings: opening, activating, modifying, saving and
// closing them, with the application events each of these raises, and the
// list in the main window kept up to date.
#pragma once

#include "platform/win32/ComPtr.h"
#include "tessaline/HostDocument.h"

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace tessaline {

class HostContext;

class DocumentSet {
public:
    using Ptr = win32::com_ptr<HostDocument>;

    explicit DocumentSet(HostContext& context) noexcept : m_context(context) {}
    DocumentSet(const DocumentSet&) = delete;
    DocumentSet& operator=(const DocumentSet&) = delete;

    // In opening order.
    const std::vector<Ptr>& list() const noexcept { return m_open; }
    Ptr active() const noexcept { return m_active; }
    // By Name, else by FullName, ignoring letter case; empty when none.
    Ptr find(std::wstring_view nameOrPath) const;

    // Opens the drawing at path (made absolute) and makes it active; a
    // missing file is created with the default drawing first; an open one is
    // only activated. Empty when the file cannot be read or is no drawing;
    // error then says why.
    Ptr open(const std::wstring& path, std::string& error);
    // A new drawing to be saved at path: not on disk yet, so modified.
    Ptr create(const std::wstring& path);
    void activate(HostDocument& doc);
    // Adds a shape; the drawing is modified.
    void modify(HostDocument& doc);
    // Raises BeforeDocumentClose; false when a sink set bCancel, or set
    // bToBeSaved and the save failed.
    bool close(HostDocument& doc);
    // Writes the file, then raises DocumentSaved inside this call. On
    // failure: the HRESULT and the system's message, and no event.
    HRESULT save(HostDocument& doc, std::wstring& message);
    // Writes to path, renames the document, then raises DocumentSavedAs.
    HRESULT save_as(HostDocument& doc, const std::wstring& path, std::wstring& message);

    // Drops every document without events; at shutdown.
    void release_all() noexcept;

private:
    // After a successful write: no longer modified, logged, shown.
    void written(HostDocument& doc);
    HRESULT write(HostDocument& doc, const std::wstring& path, std::wstring& message);
    // Shows the list and the title in the main window.
    void changed();
    // Shows doc's line (new at the end, or changed) and the title.
    void changed(const HostDocument& doc);
    std::wstring line(const HostDocument& doc) const;
    std::wstring title() const;
    int index_of(const HostDocument* doc) const noexcept;

    HostContext& m_context;
    std::vector<Ptr> m_open;
    Ptr m_active;
};

// path made absolute; path itself when that fails.
std::wstring full_path(const std::wstring& path);

}  // namespace tessaline
