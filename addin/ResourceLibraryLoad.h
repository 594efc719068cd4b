// One object's load of the language resource library: freed when the object
// goes, and only that load, so another object's library stays usable.
#pragma once

#include "addin/ModuleState.h"

#include <string>
#include <utility>

namespace autosave {

class ResourceLibraryLoad {
public:
    ResourceLibraryLoad() = default;
    ResourceLibraryLoad(ModuleState& module, const std::string& path)
        : m_module(&module), m_handle(module.services.libraries.loadAsDataFile(path)) {
        if (m_handle) m_module->noteLoaded(m_handle);
    }
    ResourceLibraryLoad(const ResourceLibraryLoad&) = delete;
    ResourceLibraryLoad& operator=(const ResourceLibraryLoad&) = delete;
    ResourceLibraryLoad(ResourceLibraryLoad&& other) noexcept
        : m_module(other.m_module), m_handle(std::exchange(other.m_handle, 0)) {}
    ResourceLibraryLoad& operator=(ResourceLibraryLoad&& other) noexcept {
        if (this != &other) {
            reset();
            m_module = other.m_module;
            m_handle = std::exchange(other.m_handle, 0);
        }
        return *this;
    }
    ~ResourceLibraryLoad() { reset(); }

    LibraryHandle handle() const noexcept { return m_handle; }

    void reset() noexcept {
        if (!m_handle) return;
        m_module->noteFreed(m_handle);
        m_module->services.libraries.free(std::exchange(m_handle, 0));
    }

private:
    ModuleState* m_module = nullptr;
    LibraryHandle m_handle = 0;
};

}  // namespace autosave
