#include "addin/MRegistry.h"

namespace autosave {

std::string GetResourceString(ModuleState& module, LibraryHandle library, std::int32_t number) {
    constexpr int kBufferChars = 500;
    return guardedResult(module.errors, "MRegistry::GetResourceString()", [&]() -> std::string {
        // A handle whose library was freed must never reach the loader.
        if (library != 0 && !module.isLoaded(library)) return {};
        return module.services.libraries.loadString(library, number, kBufferChars);
    });
}

std::string GetRegistryValueString(ModuleState& module, RegistryRoot root, const std::string& subKey,
                                   const std::string& valueName) {
    return guardedResult(module.errors, "MRegistry::GetRegistryValueString()", [&]() -> std::string {
        auto key = module.services.registry.openKeyForReading(root, subKey);
        auto stored = key ? key->readText(valueName) : std::nullopt;
        return stored ? stored->text : std::string();
    });
}

std::string GetHelpFileNameFromRegistry(ModuleState& module, const std::string& programId) {
    std::string fileName;
    guarded(module.errors, "MRegistry::GetHelpFileNameFromRegistry()", [&] {
        const std::string product = toPathText(programId.empty() ? "Tessaline.Application" : programId);
        fileName = GetRegistryValueString(module, RegistryRoot::LocalMachine,
                                          "Software\\Morvane\\Applications\\" + product + "\\Help\\HelpFile", "");
        if (fileName.find('.') == std::string::npos) fileName += ".chm";
    });
    return fileName;
}

}  // namespace autosave
