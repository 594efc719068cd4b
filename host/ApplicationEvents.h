// The host's application events, as the add-in receives them.
#pragma once

#include "host/Automation.h"
#include "host/ObjectArgument.h"

#include <cstdint>
#include <string>

namespace autosave {

class ApplicationEvents {
public:
    // Raised on every idle moment of the host: the application is wrapped
    // only if the handler needs it.
    virtual void g_ApplicationEvents_InIdle(const ObjectArgument& application) = 0;
    virtual void g_ApplicationEvents_DocumentSaved(const ObjectPtr& document) = 0;
    virtual void g_ApplicationEvents_DocumentSavedAs(const ObjectPtr& document, const std::string& fileName) = 0;
    virtual void g_ApplicationEvents_BeforeDocumentClose(const ObjectPtr& document, bool& bToBeSaved,
                                                         bool& bCancel) = 0;
    virtual void g_ApplicationEvents_CommandAborted(std::int32_t commandId) = 0;

protected:
    ~ApplicationEvents() = default;
};

}  // namespace autosave
