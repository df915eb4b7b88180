// Our own declarations of the host's ANSI plug-in interface (host 1.70),
// written from its published layouts. Every record is 2-byte packed, as the
// host's are; on the 32-bit Windows build the records have their published
// sizes, which the static assertions at the end hold.
#pragma once

#include <stddef.h>

#include "vbwin32.h"

#define MAKEFARVERSION(major, minor, build) (((major) << 8) | (minor) | ((build) << 16))

#define FARAPI WINAPI

// OpenPlugin's failure value and the panel handle meaning "the active panel".
#define PANEL_ACTIVE INVALID_HANDLE_VALUE

enum OPERATION_MODES {
    OPM_SILENT = 0x0001,
    OPM_FIND = 0x0002,
    OPM_VIEW = 0x0004,
    OPM_EDIT = 0x0008,
    OPM_TOPLEVEL = 0x0010,
    OPM_DESCR = 0x0020,
};

enum FARMESSAGEFLAGS {
    FMSG_WARNING = 0x00000001,
    FMSG_ERRORTYPE = 0x00000002,
    FMSG_KEEPBACKGROUND = 0x00000004,
    FMSG_DOWN = 0x00000008,
    FMSG_LEFTALIGN = 0x00000010,
    FMSG_ALLINONE = 0x00000020,
    FMSG_MB_OK = 0x00010000,
    FMSG_MB_OKCANCEL = 0x00020000,
    FMSG_MB_ABORTRETRYIGNORE = 0x00030000,
    FMSG_MB_YESNO = 0x00040000,
    FMSG_MB_YESNOCANCEL = 0x00050000,
    FMSG_MB_RETRYCANCEL = 0x00060000,
};
#define FMSG_MB_MASK 0x000F0000

enum DialogItemTypes {
    DI_TEXT = 0,
    DI_VTEXT = 1,
    DI_SINGLEBOX = 2,
    DI_DOUBLEBOX = 3,
    DI_EDIT = 4,
    DI_PSWEDIT = 5,
    DI_FIXEDIT = 6,
    DI_BUTTON = 7,
    DI_CHECKBOX = 8,
    DI_RADIOBUTTON = 9,
    DI_COMBOBOX = 10,
    DI_LISTBOX = 11,
};

enum FarDialogItemFlags {
    DIF_SETCOLOR = 0x00000100,
    DIF_BOXCOLOR = 0x00000200,
    DIF_GROUP = 0x00000400,
    DIF_LEFTTEXT = 0x00000800,
    DIF_CENTERGROUP = 0x00004000,
    DIF_SEPARATOR = 0x00010000,
    DIF_HISTORY = 0x00040000,
    DIF_MASKEDIT = 0x00400000,
    DIF_READONLY = 0x20000000,
    DIF_NOFOCUS = 0x40000000,
};
#define DIF_DISABLE 0x80000000u

enum FarMessagesProc {
    DM_FIRST = 0,
    DM_CLOSE = 1,
    DM_ENABLE = 2,
    DM_GETDLGDATA = 4,
    DM_GETDLGITEM = 5,
    DM_GETTEXT = 7,
    DM_KEY = 9,
    DM_SETDLGDATA = 11,
    DM_SETFOCUS = 13,
    DM_REDRAW = 14,
    DM_SETTEXT = 15,

    DN_FIRST = 0x1000,
    DN_BTNCLICK = 0x1001,
    DN_EDITCHANGE = 0x1007,
    DN_HELP = 0x100A,
    DN_INITDIALOG = 0x100C,
    DN_CLOSE = DM_CLOSE,
    DN_KEY = DM_KEY,

    DM_USER = 0x4000,
};

