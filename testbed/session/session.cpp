// A short real session of the module in the emulated host, printed as it
// goes: what the host asked and what the module answered.
#include <cstdio>
#include <string>

#include "host.h"

namespace {

const char* ItemTypeName(int type) {
    switch (type) {
        case DI_TEXT: return "text";
        case DI_DOUBLEBOX: return "frame";
        case DI_SINGLEBOX: return "box";
        case DI_EDIT: return "edit";
        case DI_FIXEDIT: return "field";
        case DI_BUTTON: return "button";
        case DI_CHECKBOX: return "check";
        case DI_RADIOBUTTON: return "radio";
        default: return "item";
    }
}

void PrintDialog(const vbhost::DialogCall& dialog) {
    std::printf("  dialog %dx%d, help topic \"%s\", %zu items\n", dialog.x2, dialog.y2,
                dialog.helpTopic.c_str(), dialog.itemsIn.size());
    for (size_t i = 0; i < dialog.itemsIn.size(); ++i) {
        const FarDialogItem& item = dialog.itemsIn[i];
        bool checkable = item.Type == DI_CHECKBOX || item.Type == DI_RADIOBUTTON;
        std::printf("    %2zu %-6s (%2d,%2d) %s\"%s\"\n", i, ItemTypeName(item.Type), item.X1, item.Y1,
                    checkable ? (item.Selected ? "[x] " : "[ ] ") : "", item.Data);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: vbsession <module file>\n");
        return 2;
    }
    vbhost::HostOptions options;
    options.modulePath = argv[1];
    vbhost::Host host(options);
    if (!host.Load()) {
        std::fprintf(stderr, "the host could not load the module: %s\n", host.Error().c_str());
        return 1;
    }
    std::printf("Loaded %s into %s\n", argv[1], host.PluginFolder().c_str());
    int version = host.Module().GetMinFarVersion();
    std::printf("GetMinFarVersion: 0x%08X (host %d.%d build %d)\n", static_cast<unsigned>(version),
                (version >> 8) & 0xFF, version & 0xFF, (version >> 16) & 0xFFFF);

    host.Start();
    std::printf("SetStartupInfo: accepted a %d-byte record\n", options.structSize);
    vbhost::Host::MenuEntries menus = host.QueryMenus();
    std::printf("GetPluginInfo:\n");
    for (size_t i = 0; i < menus.diskMenu.size(); ++i)
        std::printf("  disks menu:    \"%s\" (digit %d)\n", menus.diskMenu[i].c_str(), menus.diskNumbers[i]);
    for (const std::string& entry : menus.pluginMenu) std::printf("  plug-ins menu: \"%s\"\n", entry.c_str());
    for (const std::string& entry : menus.configMenu) std::printf("  configuration: \"%s\"\n", entry.c_str());

    std::printf("Configure(0): the configuration dialog, closed with Esc\n");
    host.Script().OnDialog([](vbhost::RunningDialog& dialog) { dialog.Esc(); });
    int configured = host.Module().Configure(0);
    for (const vbhost::DialogCall& dialog : host.Dialogs()) PrintDialog(dialog);
    std::printf("  result %d\n", configured);

    std::printf("OpenPlugin(disks menu): %s\n",
                host.Module().OpenPlugin(OPEN_DISKMENU, 0) == INVALID_HANDLE_VALUE
                    ? "no panel yet (the device panel is not built yet)"
                    : "a panel");
    return 0;
}
