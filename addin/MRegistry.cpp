#include "addin/MRegistry.h"

namespace autosave {

std::string GetResourceString(ModuleState& module, LibraryHandle library, std::int32_t number) {
    constexpr int kBufferChars = 500;
    std::string text;
    guarded(module.errors, "MRegistry::GetResourceString()", [&] {
        // A handle whose library was freed must never reach the loader.
        if (library != 0 && !module.isLoaded(library)) return;
        text = module.services.libraries.loadString(library, number, kBufferChars);
    });
    return text;
}

std::string GetRegistryValueString(ModuleState& module, RegistryRoot root, const std::string& subKey,
                                   const std::string& valueName) {
    std::string text;
    guarded(module.errors, "MRegistry::GetRegistryValueString()", [&] {
        auto key = module.services.registry.openKeyForReading(root, subKey);
        if (!key || !key->valueSize(valueName)) return;
        text = key->readText(valueName);
    });
    return text;
}

std::string GetHelpFileNameFromRegistry(ModuleState& module, const std::string& programId) {
    std::string fileName;
    guarded(module.errors, "MRegistry::GetHelpFileNameFromRegistry()", [&] {
        const std::string product = programId.empty() ? "Tessaline.Application" : programId;
        fileName = GetRegistryValueString(module, RegistryRoot::LocalMachine,
                                          "Software\\Morvane\\Applications\\" + product + "\\Help\\HelpFile", "");
        if (fileName.find('.') == std::string::npos) fileName += ".chm";
    });
    return fileName;
}

}  // namespace autosave
