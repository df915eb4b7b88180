// The shipped language files, read as the host reads them: every number in
// its place, the formats with their one conversion, and every text short
// enough for the place where the module shows it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "lng_reader.h"
#include "plugin/messages.h"
#include "project_files.h"

namespace {

struct LangFileCase {
    const char* fileName;
    const char* header;
    bool russian;
};

std::ostream& operator<<(std::ostream& os, const LangFileCase& c) { return os << c.fileName; }

const LangFileCase kLangFiles[] = {
    {"VantelbrookEng.lng", ".Language=English,English", false},
    // "Russian (Russkij)" with the Cyrillic word in code page 866.
    {"VantelbrookRus.lng", ".Language=Russian,Russian (\x90\xE3\xE1\xE1\xAA\xA8\xA9)", true},
};

const std::set<int> kUnusedNumbers = {MUnused4, MUnused5, MUnused6, MUnused13,
                                      MUnused31, MUnused36, MUnused37};

class LngFileTest : public ::testing::TestWithParam<LangFileCase> {
protected:
    void SetUp() override {
        ASSERT_TRUE(ReadFileBytes(LangFilePath(GetParam().fileName), &bytes_))
            << LangFilePath(GetParam().fileName);
        file_ = ParseLng(bytes_);
        ASSERT_EQ(file_.messages.size(), static_cast<size_t>(MessageCount))
            << "a missing or extra message line shifts every later number";
    }

    const std::string& Msg(int id) const { return file_.messages.at(id).text; }

    // Failure output in UTF-8, whatever the file's code page.
    std::string Shown(int id) const { return Cp866ToUtf8(Msg(id)); }

