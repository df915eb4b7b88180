#include "panel/listing.h"

#include <stdlib.h>
#include <string.h>

#include "device/wide_text.h"
#include "plugin/host_services.h"
#include "rapi.h"

static const WCHAR ListingPattern[] = {'*', '.', '*', 0};
static const DWORD ListingFields = FAF_ATTRIBUTES | FAF_CREATION_TIME | FAF_LASTACCESS_TIME |
                                   FAF_LASTWRITE_TIME | FAF_SIZE_HIGH | FAF_SIZE_LOW | FAF_NAME;

// A name the host would take as a path, or as this or the parent directory,
// never reaches the panel: a later download would write outside its target.
static bool IsPlainName(const char* name) {
    if (!name[0] || strcmp(name, ".") == 0 || strcmp(name, "..") == 0) return false;
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(name); *c; ++c)
        if (*c < 32 || *c == '\\' || *c == '/' || *c == ':') return false;
    return true;
}

static void TraceSkippedName(const WCHAR* name, size_t length) {
    WCHAR line[320];
    static const char prefix[] = "Skipped a device name that is not a plain name: ";
    size_t at = 0;
    for (const char* c = prefix; *c; ++c) line[at++] = static_cast<WCHAR>(*c);
    for (size_t i = 0; i < length && at < 317; ++i) line[at++] = name[i] < 32 ? '?' : name[i];
    line[at++] = '\n';
    line[at] = 0;
    OutputDebugStringW(line);
}

// Fills one record from a device entry; false when the entry is left out.
static bool FillItem(const CE_FIND_DATA& entry, PluginPanelItem& item) {
    memset(&item, 0, sizeof item);
    size_t length = WideLength(entry.cFileName, MAX_PATH);
    char* name = item.FindData.cFileName;
    int converted = length == MAX_PATH ? 0
                    : WideCharToMultiByte(CP_OEMCP, 0, entry.cFileName, static_cast<int>(length), name,
                                          sizeof item.FindData.cFileName - 1, nullptr, nullptr);
    if (converted > 0) name[converted] = 0;
    if (converted <= 0 || !IsPlainName(name)) {
        TraceSkippedName(entry.cFileName, length);
        return false;
    }
    item.FindData.dwFileAttributes = entry.dwFileAttributes;
    item.FindData.ftCreationTime = entry.ftCreationTime;
    item.FindData.ftLastAccessTime = entry.ftLastAccessTime;
    item.FindData.ftLastWriteTime = entry.ftLastWriteTime;
    item.FindData.nFileSizeHigh = entry.nFileSizeHigh;
    item.FindData.nFileSizeLow = entry.nFileSizeLow;
    return true;
}

int GetFindData(PanelInstance& panel, PluginPanelItem** items, int* count, int) {
    if (!DeviceConnected) return 0;
    if (panel.ReuseState == ReuseServeKept && panel.CachedItems) {
        // The host owns the kept listing from here on: it is never handed
        // out twice nor released by the panel.
        *items = panel.CachedItems;
        *count = panel.CachedCount;
        panel.CachedItems = nullptr;
        panel.CachedCount = 0;
        return 1;
    }
    *items = nullptr;
    *count = 0;

    size_t dirLength = WideLength(panel.CurDirWide, PanelPathSize);
    if (!WideAppend(panel.CurDirWide, PanelPathSize, ListingPattern)) return 1;
    DWORD found = 0;
    CE_FIND_DATA* entries = nullptr;
    int result = 1;
    if (CeFindAllFiles(panel.CurDirWide, ListingFields, &found, &entries)) {
        PluginPanelItem* listing =
            found ? static_cast<PluginPanelItem*>(calloc(found, sizeof(PluginPanelItem))) : nullptr;
        if (found && !listing) {
            result = 0;
        } else {
            int kept = 0;
            for (DWORD i = 0; i < found; ++i)
                if (FillItem(entries[i], listing[kept])) ++kept;
            *items = listing;
            *count = kept;
        }
    }
    if (entries) CeRapiFreeBuffer(entries);
    panel.CurDirWide[dirLength] = 0;
    return result;
}

void FreeFindData(PanelInstance& panel, PluginPanelItem* items, int count) {
    if (panel.ReuseState == ReuseKeepNext) {
        FreeListing(panel.CachedItems);
        panel.CachedItems = items;
        panel.CachedCount = count;
        panel.ReuseState = ReuseNone;
        return;
    }
    // A kept listing is no longer in CachedItems once handed out, so this is
    // always an array the host owned.
    FreeListing(items);
}
