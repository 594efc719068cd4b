#pragma once

#include "host/Components.h"

namespace autosave::com {

// External components created through COM, by class identifier.
class ComComponents final : public Components {
public:
    ObjectPtr createObject(const Guid& clsid, const Guid& iid) override;
    std::unique_ptr<ErrorReporter> createErrorReporter() override;
    std::string componentFolder() override;
};

}  // namespace autosave::com
