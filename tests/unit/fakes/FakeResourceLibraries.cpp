#include "fakes/FakeResourceLibraries.h"

#include <gtest/gtest.h>

namespace fakes {

void FakeResourceLibraries::addLibrary(const std::string& path, StringTable strings) {
    LibraryHandle handle = 0x10000000 + 0x10000 * (m_libraries.size() + 1);
    m_libraries[path] = Library{handle, std::move(strings), 0};
}

LibraryHandle FakeResourceLibraries::handleOf(const std::string& path) const {
    auto it = m_libraries.find(path);
    return it == m_libraries.end() ? 0 : it->second.handle;
}

FakeResourceLibraries::Library* FakeResourceLibraries::byHandle(LibraryHandle library) {
    for (auto& [path, lib] : m_libraries)
        if (lib.handle == library) return &lib;
    return nullptr;
}

int FakeResourceLibraries::liveLoads(LibraryHandle library) const {
    for (const auto& [path, lib] : m_libraries)
        if (lib.handle == library) return lib.loads;
    return 0;
}

LibraryHandle FakeResourceLibraries::loadAsDataFile(const std::string& path) {
    auto it = m_libraries.find(path);
    if (it == m_libraries.end()) return 0;
    ++it->second.loads;
    return it->second.handle;
}

void FakeResourceLibraries::free(LibraryHandle library) noexcept {
    ++frees;
    Library* lib = byHandle(library);
    if (!lib || lib->loads == 0) {
        ADD_FAILURE() << "free of library handle " << library << " that holds no load";
        return;
    }
    --lib->loads;
}

std::string FakeResourceLibraries::loadString(LibraryHandle library, std::int32_t number, int bufferChars) {
    ++lookups;
    const StringTable* table = &hostStrings;
    if (library != 0) {
        Library* lib = byHandle(library);
        if (!lib || lib->loads == 0) {
            ADD_FAILURE() << "string " << number << " looked up through handle " << library
                          << " whose library is not loaded";
            return {};
        }
        table = &lib->strings;
    }
    auto it = table->find(number);
    if (it == table->end() || bufferChars <= 0) return {};
    return it->second.substr(0, std::size_t(bufferChars - 1));
}

}  // namespace fakes