enum FILE_CONTROL_COMMANDS {
    FCTL_CLOSEPLUGIN = 0,
    FCTL_GETPANELINFO = 1,
    FCTL_GETANOTHERPANELINFO = 2,
    FCTL_UPDATEPANEL = 3,
    FCTL_UPDATEANOTHERPANEL = 4,
    FCTL_REDRAWPANEL = 5,
    FCTL_REDRAWANOTHERPANEL = 6,
    FCTL_SETANOTHERPANELDIR = 7,
    FCTL_SETPANELDIR = 16,
};

#define PPIF_PROCESSDESCR 0x80000000u
#define PPIF_SELECTED 0x40000000u
#define PPIF_USERDATA 0x20000000u

enum PROCESSKEYSTATE {
    PKF_CONTROL = 0x00000001,
    PKF_ALT = 0x00000002,
    PKF_SHIFT = 0x00000004,
    PKF_PREPROCESS = 0x00080000,
};

enum OPENPLUGININFO_FLAGS {
    OPIF_USEFILTER = 0x00000001,
    OPIF_USESORTGROUPS = 0x00000002,
    OPIF_USEHIGHLIGHTING = 0x00000004,
    OPIF_ADDDOTS = 0x00000008,
    OPIF_RAWSELECTION = 0x00000010,
    OPIF_REALNAMES = 0x00000020,
};

enum OPENPLUGIN_OPENFROM {
    OPEN_DISKMENU = 0,
    OPEN_PLUGINSMENU = 1,
    OPEN_FINDLIST = 2,
    OPEN_SHORTCUT = 3,
    OPEN_COMMANDLINE = 4,
};

enum PANELINFOTYPE {
    PTYPE_FILEPANEL = 0,
    PTYPE_TREEPANEL = 1,
    PTYPE_QVIEWPANEL = 2,
    PTYPE_INFOPANEL = 3,
};

#pragma pack(push, 2)

// The host's find-data record: the platform's own is 320 bytes under default
// packing; the host's is this 2-byte packed copy of 318 bytes.
struct FAR_FIND_DATA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    char cFileName[260];
    char cAlternateFileName[14];
};

struct PluginPanelItem {
    FAR_FIND_DATA FindData;
    DWORD PackSizeHigh;
    DWORD PackSize;
    DWORD Flags;
    DWORD NumberOfLinks;
    char* Description;
    char* Owner;
    char** CustomColumnData;
    int CustomColumnNumber;
    DWORD UserData;
    DWORD CRC32;
    DWORD_PTR Reserved[2];
};

struct PanelRedrawInfo {
    int CurrentItem;
    int TopPanelItem;
};

struct PanelInfo {
    int PanelType;
    int Plugin;
    RECT PanelRect;
    PluginPanelItem* PanelItems;
    int ItemsNumber;
    PluginPanelItem* SelectedItems;
    int SelectedItemsNumber;
    int CurrentItem;
    int TopPanelItem;
    int Visible;
    int Focus;
    int ViewMode;
    char ColumnTypes[80];
    char ColumnWidths[80];
    char CurDir[260];
    int ShortNames;
    int SortMode;
    DWORD Flags;
    DWORD Reserved;
};

struct FarDialogItem {
    int Type;
    int X1, Y1, X2, Y2;
    int Focus;
    union {
        int Selected;
        const char* History;
        const char* Mask;
        void* ListItems;
        int ListPos;
        void* VBuf;
    };
    DWORD Flags;
    int DefaultButton;
    char Data[512];
};

struct FarDialogItemData {
    int PtrLength;
    char* PtrData;
};

struct InfoPanelLine;
struct PanelMode;
struct KeyBarTitles;

struct OpenPluginInfo {
    int StructSize;
    DWORD Flags;
    const char* HostFile;
    const char* CurDir;
    const char* Format;
    const char* PanelTitle;
    const InfoPanelLine* InfoLines;
    int InfoLinesNumber;
    const char* const* DescrFiles;
    int DescrFilesNumber;
    const PanelMode* PanelModesArray;
    int PanelModesNumber;
    int StartPanelMode;
    int StartSortMode;
    int StartSortOrder;
    const KeyBarTitles* KeyBar;
    const char* ShortcutData;
    LONG_PTR Reserved;
};

