// Language libraries by path, each a string table. Loading one file twice
// gives the same handle and counts the loads. A lookup through a handle with
// no live load fails the running test: that is the fault the core guards
// against.
#pragma once

#include "platform/ResourceLibraries.h"

#include <map>
#include <string>

namespace fakes {

using autosave::LibraryHandle;
using StringTable = std::map<std::int32_t, std::string>;

class FakeResourceLibraries final : public autosave::ResourceLibraries {
public:
    void addLibrary(const std::string& path, StringTable strings);
    // What handle 0 (the host program's own module) answers.
    StringTable hostStrings;

    // The handle a load of path gives (0 for an unknown path).
    LibraryHandle handleOf(const std::string& path) const;
    int liveLoads(LibraryHandle library) const;
    int frees = 0;
    int lookups = 0;

    LibraryHandle loadAsDataFile(const std::string& path) override;
    void free(LibraryHandle library) noexcept override;
    std::string loadString(LibraryHandle library, std::int32_t number, int bufferChars) override;

private:
    struct Library {
        LibraryHandle handle;
        StringTable strings;
        int loads = 0;
    };
    Library* byHandle(LibraryHandle library);

    std::map<std::string, Library> m_libraries;
};

}  // namespace fakes
