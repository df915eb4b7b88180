#include "transfer/progress_display.h"

#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "plugin/host_services.h"
#include "plugin/messages.h"

InitDialogItem ProgressTemplate[ProgressItemCount];
FarDialogItem ProgressItems[ProgressItemCount];

static const char NoText[] = "";
// What each item that the display changes shows now: every DM_SETTEXT makes
// the host redraw, so a redraw hands over only the texts that changed.
static char ShownTexts[ProgressItemCount][ProgressTextShown + 1];
static const char ZeroDuration[] = "00:00:00";
static const DWORD SeparatorFlags = DIF_SEPARATOR | DIF_BOXCOLOR;

void PrepareProgressTemplate(int upload) {
    const InitDialogItem items[ProgressItemCount] = {
        {DI_DOUBLEBOX, 3, 1, 60, 11, 0, 0, 0, 0, static_cast<uintptr_t>(upload ? MUploadTitle : MCopyTitle)},
        {DI_TEXT, 5, 2, 255, 0, 0, 0, 0, 0, MFromLabel},
        {DI_TEXT, 11, 2, 0, 0, 0, 0, 0, 0, TemplateText(NoText)},
        {DI_TEXT, 5, 3, 0, 0, 0, 0, SeparatorFlags, 0, TemplateText(NoText)},
        {DI_TEXT, 5, 4, 255, 0, 0, 0, 0, 0, MToLabel},
        {DI_TEXT, 11, 4, 0, 0, 0, 0, 0, 0, TemplateText(NoText)},
        {DI_TEXT, 5, 5, 0, 0, 0, 0, SeparatorFlags, 0, TemplateText(NoText)},
        {DI_TEXT, 5, 6, 0, 0, 0, 0, 0, 0, TemplateText(NoText)},
        {DI_TEXT, 5, 7, 0, 0, 0, 0, 0, 0, TemplateText(NoText)},
        {DI_TEXT, 5, 8, 0, 0, 0, 0, 0, 0, MTimeTotalLabel},
        {DI_TEXT, 12, 8, 0, 0, 0, 0, 0, 0, TemplateText(ZeroDuration)},
        {DI_TEXT, 22, 8, 0, 0, 0, 0, 0, 0, MTimeElapsedLabel},
        {DI_TEXT, 31, 8, 0, 0, 0, 0, 0, 0, TemplateText(ZeroDuration)},
        {DI_TEXT, 40, 8, 0, 0, 0, 0, 0, 0, MTimeLeftLabel},
        {DI_TEXT, 51, 8, 0, 0, 0, 0, 0, 0, TemplateText(ZeroDuration)},
        {DI_TEXT, 5, 9, 0, 0, 0, 0, SeparatorFlags, 0, TemplateText(NoText)},
        {DI_BUTTON, 0, 10, 0, 0, 0, 0, DIF_CENTERGROUP, 0, MCancel},
    };
    memcpy(ProgressTemplate, items, sizeof items);
    for (int item = 0; item < ProgressItemCount; ++item) {
        uintptr_t data = ProgressTemplate[item].Data;
        const char* text = data < 2000 ? NoText : reinterpret_cast<const char*>(data);
        size_t length = strnlen(text, ProgressTextShown);
        memcpy(ShownTexts[item], text, length);
        ShownTexts[item][length] = 0;
    }
}

static uint64_t PowerOfTen(int exponent) {
    uint64_t value = 1;
    for (int i = 0; i < exponent; ++i) value *= 10;
    return value;
}

void FormatSize(uint32_t value, char* buffer, int width) {
    size_t room = static_cast<size_t>(width) + 1;
    if (value <= PowerOfTen(width - 1)) {
        snprintf(buffer, room, "%*u", width, static_cast<unsigned>(value));
        return;
    }
    uint32_t kilobytes = value >> 10;
    if (kilobytes <= PowerOfTen(width - 2)) {
        snprintf(buffer, room, "%*u%s", width - 1, static_cast<unsigned>(kilobytes), "K");
        return;
    }
    snprintf(buffer, room, "%*u%s", width - 1, static_cast<unsigned>(value >> 20), "M");
}

char* FormatDuration(uint32_t ms, char* buffer) {
    uint32_t seconds = ms / 1000;
    snprintf(buffer, DurationTextSize, "%02u:%02u:%02u", static_cast<unsigned>(seconds / 3600),
             static_cast<unsigned>(seconds / 60 % 60), static_cast<unsigned>(seconds % 60));
    return buffer;
}

static uint32_t Clamp32(uint64_t value) {
    return value > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(value);
}

