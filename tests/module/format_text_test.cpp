// Filling the language file's format messages into fixed buffers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "plugin/host_services.h"
#include "standard_functions.h"

namespace {

class FormatTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::memset(&HostServices, 0, sizeof HostServices);
        vbhost::FillStandardFunctions(HostServices.FSF);
        std::memset(buffer_, 0x7E, sizeof buffer_);
    }

    // A 16-byte destination inside a larger block, to see what lies past it.
    char buffer_[32];
    static const size_t Room = 16;
};

TEST_F(FormatTextTest, FitsAsSprintfWouldWriteIt) {
    FormatText(buffer_, Room, "Copy %s?", "a.txt");
    EXPECT_STREQ(buffer_, "Copy a.txt?");
    FormatNumber(buffer_, Room, "%d items, 100%%", -42);
    EXPECT_STREQ(buffer_, "-42 items, 100%");
}

TEST_F(FormatTextTest, ResultIsCutToTheBufferAndNothingPastIt) {
    FormatText(buffer_, Room, "Cannot create %s", "a-very-long-file-name.txt");
    EXPECT_EQ(std::string(buffer_), std::string("Cannot create a-very-long-file-name.txt").substr(0, Room - 1));
    for (size_t i = Room; i < sizeof buffer_; ++i) EXPECT_EQ(buffer_[i], 0x7E) << i;
}

struct BadFormat {
    const char* format;
    const char* expected;
};

class DamagedFormats : public FormatTextTest, public ::testing::WithParamInterface<BadFormat> {};

// A format that does not hold exactly its one plain conversion is never
// handed to sprintf: the text and the argument are shown side by side.
TEST_P(DamagedFormats, AreShownLiterally) {
    FormatText(buffer_, Room, GetParam().format, "f");
    EXPECT_STREQ(buffer_, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Formats, DamagedFormats,
                         ::testing::Values(BadFormat{"%s%s", "%s%s f"}, BadFormat{"%d", "%d f"},
                                           BadFormat{"%500s", "%500s f"}, BadFormat{"none", "none f"},
                                           BadFormat{"%n", "%n f"}));

}  // namespace
