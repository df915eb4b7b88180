// vbterm: the emulated host on a full screen. It loads the real module
// through its exports and lets a person use it on the emulated device:
// panels, menus, the module's messages and dialogs, its help.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app.h"
#include "device_control.h"
#include "host.h"
#include "oem_text.h"
#include "terminal.h"
#include "terminal_ui.h"
#include "vbplatform_testing.h"

namespace {

struct Options {
    std::string module;
    std::string left, right;
    std::string work;
    unsigned codePage = 0;
};

void Usage() {
    std::fprintf(stderr,
                 "usage: vbterm [--module FILE] [--left DIR] [--right DIR] [--storage DIR]\n"
                 "              [--connect MODEL] [--link MODEL] [--oemcp 437|866] [--work DIR]\n"
                 "  --module   the module to load (default: Vantelbrook.so beside vbterm)\n"
                 "  --left     the left panel's folder (default: the current folder)\n"
                 "  --right    the right panel's folder (default: the left one)\n"
                 "  --storage  the folder that holds the device's storage (VANTELBROOK_DEVICE_STORAGE)\n"
                 "  --connect  how the link comes up: now, delay:<ms>, fail, never (VANTELBROOK_DEVICE_CONNECT)\n"
                 "  --link     the link model: latency=<ms>,bandwidth=<bytes/s>, or off (VANTELBROOK_DEVICE_LINK)\n"
                 "  --oemcp    the OEM code page of the module's text (VANTELBROOK_OEMCP)\n"
                 "  --work     the host's own folder (plug-in installation, temporary copies)\n");
}

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        if (name == "--help" || name == "-h") return false;
        if (i + 1 >= argc) {
            std::fprintf(stderr, "vbterm: %s needs a value\n", name.c_str());
            return false;
        }
        std::string value = argv[++i];
        if (name == "--module") options.module = value;
        else if (name == "--left") options.left = value;
        else if (name == "--right") options.right = value;
        else if (name == "--work") options.work = value;
        else if (name == "--storage") setenv("VANTELBROOK_DEVICE_STORAGE", value.c_str(), 1);
        else if (name == "--connect") setenv("VANTELBROOK_DEVICE_CONNECT", value.c_str(), 1);
        else if (name == "--link") setenv("VANTELBROOK_DEVICE_LINK", value.c_str(), 1);
        else if (name == "--oemcp") options.codePage = static_cast<unsigned>(std::atoi(value.c_str()));
        else {
            std::fprintf(stderr, "vbterm: unknown option %s\n", name.c_str());
            return false;
        }
    }
    return true;
}

std::string BesideProgram(const char* argv0, const std::string& name) {
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) self = argv0;
    return (self.parent_path() / name).string();
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        Usage();
        return 2;
    }
    if (options.codePage) {
        if (options.codePage != 437 && options.codePage != 866) {
            std::fprintf(stderr, "vbterm: the OEM code page is 437 or 866\n");
            return 2;
        }
        vbplatform::SetOemCodePage(options.codePage);
    }
    if (options.module.empty()) options.module = BesideProgram(argv[0], "Vantelbrook.so");
    if (options.left.empty()) options.left = std::filesystem::current_path().string();
    if (options.right.empty()) options.right = options.left;
    // The device reads its environment at its first use, which is now.
    vbdevice::ConfigureFromEnvironment();

    if (!isatty(0) || !isatty(1)) {
        std::fprintf(stderr, "vbterm needs a terminal; without one, run the printed session (vbsession)\n");
        return 1;
    }
    vbterm::Terminal terminal;
    vbterm::TerminalUi ui(terminal, "English");
    vbhost::HostOptions hostOptions;
    hostOptions.modulePath = options.module;
    hostOptions.workFolder = options.work;
    std::string error;
    {
        vbhost::Host host(hostOptions);
        if (!host.Load()) {
            std::fprintf(stderr, "vbterm: the host could not load the module: %s\n", host.Error().c_str());
            return 1;
        }
        if (!terminal.Start()) {
            std::fprintf(stderr, "vbterm: cannot take over the terminal\n");
            return 1;
        }
        ui.SetPluginFolder(host.PluginFolder());
        host.SetUi(&ui);
        // The host asks for the version before it hands over its services.
        host.Module().GetMinFarVersion();
        host.Start();
        std::vector<std::string> folders = {vbterm::TypedText(options.left), vbterm::TypedText(options.right)};
        host.SetLocalPanel(0, folders[0]);
        host.SetLocalPanel(1, folders[1]);
        host.SetActivePanel(0);
        vbterm::App app(terminal, host, ui, folders);
        app.Run();
    }
    terminal.Stop();
    return 0;
}
