#include "module_loader.h"

#include <cstdlib>
#include <mutex>

#include "local_folder.h"

#ifndef _WIN32
#include <dlfcn.h>
#endif

namespace vbhost {

#ifdef _WIN32

namespace {

struct MappedModules {
    std::mutex lock;
    std::vector<HMODULE> modules;
    std::vector<std::string> folders;
};

MappedModules& Mapped() {
    static MappedModules* mapped = new MappedModules;  // still there when exit handlers run
    return *mapped;
}

// At exit no copy worker is left inside a module.
void ReleaseModulesAndRemoveFolders() {
    MappedModules& mapped = Mapped();
    std::lock_guard<std::mutex> guard(mapped.lock);
    for (HMODULE module : mapped.modules) FreeLibrary(module);
    mapped.modules.clear();
    for (const std::string& folder : mapped.folders) RemoveLocalTree(folder);
    mapped.folders.clear();
}

void ReleaseAtExit() {
    static std::once_flag registered;
    std::call_once(registered, [] { std::atexit(ReleaseModulesAndRemoveFolders); });
}

void KeepMapped(HMODULE module) {
    ReleaseAtExit();
    MappedModules& mapped = Mapped();
    std::lock_guard<std::mutex> guard(mapped.lock);
    mapped.modules.push_back(module);
}

}  // namespace

void RemoveModuleFolder(const std::string& folder) {
    ReleaseAtExit();
    MappedModules& mapped = Mapped();
    std::lock_guard<std::mutex> guard(mapped.lock);
    mapped.folders.push_back(folder);
}

#else

void RemoveModuleFolder(const std::string& folder) { RemoveLocalTree(folder); }

#endif

const std::vector<std::string>& ExportNames() {
    static const std::vector<std::string> names = {
        "SetStartupInfo", "GetPluginInfo", "OpenPlugin",    "ClosePlugin",
        "GetOpenPluginInfo", "GetFindData", "FreeFindData", "SetDirectory",
        "MakeDirectory", "DeleteFiles",   "GetFiles",      "PutFiles",
        "ProcessKey",    "Configure",     "ExitFAR",       "GetMinFarVersion"};
    return names;
}

LoadedModule::~LoadedModule() { Unload(); }

void* LoadedModule::Resolve(const std::string& name) {
#ifdef _WIN32
    void* symbol = reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name.c_str()));
#else
    void* symbol = dlsym(handle_, name.c_str());
#endif
    if (!symbol) missing_.push_back(name);
    return symbol;
}

template <typename T>
static void Bind(T& slot, void* symbol) {
    slot = reinterpret_cast<T>(symbol);
}

bool LoadedModule::Load(const std::string& path) {
    Unload();
    error_.clear();
    missing_.clear();
#ifdef _WIN32
    handle_ = reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
    if (!handle_) {
        error_ = "cannot load " + path + ": error " + std::to_string(GetLastError());
        return false;
    }
    KeepMapped(static_cast<HMODULE>(handle_));
#else
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* why = dlerror();
        error_ = "cannot load " + path + ": " + (why ? why : "unknown error");
        return false;
    }
#endif
    const std::vector<std::string>& names = ExportNames();
    Bind(exports_.SetStartupInfo, Resolve(names[0]));
    Bind(exports_.GetPluginInfo, Resolve(names[1]));
    Bind(exports_.OpenPlugin, Resolve(names[2]));
    Bind(exports_.ClosePlugin, Resolve(names[3]));
    Bind(exports_.GetOpenPluginInfo, Resolve(names[4]));
    Bind(exports_.GetFindData, Resolve(names[5]));
    Bind(exports_.FreeFindData, Resolve(names[6]));
    Bind(exports_.SetDirectory, Resolve(names[7]));
    Bind(exports_.MakeDirectory, Resolve(names[8]));
    Bind(exports_.DeleteFiles, Resolve(names[9]));
    Bind(exports_.GetFiles, Resolve(names[10]));
    Bind(exports_.PutFiles, Resolve(names[11]));
    Bind(exports_.ProcessKey, Resolve(names[12]));
    Bind(exports_.Configure, Resolve(names[13]));
    Bind(exports_.ExitFAR, Resolve(names[14]));
    Bind(exports_.GetMinFarVersion, Resolve(names[15]));
    if (!missing_.empty()) {
        error_ = "missing exports:";
        for (const std::string& name : missing_) error_ += " " + name;
        Unload();
        return false;
    }
    return true;
}

// The module stays mapped: the host unloads plug-ins only when it exits, and
// a copy worker may still be running its last instructions in the module
// when the copy has ended. Every host loads its own copy of the module file,
// so a later host never meets an earlier one's state.
void LoadedModule::Unload() {
    if (!handle_) return;
    handle_ = nullptr;
    exports_ = ModuleExports();
}

}  // namespace vbhost