struct PluginInfo {
    int StructSize;
    DWORD Flags;
    const char* const* DiskMenuStrings;
    int* DiskMenuNumbers;
    int DiskMenuStringsNumber;
    const char* const* PluginMenuStrings;
    int PluginMenuStringsNumber;
    const char* const* PluginConfigStrings;
    int PluginConfigStringsNumber;
    const char* CommandPrefix;
    DWORD Reserved;
};

// Host callbacks. Every one is __stdcall except sprintf and sscanf. The
// dialog messages' second parameter is pointer-sized (a long on the 32-bit
// host), since it carries addresses.
typedef LONG_PTR(WINAPI* FARWINDOWPROC)(HANDLE hDlg, int Msg, int Param1, LONG_PTR Param2);

typedef int(WINAPI* FARAPIMENU)(int PluginNumber, int X, int Y, int MaxHeight, DWORD Flags,
                                const char* Title, const char* Bottom, const char* HelpTopic,
                                const int* BreakKeys, int* BreakCode, const void* Item,
                                int ItemsNumber);
typedef int(WINAPI* FARAPIDIALOG)(int PluginNumber, int X1, int Y1, int X2, int Y2,
                                  const char* HelpTopic, FarDialogItem* Item, int ItemsNumber);
typedef int(WINAPI* FARAPIDIALOGEX)(int PluginNumber, int X1, int Y1, int X2, int Y2,
                                    const char* HelpTopic, FarDialogItem* Item,
                                    int ItemsNumber, DWORD Reserved, DWORD Flags,
                                    FARWINDOWPROC DlgProc, LONG_PTR Param);
typedef int(WINAPI* FARAPIMESSAGE)(int PluginNumber, DWORD Flags, const char* HelpTopic,
                                   const char* const* Items, int ItemsNumber,
                                   int ButtonsNumber);
typedef const char*(WINAPI* FARAPIGETMSG)(int PluginNumber, int MsgId);
typedef int(WINAPI* FARAPICONTROL)(HANDLE hPlugin, int Command, void* Param);
typedef HANDLE(WINAPI* FARAPISAVESCREEN)(int X1, int Y1, int X2, int Y2);
typedef void(WINAPI* FARAPIRESTORESCREEN)(HANDLE hScreen);
typedef int(WINAPI* FARAPIGETDIRLIST)(const char* Dir, PluginPanelItem** pPanelItem,
                                      int* pItemsNumber);
typedef int(WINAPI* FARAPIGETPLUGINDIRLIST)(int PluginNumber, HANDLE hPlugin, const char* Dir,
                                            PluginPanelItem** pPanelItem, int* pItemsNumber);
typedef void(WINAPI* FARAPIFREEDIRLIST)(const PluginPanelItem* PanelItem);
typedef LONG_PTR(WINAPI* FARAPISENDDLGMESSAGE)(HANDLE hDlg, int Msg, int Param1, LONG_PTR Param2);
typedef LONG_PTR(WINAPI* FARAPIDEFDLGPROC)(HANDLE hDlg, int Msg, int Param1, LONG_PTR Param2);
// Services the module never calls: kept as untyped slots so the layout holds.
typedef void(WINAPI* FARAPIUNUSED)(void);

typedef int(WINAPI* FARSTDATOI)(const char* s);
typedef char*(WINAPI* FARSTDITOA)(int value, char* buffer, int radix);
typedef int(__cdecl* FARSTDSPRINTF)(char* buffer, const char* format, ...);
typedef int(WINAPI* FARSTDLSTRICMP)(const char* s1, const char* s2);
typedef char*(WINAPI* FARSTDTRUNCPATHSTR)(char* path, int maxLength);
typedef BOOL(WINAPI* FARSTDADDENDSLASH)(char* path);