ProgressFigures ComputeProgress(uint32_t total, uint32_t copied, uint32_t elapsedMs) {
    ProgressFigures figures;
    uint64_t totalOrOne = total ? total : 1;
    uint64_t cells = uint64_t{copied} * ProgressBarWidth / totalOrOne;
    figures.FullCells = cells > ProgressBarWidth ? ProgressBarWidth : static_cast<int>(cells);

    double percent = total ? static_cast<double>(copied) / total * 100.0 : 0.0;
    figures.Percent = percent >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<int>(percent);

    uint64_t seconds = elapsedMs / 1000;
    if (seconds < 1) seconds = 1;
    figures.SpeedKBytes = static_cast<uint32_t>(copied / (seconds * 1024));

    uint64_t copiedOrOne = copied ? copied : 1;
    uint64_t remaining = copied < total ? total - copied : 0;
    figures.ElapsedMs = elapsedMs;
    figures.ProjectedTotalMs = Clamp32(uint64_t{total} * elapsedMs / copiedOrOne);
    figures.RemainingMs = Clamp32(remaining * elapsedMs / copiedOrOne);
    return figures;
}

void ComposeBar(int fullCells, char* bar) {
    for (int i = 0; i < ProgressBarWidth; ++i)
        bar[i] = static_cast<char>(i < fullCells ? BarFullCell : BarEmptyCell);
    bar[ProgressBarWidth] = 0;
}

size_t ComposeStatisticsLine(char* buffer, size_t size, uint32_t total, uint32_t copied,
                             const ProgressFigures& figures, const char* ofText,
                             const char* bytesText, const char* speedUnit) {
    char copiedText[SizeTextWidth + 1];
    char totalText[SizeTextWidth + 1];
    FormatSize(copied, copiedText, SizeTextWidth);
    FormatSize(total, totalText, SizeTextWidth);
    int length = snprintf(buffer, size, "%s %s %s %s [%d%%]    %4u%s", copiedText, ofText,
                          totalText, bytesText, figures.Percent,
                          static_cast<unsigned>(figures.SpeedKBytes), speedUnit);
    return length < 0 ? 0 : static_cast<size_t>(length);
}

// Every text goes with the same length, the bar's and its terminator's: the
// host shows at most that much of it, so nothing reaches the frame.
static void SetDialogText(HANDLE hDlg, int item, char* text) {
    char* shown = ShownTexts[item];
    if (strncmp(shown, text, ProgressTextShown) == 0) return;
    size_t length = strnlen(text, ProgressTextShown);
    memcpy(shown, text, length);
    shown[length] = 0;
    FarDialogItemData data;
    data.PtrLength = ProgressTextShown;
    data.PtrData = text;
    HostSendDlgMessage(hDlg, DM_SETTEXT, item, reinterpret_cast<LONG_PTR>(&data));
}

// The line is handed over whole; only message texts of absurd length need
// more than the local buffer, and then a block of their size.
static void ShowStatisticsLine(HANDLE hDlg, uint32_t total, uint32_t copied,
                               const ProgressFigures& figures) {
    const char* ofText = GetMsgText(MProgressOf);
    const char* bytesText = GetMsgText(MProgressBytes);
    const char* speedUnit = GetMsgText(MSpeedUnit);
    char line[256];
    size_t length = ComposeStatisticsLine(line, sizeof line, total, copied, figures, ofText,
                                          bytesText, speedUnit);
    char* whole = length < sizeof line ? nullptr : static_cast<char*>(malloc(length + 1));
    if (whole)
        ComposeStatisticsLine(whole, length + 1, total, copied, figures, ofText, bytesText, speedUnit);
    SetDialogText(hDlg, ProgressStatistics, whole ? whole : line);
    free(whole);
}

static void ShowDuration(HANDLE hDlg, int item, uint32_t ms) {
    // Larger than the text: the host may read the whole shown length.
    char text[64];
    memset(text, 0, sizeof text);
    SetDialogText(hDlg, item, FormatDuration(ms, text));
}

void UpdateProgress(HANDLE hDlg, const CopyJob& job) {
    uint32_t total = job.TotalBytes;
    uint32_t copied = job.CopiedBytes;
    ProgressFigures figures = ComputeProgress(total, copied, GetTickCount() - job.StartTick);

    char bar[ProgressBarWidth + 1];
    ComposeBar(figures.FullCells, bar);
    SetDialogText(hDlg, ProgressBar, bar);
    ShowStatisticsLine(hDlg, total, copied, figures);
    ShowDuration(hDlg, ProgressTotalTime, figures.ProjectedTotalMs);
    ShowDuration(hDlg, ProgressElapsedTime, figures.ElapsedMs);
    ShowDuration(hDlg, ProgressTimeLeft, figures.RemainingMs);
}
