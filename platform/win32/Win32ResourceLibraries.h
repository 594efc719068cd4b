#pragma once

#include "platform/ResourceLibraries.h"

namespace win32 {

// Language libraries mapped as image resources, which keeps their files from
// changing while mapped; strings read in UTF-16.
class Win32ResourceLibraries final : public autosave::ResourceLibraries {
public:
    autosave::LibraryHandle loadAsDataFile(const std::string& path) override;
    void free(autosave::LibraryHandle library) noexcept override;
    std::string loadString(autosave::LibraryHandle library, std::int32_t number, int bufferChars) override;
};

}  // namespace win32
