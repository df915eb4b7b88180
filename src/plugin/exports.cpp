// The sixteen functions the host calls, under their plain names. Each one
// hands over to the operation that does the work; nothing here throws.
#include <stdlib.h>

#include "device/connection.h"
#include "farplugin.h"
#include "operations/delete_items.h"
#include "operations/download.h"
#include "operations/upload.h"
#include "panel/listing.h"
#include "panel/make_directory.h"
#include "panel/panel_instance.h"
#include "plugin/host_services.h"
#include "plugin/lifecycle.h"
#include "settings/config_dialog.h"

#ifdef _WIN32
#define VB_EXPORT extern "C"
#else
#define VB_EXPORT extern "C" __attribute__((visibility("default")))
#endif

static PanelInstance& PanelOf(HANDLE hPlugin) { return *static_cast<PanelInstance*>(hPlugin); }

VB_EXPORT int WINAPI GetMinFarVersion() { return MAKEFARVERSION(1, 70, 1282); }

VB_EXPORT void WINAPI SetStartupInfo(const PluginStartupInfo* Info) { StartModule(Info); }

VB_EXPORT void WINAPI GetPluginInfo(PluginInfo* Info) { FillPluginInfo(Info); }

VB_EXPORT HANDLE WINAPI OpenPlugin(int, int) {
    if (HostTooOld) return INVALID_HANDLE_VALUE;
    ConnectDevice();
    if (!DeviceConnected) return INVALID_HANDLE_VALUE;
    PanelInstance* panel = static_cast<PanelInstance*>(calloc(1, sizeof(PanelInstance)));
    if (!panel) return INVALID_HANDLE_VALUE;
    return OpenPanelInstance(panel);
}

VB_EXPORT void WINAPI ClosePlugin(HANDLE hPlugin) {
    if (hPlugin) {
        ClosePanelInstance(&PanelOf(hPlugin));
        ReleasePanelInstance(&PanelOf(hPlugin));
    }
    DeviceConnected = 0;
}

VB_EXPORT void WINAPI GetOpenPluginInfo(HANDLE hPlugin, OpenPluginInfo* Info) {
    GetOpenPluginInfo(PanelOf(hPlugin), Info);
}

VB_EXPORT int WINAPI GetFindData(HANDLE hPlugin, PluginPanelItem** pPanelItem, int* pItemsNumber,
                                 int OpMode) {
    return GetFindData(PanelOf(hPlugin), pPanelItem, pItemsNumber, OpMode);
}

VB_EXPORT void WINAPI FreeFindData(HANDLE hPlugin, PluginPanelItem* PanelItem, int ItemsNumber) {
    FreeFindData(PanelOf(hPlugin), PanelItem, ItemsNumber);
}

VB_EXPORT int WINAPI SetDirectory(HANDLE hPlugin, const char* Dir, int OpMode) {
    return SetDirectory(PanelOf(hPlugin), Dir, OpMode);
}

VB_EXPORT int WINAPI MakeDirectory(HANDLE hPlugin, char* Name, int OpMode) {
    return MakeDirectory(PanelOf(hPlugin), Name, OpMode);
}

VB_EXPORT int WINAPI DeleteFiles(HANDLE hPlugin, PluginPanelItem* PanelItem, int ItemsNumber,
                                 int OpMode) {
    return DeleteFiles(PanelOf(hPlugin), PanelItem, ItemsNumber, OpMode);
}

VB_EXPORT int WINAPI GetFiles(HANDLE hPlugin, PluginPanelItem* PanelItem, int ItemsNumber, int Move,
                              char* DestPath, int OpMode) {
    return GetFiles(PanelOf(hPlugin), PanelItem, ItemsNumber, Move, DestPath, OpMode);
}

VB_EXPORT int WINAPI PutFiles(HANDLE hPlugin, PluginPanelItem* PanelItem, int ItemsNumber, int Move,
                              int OpMode) {
    return PutFiles(PanelOf(hPlugin), PanelItem, ItemsNumber, Move, OpMode);
}

VB_EXPORT int WINAPI ProcessKey(HANDLE hPlugin, int Key, unsigned int ControlState) {
    return ProcessKey(PanelOf(hPlugin), Key, ControlState);
}

VB_EXPORT int WINAPI Configure(int ItemNumber) {
    if (HostTooOld || ItemNumber != 0) return 0;
    return ShowConfigDialog();
}

VB_EXPORT void WINAPI ExitFAR() {}
