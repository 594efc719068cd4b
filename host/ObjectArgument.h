// An event's object argument as the source raised it, made into an ObjectPtr
// only when the handler asks for it. Most idle events need nothing but to know
// that there is one, and wrapping costs an allocation and reference counts.
// Only a parameter: it refers to what the caller passed, for the call.
#pragma once

#include "host/Automation.h"

#include <cstddef>
#include <memory>

namespace autosave {

class ObjectArgument {
public:
    using Unwrap = ObjectPtr (*)(const void* raw);

    ObjectArgument(std::nullptr_t) noexcept {}
    template <typename T>
    ObjectArgument(const std::shared_ptr<T>& object) noexcept
        : m_present(object != nullptr), m_raw(&object), m_unwrap(&unwrapShared<T>) {}
    // raw is what unwrap turns into the object; present tells whether there is one.
    ObjectArgument(bool present, const void* raw, Unwrap unwrap) noexcept
        : m_present(present), m_raw(raw), m_unwrap(unwrap) {}

    explicit operator bool() const noexcept { return m_present; }
    // Nothing, or the object; wraps once.
    const ObjectPtr& get() const {
        if (m_present && !m_object) m_object = m_unwrap(m_raw);
        return m_object;
    }

private:
    template <typename T>
    static ObjectPtr unwrapShared(const void* raw) {
        return *static_cast<const std::shared_ptr<T>*>(raw);
    }

    bool m_present = false;
    const void* m_raw = nullptr;
    Unwrap m_unwrap = nullptr;
    mutable ObjectPtr m_object;
};

}  // namespace autosave
