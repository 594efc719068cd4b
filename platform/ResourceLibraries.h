// Language resource libraries: loaded as data, never run.
#pragma once

#include <cstdint>
#include <string>

namespace autosave {

// A loaded library; 0 is "not loaded" and, for string lookups, the host
// program's own module.
using LibraryHandle = std::uintptr_t;

class ResourceLibraries {
public:
    virtual ~ResourceLibraries() = default;
    // Loads the file as a data-only library; 0 when it cannot be loaded.
    virtual LibraryHandle loadAsDataFile(const std::string& path) = 0;
    virtual void free(LibraryHandle library) noexcept = 0;
    // String `number` of the library's string table through a buffer of
    // bufferChars characters, so at most bufferChars - 1 arrive; empty when
    // the string does not exist.
    virtual std::string loadString(LibraryHandle library, std::int32_t number, int bufferChars) = 0;
};

}  // namespace autosave
