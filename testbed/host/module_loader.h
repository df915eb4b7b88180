// Loads the plug-in module from its file and resolves its sixteen exports by
// their plain names, as the host does.
#pragma once

#include <string>
#include <vector>

#include "farplugin.h"

namespace vbhost {

struct ModuleExports {
    PFN_SetStartupInfo SetStartupInfo = nullptr;
    PFN_GetPluginInfo GetPluginInfo = nullptr;
    PFN_OpenPlugin OpenPlugin = nullptr;
    PFN_ClosePlugin ClosePlugin = nullptr;
    PFN_GetOpenPluginInfo GetOpenPluginInfo = nullptr;
    PFN_GetFindData GetFindData = nullptr;
    PFN_FreeFindData FreeFindData = nullptr;
    PFN_SetDirectory SetDirectory = nullptr;
    PFN_MakeDirectory MakeDirectory = nullptr;
    PFN_DeleteFiles DeleteFiles = nullptr;
    PFN_GetFiles GetFiles = nullptr;
    PFN_PutFiles PutFiles = nullptr;
    PFN_ProcessKey ProcessKey = nullptr;
    PFN_Configure Configure = nullptr;
    PFN_ExitFAR ExitFAR = nullptr;
    PFN_GetMinFarVersion GetMinFarVersion = nullptr;
};

// The names the host looks for, in the order of ModuleExports.
const std::vector<std::string>& ExportNames();

// Removes a folder that holds a module file this process loaded. Modules
// stay mapped (see LoadedModule::Unload), and Windows keeps a mapped file:
// there the folder goes when the process exits, after every module loaded
// was released; elsewhere at once.
void RemoveModuleFolder(const std::string& folder);

class LoadedModule {
public:
    LoadedModule() = default;
    ~LoadedModule();
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    // Loads the file and resolves every export. On failure returns false and
    // Error() says why (the file, or the names that are missing).
    bool Load(const std::string& path);
    void Unload();

    bool IsLoaded() const { return handle_ != nullptr; }
    const ModuleExports& Exports() const { return exports_; }
    const std::string& Error() const { return error_; }
    const std::vector<std::string>& MissingExports() const { return missing_; }

private:
    void* Resolve(const std::string& name);

    void* handle_ = nullptr;
    ModuleExports exports_;
    std::string error_;
    std::vector<std::string> missing_;
};

}  // namespace vbhost
