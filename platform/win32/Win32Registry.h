#pragma once

#include "platform/Registry.h"

namespace win32 {

// The Windows registry through its Unicode functions, so that texts in any
// script survive; values are REG_SZ with a terminating zero.
class Win32Registry final : public autosave::Registry {
public:
    std::unique_ptr<Key> createKey(autosave::RegistryRoot root, const std::string& path) override;
    std::unique_ptr<Key> openKeyForReading(autosave::RegistryRoot root, const std::string& path) override;
};

}  // namespace win32