    std::string bytes_;
    LngFile file_;
};

TEST_P(LngFileTest, StartsWithItsLanguageHeader) {
    ASSERT_FALSE(file_.lines.empty());
    EXPECT_EQ(file_.lines[0], GetParam().header);
}

TEST_P(LngFileTest, EveryMessageIsAWellFormedSingleLine) {
    for (int id = 0; id < MessageCount; ++id) {
        const LngMessage& m = file_.messages[id];
        EXPECT_TRUE(m.closed) << "message " << id << " (line " << m.line << ") lacks its closing quote";
        EXPECT_FALSE(m.unknownEscape) << "message " << id << " has an unknown escape";
        for (unsigned char c : m.text)
            EXPECT_GE(c, 0x20) << "message " << id << " holds a control character";
    }
    for (size_t i = 0; i < file_.lines.size(); ++i)
        EXPECT_LE(file_.lines[i].size(), 1000u) << "line " << i + 1 << " is longer than the host reads";
}

// Each message line follows a comment "// <number> <name>" naming its
// enumerator in messages.h; nothing else is in the file. So adding or removing
// any line breaks the pairing.
TEST_P(LngFileTest, PairsEachMessageWithItsNameFromMessagesHeader) {
    std::string header;
    ASSERT_TRUE(ReadFileBytes(MessagesHeaderPath(), &header));
    std::vector<MessageIdEntry> ids = ParseMessageIds(header);
    ASSERT_EQ(ids.size(), static_cast<size_t>(MessageCount));

    ASSERT_EQ(file_.lines.size(), 1u + 2u * MessageCount);
    for (int id = 0; id < MessageCount; ++id) {
        std::string expectedComment = "// " + std::to_string(id) + " " + ids[id].name;
        EXPECT_EQ(file_.lines[1 + 2 * id], expectedComment);
        EXPECT_EQ(file_.messages[id].line, 3 + 2 * id) << "message " << id;
    }
}

TEST_P(LngFileTest, FormatMessagesHoldExactlyTheirOneConversion) {
    struct Format {
        int id;
        char kind;
    };
    const Format formats[] = {{MCopyOneItem, 's'},   {MCopyManyItems, 'd'},   {MCannotCreateFile, 's'},
                              {MDeleteOneItem, 's'}, {MDeleteManyItems, 'd'}, {MCannotDelete, 's'}};
    std::set<int> formatIds;
    for (const Format& f : formats) {
        formatIds.insert(f.id);
        const std::string& text = Msg(f.id);
        size_t pos = text.find('%');
        ASSERT_NE(pos, std::string::npos) << "message " << f.id << ": " << Shown(f.id);
        ASSERT_EQ(text.find('%', pos + 1), std::string::npos) << "message " << f.id << ": " << Shown(f.id);
        ASSERT_LT(pos + 1, text.size());
        ASSERT_EQ(text[pos + 1], f.kind) << "message " << f.id << ": " << Shown(f.id);

        // Filled in the way the module fills it, the argument shows up in full.
        char out[1200];
        if (f.kind == 's')
            std::snprintf(out, sizeof out, text.c_str(), "calc.exe");
        else
            std::snprintf(out, sizeof out, text.c_str(), 12345);
        EXPECT_NE(std::strstr(out, f.kind == 's' ? "calc.exe" : "12345"), nullptr) << Shown(f.id);
    }
    for (int id = 0; id < MessageCount; ++id) {
        if (!formatIds.count(id)) {
            EXPECT_EQ(Msg(id).find('%'), std::string::npos) << "message " << id << ": " << Shown(id);
        }
    }
}

TEST_P(LngFileTest, UnusedNumbersAndOnlyTheyHoldThePlaceholder) {
    const std::string& placeholder = Msg(MUnused4);
    EXPECT_FALSE(placeholder.empty());
    for (int id = 0; id < MessageCount; ++id) {
        if (kUnusedNumbers.count(id)) {
            EXPECT_EQ(Msg(id), placeholder) << "message " << id;
        } else {
            EXPECT_NE(Msg(id), placeholder) << "message " << id << " is used";
            EXPECT_FALSE(Msg(id).empty()) << "message " << id << " is used";
        }
    }
}

struct Room {
    int id;
    size_t maxLength;
    const char* where;
};

// Width of a message box line on an 80-column screen, and of its button row.
constexpr size_t kMessageBoxWidth = 64;

const Room kRooms[] = {
    {MPanelTitle, 10, "panel title, before the device path"},
    {MDiskMenuEntry, 16, "disks menu entry and the '<Format>:' copy target"},
    {MFromLabel, 5, "progress dialog: column 5, the source path at column 11"},
    {MToLabel, 5, "progress dialog: column 5, the target path at column 11"},
    {MTimeTotalLabel, 6, "progress dialog: column 5, its time at column 12"},
    {MTimeElapsedLabel, 8, "progress dialog: column 22, its time at column 31"},
    {MTimeLeftLabel, 10, "progress dialog: column 40, its time at column 51"},
    {MCopyTitle, 50, "title of the progress frame, columns 3 to 60"},
    {MUploadTitle, 50, "title of the progress frame, columns 3 to 60"},
    {MMoveTitle, 60, "title of the destination frame, columns 3 to 72"},
    {MMakeDirTitle, 60, "title of the make-directory frame, columns 3 to 72"},
    {MConfigTitle, 60, "title of the configuration frame, columns 3 to 72"},
    {MMakeDirLabel, 66, "make-directory label, columns 5 to 70"},
    {MConfigAddToDisksMenu, 27, "check box text from column 9, before the check box at 37"},
    {MConfigAddToPluginsMenu, 30, "check box text from column 41, inside the frame at 72"},
    {MConfigDisksMenuDigit, 62, "label from column 9, inside the frame at 72"},
    {MConfigTimeWaitInit, 62, "label from column 9, inside the frame at 72"},
    {MConfigCopyBuffer, 31, "label from column 5, before the radio buttons at 37"},
    {MConfigCopyMemory, 11, "radio button text from column 41, before the field at 53"},
    {MConfigCopyKBytes, 11, "radio button text from column 41, before the field at 53"},
    {MErrorTitle, kMessageBoxWidth, "message box title"},
    {MFileExistsTitle, kMessageBoxWidth, "message box title"},
    {MConnectingTitle, kMessageBoxWidth, "message box title"},
    {MConnectingText, kMessageBoxWidth, "message box line"},
    {MConnectStartFailed, kMessageBoxWidth, "message box line"},
    {MConnectNoLink, kMessageBoxWidth, "message box line"},
    {MFileExistsText, kMessageBoxWidth, "message box line"},
    {MDeleteTitle, kMessageBoxWidth, "message box title"},
    {MAbortTitle, kMessageBoxWidth, "message box title"},
    {MAbortQuestion, kMessageBoxWidth, "message box line"},
};

TEST_P(LngFileTest, TextsFitTheRoomWhereTheyAreShown) {
    for (const Room& r : kRooms)
        EXPECT_LE(Msg(r.id).size(), r.maxLength) << "message " << r.id << " '" << Shown(r.id) << "': " << r.where;
}

TEST_P(LngFileTest, DiskMenuEntryCanStandBeforeAColonAsACopyTarget) {
    EXPECT_EQ(Msg(MDiskMenuEntry).find_first_of(":\\/"), std::string::npos) << Shown(MDiskMenuEntry);
}

// The progress line is composed with these words and shown cut to 55 columns.
TEST_P(LngFileTest, StatisticsLineFitsTheProgressDialog) {
    char line[1200];
    int n = std::snprintf(line, sizeof line, "%s %s %s %s [%d%%]    %4d%s", "1000000", Msg(MProgressOf).c_str(),
                          "1000000", Msg(MProgressBytes).c_str(), 100, 9999, Msg(MSpeedUnit).c_str());
    EXPECT_LE(n, 55) << Cp866ToUtf8(line);
}

TEST_P(LngFileTest, ButtonRowsFitAMessageBox) {
    const std::vector<std::vector<int>> rows = {
        {MOverwrite, MOverwriteAll, MSkip, MSkipAll, MCancel},  // the existing-file question
        {MRetry, MSkip, MCancel},                               // the error box with a subject
        {MOk, MCancel},                                         // dialogs and the delete question
    };
    for (const std::vector<int>& row : rows) {
        size_t width = row.size() - 1;  // one blank between buttons
        std::string shown;
        for (int id : row) {
            width += Msg(id).size() + 4;  // "[ " text " ]"
            shown += "[ " + Shown(id) + " ] ";
        }
        EXPECT_LE(width, kMessageBoxWidth) << shown;
    }
}

TEST_P(LngFileTest, UsesOnlyTheBytesOfItsCodePage) {
    std::set<unsigned char> stray;
    bool cyrillic = false;
    for (unsigned char c : bytes_) {
        bool ascii = (c >= 0x20 && c < 0x7F) || c == '\n' || c == '\r';
        // Code page 866's letters; its box-drawing range 0xB0-0xDF holds every
        // lead byte of UTF-8 text in Cyrillic, so it must not appear.
        bool cp866Letter = (c >= 0x80 && c <= 0xAF) || (c >= 0xE0 && c <= 0xF1);
        if (cp866Letter) cyrillic = true;
        if (!ascii && !(GetParam().russian && cp866Letter)) stray.insert(c);
    }
    EXPECT_TRUE(stray.empty()) << stray.size() << " kinds of bytes outside the file's code page, first 0x" << std::hex
                               << (stray.empty() ? 0 : *stray.begin());
    EXPECT_EQ(cyrillic, GetParam().russian);
    EXPECT_NE(bytes_.compare(0, 3, "\xEF\xBB\xBF"), 0) << "UTF-8 byte order mark";
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, LngFileTest, ::testing::ValuesIn(kLangFiles),
                         [](const ::testing::TestParamInfo<LangFileCase>& info) {
                             return std::string(info.param.russian ? "Russian" : "English");
                         });

TEST(LngFilesTest, MessagesHeaderNumbersEveryLineInOrder) {
    std::string header;
    ASSERT_TRUE(ReadFileBytes(MessagesHeaderPath(), &header));
    std::vector<MessageIdEntry> ids = ParseMessageIds(header);
    ASSERT_EQ(ids.size(), static_cast<size_t>(MessageCount));
    for (int i = 0; i < MessageCount; ++i) EXPECT_EQ(ids[i].value, i) << ids[i].name;
    EXPECT_EQ(ids[MAbortQuestion].name, "MAbortQuestion");
}

TEST(LngFilesTest, RussianTranslatesEveryTextButTheNamesAndOk) {
    std::string eng, rus;
    ASSERT_TRUE(ReadFileBytes(LangFilePath("VantelbrookEng.lng"), &eng));
    ASSERT_TRUE(ReadFileBytes(LangFilePath("VantelbrookRus.lng"), &rus));
    LngFile e = ParseLng(eng), r = ParseLng(rus);
    ASSERT_EQ(e.messages.size(), r.messages.size());
    const std::set<int> sameInBoth = {MOk, MPanelTitle, MDiskMenuEntry};
    for (int id = 0; id < MessageCount; ++id) {
        if (sameInBoth.count(id)) {
            EXPECT_EQ(r.messages[id].text, e.messages[id].text) << "message " << id;
        } else {
            EXPECT_NE(r.messages[id].text, e.messages[id].text) << "message " << id << " is not translated";
        }
    }
}

TEST(LngFilesTest, RussianDecodesFromCodePage866) {
    std::string rus;
    ASSERT_TRUE(ReadFileBytes(LangFilePath("VantelbrookRus.lng"), &rus));
    std::string firstLine = rus.substr(0, rus.find_first_of("\r\n"));
    EXPECT_EQ(Cp866ToUtf8(firstLine), u8".Language=Russian,Russian (Русский)");
    EXPECT_EQ(Cp866ToUtf8(rus).find("\xEF\xBF\xBD"), std::string::npos) << "a byte that is no letter of code page 866";
}

}  // namespace
