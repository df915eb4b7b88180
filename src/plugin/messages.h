// Message numbers of the language files (VantelbrookEng.lng and
// VantelbrookRus.lng): one enumerator per line of those files, in order.
// Numbers marked unused hold a placeholder line so that the later numbers
// keep their places.
#pragma once

enum MessageId {
    MOk = 0,
    MCancel = 1,
    MErrorTitle = 2,
    MFileExistsTitle = 3,
    MUnused4 = 4,
    MUnused5 = 5,
    MUnused6 = 6,
    MPluginMenuEntry = 7,
    MPanelTitle = 8,
    MDiskMenuEntry = 9,
    MConnectingTitle = 10,
    MConnectingText = 11,
    MConnectStartFailed = 12,
    MUnused13 = 13,
    MConnectNoLink = 14,
    MCopyTitle = 15,
    MCopyOneItem = 16,      // format: one %s, the item's name
    MCopyManyItems = 17,    // format: one %d, the number of items
    MMoveTitle = 18,
    MCannotCreateFile = 19, // format: one %s, the file's name
    MFileExistsText = 20,
    MOverwrite = 21,
    MOverwriteAll = 22,
    MSkip = 23,
    MSkipAll = 24,
    MRetry = 25,
    MDeleteTitle = 26,
    MDeleteOneItem = 27,    // format: one %s, the item's name
    MDeleteManyItems = 28,  // format: one %d, the number of items
    MCannotDelete = 29,     // format: one %s, the item's name
    MUploadTitle = 30,
    MUnused31 = 31,
    MFromLabel = 32,
    MToLabel = 33,
    MProgressOf = 34,
    MProgressBytes = 35,
    MUnused36 = 36,
    MUnused37 = 37,
    MSpeedUnit = 38,
    MTimeTotalLabel = 39,
    MTimeElapsedLabel = 40,
    MTimeLeftLabel = 41,
    MMakeDirTitle = 42,
    MMakeDirLabel = 43,
    MCannotMakeDir = 44,
    MConfigTitle = 45,
    MConfigAddToDisksMenu = 46,
    MConfigAddToPluginsMenu = 47,
    MConfigDisksMenuDigit = 48,
    MConfigTimeWaitInit = 49,
    MConfigCopyBuffer = 50,
    MConfigCopyMemory = 51,
    MConfigCopyKBytes = 52,
    MAbortTitle = 53,
    MAbortQuestion = 54,

    MessageCount = 55
};
