// Creation of the external components the add-in uses, and where the
// add-in's own file lies.
#pragma once

#include "host/Automation.h"
#include "host/ErrorReporter.h"

#include <memory>
#include <string>

namespace autosave {

class Components {
public:
    virtual ~Components() = default;
    // A new instance of class clsid seen through iid; raises error 429 when
    // the class cannot be created.
    virtual ObjectPtr createObject(const Guid& clsid, const Guid& iid) = 0;
    // A new error reporter; raises error 429 when it cannot be created.
    virtual std::unique_ptr<ErrorReporter> createErrorReporter() = 0;
    // The folder that holds the add-in's own component file.
    virtual std::string componentFolder() = 0;
};

}  // namespace autosave