struct FarStandardFunctions {
    int StructSize;
    FARSTDATOI atoi;
    FARAPIUNUSED atoi64;
    FARSTDITOA itoa;
    FARAPIUNUSED itoa64;
    FARSTDSPRINTF sprintf;
    FARAPIUNUSED sscanf;
    FARAPIUNUSED qsort;
    FARAPIUNUSED bsearch;
    FARAPIUNUSED qsortex;
    DWORD_PTR Reserved[9];
    FARAPIUNUSED LIsLower;
    FARAPIUNUSED LIsUpper;
    FARAPIUNUSED LIsAlpha;
    FARAPIUNUSED LIsAlphanum;
    FARAPIUNUSED LUpper;
    FARAPIUNUSED LLower;
    FARAPIUNUSED LUpperBuf;
    FARAPIUNUSED LLowerBuf;
    FARAPIUNUSED LStrupr;
    FARAPIUNUSED LStrlwr;
    FARSTDLSTRICMP LStricmp;
    FARAPIUNUSED LStrnicmp;
    FARAPIUNUSED Unquote;
    FARAPIUNUSED ExpandEnvironmentStr;
    FARAPIUNUSED LTrim;
    FARAPIUNUSED RTrim;
    FARAPIUNUSED Trim;
    FARAPIUNUSED TruncStr;
    FARSTDTRUNCPATHSTR TruncPathStr;
    FARAPIUNUSED QuoteSpaceOnly;
    FARAPIUNUSED PointToName;
    FARAPIUNUSED GetPathRoot;
    FARSTDADDENDSLASH AddEndSlash;
    FARAPIUNUSED CopyToClipboard;
    FARAPIUNUSED PasteFromClipboard;
    FARAPIUNUSED FarKeyToName;
    FARAPIUNUSED FarNameToKey;
    FARAPIUNUSED FarInputRecordToKey;
    FARAPIUNUSED XLat;
    FARAPIUNUSED GetFileOwner;
    FARAPIUNUSED GetNumberOfLinks;
    FARAPIUNUSED FarRecursiveSearch;
    FARAPIUNUSED MkTemp;
    FARAPIUNUSED DeleteBuffer;
    FARAPIUNUSED ProcessName;
    FARAPIUNUSED MkLink;
    FARAPIUNUSED ConvertNameToReal;
    FARAPIUNUSED GetReparsePointInfo;
};

struct PluginStartupInfo {
    int StructSize;
    char ModuleName[260];
    int ModuleNumber;
    const char* RootKey;
    FARAPIMENU Menu;
    FARAPIDIALOG Dialog;
    FARAPIMESSAGE Message;
    FARAPIGETMSG GetMsg;
    FARAPICONTROL Control;
    FARAPISAVESCREEN SaveScreen;
    FARAPIRESTORESCREEN RestoreScreen;
    FARAPIGETDIRLIST GetDirList;
    FARAPIGETPLUGINDIRLIST GetPluginDirList;
    FARAPIFREEDIRLIST FreeDirList;
    FARAPIUNUSED Viewer;
    FARAPIUNUSED Editor;
    FARAPIUNUSED CmpName;
    FARAPIUNUSED CharTable;
    FARAPIUNUSED Text;
    FARAPIUNUSED EditorControl;
    FarStandardFunctions* FSF;
    FARAPIUNUSED ShowHelp;
    FARAPIUNUSED AdvControl;
    FARAPIUNUSED InputBox;
    FARAPIDIALOGEX DialogEx;
    FARAPISENDDLGMESSAGE SendDlgMessage;
    FARAPIDEFDLGPROC DefDlgProc;
    DWORD_PTR Reserved;
    FARAPIUNUSED ViewerControl;
};

#pragma pack(pop)

