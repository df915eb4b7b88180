// The progress display: fixed-width sizes, durations, the figures behind the
// bar and the statistics line, and what one redraw hands to the host.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "plugin/host_services.h"
#include "plugin/messages.h"
#include "standard_functions.h"
#include "transfer/progress_display.h"

namespace {

const uint32_t MiB = 1024 * 1024;

struct SizeCase {
    uint32_t value;
    const char* text;
};

class SizeTexts : public ::testing::TestWithParam<SizeCase> {};

TEST_P(SizeTexts, AreSevenCharactersPlainOrInKOrM) {
    char buffer[8 + 8];
    std::memset(buffer, 0x7E, sizeof buffer);
    FormatSize(GetParam().value, buffer, 7);
    EXPECT_STREQ(buffer, GetParam().text);
    for (size_t i = 8; i < sizeof buffer; ++i) EXPECT_EQ(buffer[i], 0x7E) << "written past byte " << i;
}

INSTANTIATE_TEST_SUITE_P(Table, SizeTexts,
                         ::testing::Values(SizeCase{0, "      0"}, SizeCase{999999, " 999999"},
                                           SizeCase{1000000, "1000000"}, SizeCase{1000001, "   976K"},
                                           SizeCase{102401023, "100000K"},
                                           SizeCase{102401024, "    97M"},
                                           SizeCase{4294967295u, "  4095M"}));

struct DurationCase {
    uint32_t ms;
    const char* text;
};

class DurationTexts : public ::testing::TestWithParam<DurationCase> {};

TEST_P(DurationTexts, AreHoursMinutesSecondsWithoutWrapping) {
    char buffer[DurationTextSize];
    EXPECT_STREQ(FormatDuration(GetParam().ms, buffer), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Table, DurationTexts,
                         ::testing::Values(DurationCase{0, "00:00:00"}, DurationCase{999, "00:00:00"},
                                           DurationCase{3723000, "01:02:03"},
                                           DurationCase{90000000, "25:00:00"},
                                           DurationCase{360000000, "100:00:00"},
                                           DurationCase{4294967295u, "1193:02:47"}));

struct FiguresCase {
    const char* name;
    uint32_t total, copied, elapsed;
    int fullCells, percent;
    uint32_t speed, projected, remaining;
};

class Figures : public ::testing::TestWithParam<FiguresCase> {};

TEST_P(Figures, FollowFromTheCounters) {
    const FiguresCase& c = GetParam();
    ProgressFigures f = ComputeProgress(c.total, c.copied, c.elapsed);
    EXPECT_EQ(f.FullCells, c.fullCells);
    EXPECT_EQ(f.Percent, c.percent);
    EXPECT_EQ(f.SpeedKBytes, c.speed);
    EXPECT_EQ(f.ElapsedMs, c.elapsed);
    EXPECT_EQ(f.ProjectedTotalMs, c.projected);
    EXPECT_EQ(f.RemainingMs, c.remaining);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Figures,
    ::testing::Values(
        FiguresCase{"NothingYet", 1000, 0, 500, 0, 0, 0, 500000, 500000},
        FiguresCase{"AllIn", 1000, 1000, 3000, 54, 100, 0, 3000, 0},
        FiguresCase{"EightyOfHundredMiB", 100 * MiB, 80 * MiB, 10000, 43, 80, 8192, 12500, 2500},
        FiguresCase{"SourceGrew", 1000, 1500, 1000, 54, 150, 1, 666, 0},
        FiguresCase{"OneThird", 3, 1, 0, 18, 33, 0, 0, 0},
        // Below two seconds the speed is taken over one second.
        FiguresCase{"UnderOneSecond", 10 * MiB, 3 * MiB, 999, 16, 30, 3072, 3330, 2331},
        FiguresCase{"UnderTwoSeconds", 10 * MiB, 3 * MiB, 1999, 16, 30, 3072, 6663, 4664},
        FiguresCase{"TwoSeconds", 10 * MiB, 3 * MiB, 2000, 16, 30, 1536, 6666, 4666},
        // Products beyond 32 bits neither wrap nor overflow.
        FiguresCase{"LargestCounts", 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 54, 100, 0,
                    0xFFFFFFFFu, 0},
        FiguresCase{"EstimatesHeldTo32Bits", 0xFFFFFFFFu, 1, 0xFFFFFFFFu, 0, 0, 0, 0xFFFFFFFFu,
                    0xFFFFFFFFu},
        FiguresCase{"HugePercent", 1, 0xFFFFFFFFu, 0, 54, INT_MAX, 4194303, 0, 0}),
    [](const ::testing::TestParamInfo<FiguresCase>& info) { return std::string(info.param.name); });

std::string Bar(int full) {
    return std::string(full, static_cast<char>(BarFullCell)) +
           std::string(ProgressBarWidth - full, static_cast<char>(BarEmptyCell));
}

TEST(ProgressBar, IsFullCellsThenLightShadesFiftyFourWide) {
    char bar[ProgressBarWidth + 1];
    for (int full : {0, 43, 54}) {
        std::memset(bar, 'x', sizeof bar);
        ComposeBar(full, bar);
        EXPECT_EQ(std::string(bar), Bar(full)) << full;
    }
}

TEST(StatisticsLine, HoldsCountsPercentAndSpeed) {
    ProgressFigures f = ComputeProgress(100 * MiB, 80 * MiB, 10000);
    char line[128];
    size_t length = ComposeStatisticsLine(line, sizeof line, 100 * MiB, 80 * MiB, f, "of", "bytes", "KB/s");
    EXPECT_STREQ(line, " 81920K of    100M bytes [80%]    8192KB/s");
    EXPECT_EQ(length, std::strlen(line));
}

TEST(StatisticsLine, ReportsItsFullLengthWhenTheBufferIsShort) {
    ProgressFigures f = ComputeProgress(3, 1, 0);
    const std::string of(300, 'o'), bytes(300, 'b'), unit(300, 'u');
    std::string expected = "      1 " + of + "       3 " + bytes + " [33%]       0" + unit;
    char shortBuffer[ProgressTextShown + 1];
    size_t length = ComposeStatisticsLine(shortBuffer, sizeof shortBuffer, 3, 1, f, of.c_str(),
                                          bytes.c_str(), unit.c_str());
    ASSERT_EQ(length, expected.size());
    EXPECT_EQ(std::string(shortBuffer), expected.substr(0, ProgressTextShown));
    std::vector<char> whole(length + 1);
    ComposeStatisticsLine(whole.data(), whole.size(), 3, 1, f, of.c_str(), bytes.c_str(), unit.c_str());
    EXPECT_EQ(std::string(whole.data()), expected);
}

// A host that records each DM_SETTEXT as it was handed over: the item, the
// length field and the whole text behind the pointer.
struct TextSet {
    int item;
    int length;
    std::string text;
};
std::vector<TextSet> g_textsSet;
std::map<int, std::string> g_messages;

LONG_PTR WINAPI RecordingSendDlgMessage(HANDLE, int msg, int param1, LONG_PTR param2) {
    if (msg == DM_SETTEXT) {
        const FarDialogItemData* data = reinterpret_cast<const FarDialogItemData*>(param2);
        g_textsSet.push_back({param1, data->PtrLength, data->PtrData});
    }
    return 0;
}

const char* WINAPI LongGetMsg(int, int number) {
    auto found = g_messages.find(number);
    if (found == g_messages.end()) found = g_messages.emplace(number, "m" + std::to_string(number)).first;
    return found->second.c_str();
}

TEST(UpdateProgress, SetsChangedFieldsWithTheShownLengthAndTheWholeLine) {
    std::memset(&HostServices, 0, sizeof HostServices);
    vbhost::FillStandardFunctions(HostServices.FSF);
    HostServices.Info.GetMsg = LongGetMsg;
    HostServices.Info.SendDlgMessage = RecordingSendDlgMessage;
    g_messages = {{MProgressOf, std::string(300, 'o')}, {MProgressBytes, "bytes"}, {MSpeedUnit, "KB/s"}};
    g_textsSet.clear();
    PrepareProgressTemplate(0);

    CopyJob job;
    job.TotalBytes = 100 * MiB;
    job.CopiedBytes = 80 * MiB;
    // 1 h 2 min 3.5 s ago: the texts hold for half a second of test time.
    job.StartTick = GetTickCount() - 3723500u;
    UpdateProgress(reinterpret_cast<HANDLE>(&job), job);

    ASSERT_EQ(g_textsSet.size(), 5u);
    const int items[] = {ProgressBar, ProgressStatistics, ProgressTotalTime, ProgressElapsedTime,
                         ProgressTimeLeft};
    for (size_t i = 0; i < g_textsSet.size(); ++i) {
        EXPECT_EQ(g_textsSet[i].item, items[i]);
        EXPECT_EQ(g_textsSet[i].length, ProgressTextShown) << "item " << g_textsSet[i].item;
    }
    EXPECT_EQ(g_textsSet[0].text, Bar(43));
    EXPECT_EQ(g_textsSet[1].text, " 81920K " + std::string(300, 'o') + "    100M bytes [80%]    " +
                                      g_textsSet[1].text.substr(g_textsSet[1].text.size() - 8));
    EXPECT_EQ(g_textsSet[1].text.substr(g_textsSet[1].text.size() - 4), "KB/s");
    // The whole copy at this pace, the time so far, and the linear rest.
    EXPECT_EQ(g_textsSet[2].text, "01:17:34");
    EXPECT_EQ(g_textsSet[3].text, "01:02:03");
    EXPECT_EQ(g_textsSet[4].text, "00:15:30");

    // Only what changed is handed over again: each text makes the host redraw.
    g_textsSet.clear();
    UpdateProgress(reinterpret_cast<HANDLE>(&job), job);
    EXPECT_TRUE(g_textsSet.empty());
    job.CopiedBytes = 90 * MiB;
    UpdateProgress(reinterpret_cast<HANDLE>(&job), job);
    ASSERT_EQ(g_textsSet.size(), 4u);
    EXPECT_EQ(g_textsSet[0].item, ProgressBar);
    EXPECT_EQ(g_textsSet[1].item, ProgressStatistics);
    EXPECT_EQ(g_textsSet[2].text, "01:08:57");
    EXPECT_EQ(g_textsSet[3].text, "00:06:53");

    // A new dialog starts from the template's texts.
    PrepareProgressTemplate(0);
    g_textsSet.clear();
    UpdateProgress(reinterpret_cast<HANDLE>(&job), job);
    EXPECT_EQ(g_textsSet.size(), 5u);
}

}  // namespace
