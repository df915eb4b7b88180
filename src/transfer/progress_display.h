// The copy-progress dialog: its template, and the redrawing of the bar, the
// byte counts with percentage and speed, and the three time fields from the
// counters of the running copy.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "farplugin.h"
#include "plugin/dialog_template.h"
#include "transfer/copy_job.h"

enum ProgressDialogItem {
    ProgressFrame = 0,
    ProgressSourcePath = 2,
    ProgressTargetPath = 5,
    ProgressStatistics = 7,
    ProgressBar = 8,
    ProgressTotalTime = 10,
    ProgressElapsedTime = 12,
    ProgressTimeLeft = 14,
    ProgressButton = 16,
    ProgressItemCount = 17,
};

enum {
    ProgressDialogWidth = 64,
    ProgressDialogHeight = 13,
    ProgressPathWidth = 48,   // paths are shortened to this many characters
    ProgressBarWidth = 54,
    ProgressTextShown = 55,   // DM_SETTEXT length: the bar and its terminator
    SizeTextWidth = 7,
    DurationTextSize = 16,    // "hhhh:mm:ss" and its terminator, with room
};

// OEM code page 437/866 block characters of the bar.
enum : unsigned char { BarEmptyCell = 176, BarFullCell = 219 };

extern InitDialogItem ProgressTemplate[ProgressItemCount];
extern FarDialogItem ProgressItems[ProgressItemCount];

// Fills the template, whose title is the upload or the download title, and
// takes its texts as the ones shown when the next dialog opens.
void PrepareProgressTemplate(int upload);

// Writes `value` into `buffer` (width + 1 bytes) as exactly `width`
// characters: plain up to 10^(width-1), else in K, else in M.
void FormatSize(uint32_t value, char* buffer, int width);
// "hh:mm:ss" of a count of milliseconds into a buffer of DurationTextSize
// bytes; the hours do not wrap. Returns the buffer.
char* FormatDuration(uint32_t ms, char* buffer);

// Everything the display shows, worked out from the copy's counters.
struct ProgressFigures {
    int FullCells;        // of ProgressBarWidth
    int Percent;          // may exceed 100 when the source grew
    uint32_t SpeedKBytes; // per second, over at least one second
    uint32_t ElapsedMs;
    uint32_t ProjectedTotalMs;  // the whole copy at the speed so far
    uint32_t RemainingMs;       // the rest at the speed so far
};

ProgressFigures ComputeProgress(uint32_t total, uint32_t copied, uint32_t elapsedMs);

// The bar: ProgressBarWidth cells and a terminator.
void ComposeBar(int fullCells, char* bar);

// The statistics line "<copied> <of> <total> <bytes> [<percent>%]    <speed><unit>"
// into `buffer` of `size` bytes, cut to fit; returns the full line's length
// so that a caller can give a buffer that holds all of it.
size_t ComposeStatisticsLine(char* buffer, size_t size, uint32_t total, uint32_t copied,
                             const ProgressFigures& figures, const char* ofText,
                             const char* bytesText, const char* speedUnit);

// Redraws the bar, the statistics line and the time fields of dialog hDlg
// from the job's counters, handing over the texts that changed since the
// last redraw (or since PrepareProgressTemplate). TotalBytes must not be 0.
void UpdateProgress(HANDLE hDlg, const CopyJob& job);