// The sixteen exports, with their published signatures.
#ifdef __cplusplus
extern "C" {
#endif
typedef void(WINAPI* PFN_SetStartupInfo)(const PluginStartupInfo* Info);
typedef void(WINAPI* PFN_GetPluginInfo)(PluginInfo* Info);
typedef HANDLE(WINAPI* PFN_OpenPlugin)(int OpenFrom, int Item);
typedef void(WINAPI* PFN_ClosePlugin)(HANDLE hPlugin);
typedef void(WINAPI* PFN_GetOpenPluginInfo)(HANDLE hPlugin, OpenPluginInfo* Info);
typedef int(WINAPI* PFN_GetFindData)(HANDLE hPlugin, PluginPanelItem** pPanelItem,
                                     int* pItemsNumber, int OpMode);
typedef void(WINAPI* PFN_FreeFindData)(HANDLE hPlugin, PluginPanelItem* PanelItem,
                                       int ItemsNumber);
typedef int(WINAPI* PFN_SetDirectory)(HANDLE hPlugin, const char* Dir, int OpMode);
typedef int(WINAPI* PFN_MakeDirectory)(HANDLE hPlugin, char* Name, int OpMode);
typedef int(WINAPI* PFN_DeleteFiles)(HANDLE hPlugin, PluginPanelItem* PanelItem,
                                     int ItemsNumber, int OpMode);
typedef int(WINAPI* PFN_GetFiles)(HANDLE hPlugin, PluginPanelItem* PanelItem, int ItemsNumber,
                                  int Move, char* DestPath, int OpMode);
typedef int(WINAPI* PFN_PutFiles)(HANDLE hPlugin, PluginPanelItem* PanelItem, int ItemsNumber,
                                  int Move, int OpMode);
typedef int(WINAPI* PFN_ProcessKey)(HANDLE hPlugin, int Key, unsigned int ControlState);
typedef int(WINAPI* PFN_Configure)(int ItemNumber);
typedef void(WINAPI* PFN_ExitFAR)(void);
typedef int(WINAPI* PFN_GetMinFarVersion)(void);
#ifdef __cplusplus
}
#endif

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(FAR_FIND_DATA) == 318, "FAR_FIND_DATA layout");
static_assert(sizeof(PluginStartupInfo) == 372, "PluginStartupInfo layout");
static_assert(sizeof(FarStandardFunctions) == 228, "FarStandardFunctions layout");
static_assert(sizeof(PluginInfo) == 44, "PluginInfo layout");
static_assert(sizeof(OpenPluginInfo) == 72, "OpenPluginInfo layout");
static_assert(sizeof(PanelInfo) == 496, "PanelInfo layout");
static_assert(sizeof(PanelRedrawInfo) == 8, "PanelRedrawInfo layout");
static_assert(sizeof(PluginPanelItem) == 366, "PluginPanelItem layout");
static_assert(sizeof(FarDialogItem) == 548, "FarDialogItem layout");
static_assert(sizeof(FarDialogItemData) == 8, "FarDialogItemData layout");
static_assert(offsetof(PluginStartupInfo, FSF) == 336, "PluginStartupInfo.FSF");
static_assert(offsetof(PluginStartupInfo, DialogEx) == 352, "PluginStartupInfo.DialogEx");
static_assert(offsetof(FarStandardFunctions, LStricmp) == 116, "FSF.LStricmp");
static_assert(offsetof(FarStandardFunctions, TruncPathStr) == 148, "FSF.TruncPathStr");
static_assert(offsetof(FarStandardFunctions, AddEndSlash) == 164, "FSF.AddEndSlash");
static_assert(offsetof(PanelInfo, CurDir) == 220, "PanelInfo.CurDir");
static_assert(offsetof(PluginPanelItem, Flags) == 326, "PluginPanelItem.Flags");
static_assert(offsetof(PluginPanelItem, UserData) == 350, "PluginPanelItem.UserData");
static_assert(offsetof(FarDialogItem, Data) == 36, "FarDialogItem.Data");
#endif
