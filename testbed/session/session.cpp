// A short real session of the module in the emulated host, printed as it
// goes: what the host asked and what the module answered.
#include <cstdio>
#include <string>

#include "host.h"
#ifndef _WIN32
#include "vbplatform_testing.h"
#endif

namespace {

// Text of the module is in the OEM code page; the terminal wants UTF-8.
std::string Shown(const std::string& oem) {
#ifndef _WIN32
    return vbplatform::OemToUtf8(oem);
#else
    return oem;
#endif
}

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
                    checkable ? (item.Selected ? "[x] " : "[ ] ") : "", Shown(item.Data).c_str());
    }
}

void PrintMessage(const vbhost::MessageCall& call) {
    std::printf("  message:");
    for (const std::string& item : call.items) std::printf(" [%s]", Shown(item).c_str());
    std::printf("\n");
}

void PrintPanel(vbhost::Host& host) {
    vbhost::Host::Panel& panel = host.Active();
    std::printf("  panel \"%s\" (current directory %s), %zu items, cursor on %s\n", panel.title.c_str(),
                panel.curDir.c_str(), panel.items.size(), host.CurrentName().c_str());
    for (const PluginPanelItem& item : panel.items) {
        bool directory = item.FindData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        std::printf("    %-32s %s\n", Shown(item.FindData.cFileName).c_str(),
                    directory ? "<dir>" : std::to_string(item.FindData.nFileSizeLow).c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: vbsession <module file> [local folder [items to enter...]]\n");
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

    const char* local = argc > 2 ? argv[2] : ".";
    host.SetLocalPanel(0, local);
    host.SetLocalPanel(1, local);
    host.SetActivePanel(0);
    host.ClearRecords();
    std::printf("Alt+F1, the device: ");
    host.Script().AnswerMessage(0);  // a failure box, should the link not come up
    if (!host.OpenFromDiskMenu()) {
        std::printf("no panel\n");
        for (const vbhost::MessageCall& call : host.Messages()) PrintMessage(call);
        return 1;
    }
    std::printf("the panel is open\n");
    for (const vbhost::MessageCall& call : host.Messages()) PrintMessage(call);
    PrintPanel(host);

    for (int i = 3; i < argc; ++i) {
        std::string name = argv[i];
        if (!host.SetCursor(name)) {
            std::printf("Enter on %s: no such item\n", name.c_str());
            continue;
        }
        std::printf("Enter on %s\n", name.c_str());
        host.PressEnter();
        PrintPanel(host);
    }

    std::printf("F7, \"Made by the session\"\n");
    host.Script().OnDialog([](vbhost::RunningDialog& dialog) {
        dialog.SetText(2, "Made by the session");
        dialog.PressDefault();
    });
    std::printf("  MakeDirectory: %d\n", host.PressF7());
    PrintPanel(host);

    std::printf("Closing the panel\n");
    host.ClosePluginPanel();
    return 0;
}
