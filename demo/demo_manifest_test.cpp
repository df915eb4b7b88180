#include "demo_manifest.h"

#include <gtest/gtest.h>

namespace vbdemo {
namespace {

TEST(ParseManifest, ReadsGeneratedFilesAndAttributesWithSpacesInPaths) {
    Manifest manifest;
    std::string error;
    ASSERT_TRUE(ParseManifest("# comment\n\ngenerate 1024 \\My Documents\\Big file.bin\r\n"
                              "temporary \\Storage Card\nhidden|system  \\Windows\\device.ini  \n",
                              manifest, error))
        << error;
    ASSERT_EQ(manifest.generated.size(), 1u);
    EXPECT_EQ(manifest.generated[0].size, 1024u);
    EXPECT_EQ(manifest.generated[0].devicePath, "\\My Documents\\Big file.bin");
    ASSERT_EQ(manifest.attributes.size(), 2u);
    EXPECT_EQ(manifest.attributes[0].attributes, 0x100u);
    EXPECT_EQ(manifest.attributes[0].devicePath, "\\Storage Card");
    EXPECT_EQ(manifest.attributes[1].attributes, 0x6u);
    EXPECT_EQ(manifest.attributes[1].devicePath, "\\Windows\\device.ini");
}

TEST(ParseManifest, RefusesWhatItCannotReadAndSaysWhere) {
    struct Case {
        const char* text;
        const char* where;
    };
    for (const Case& c : {Case{"shiny \\a", "line 1"}, Case{"readonly \\a\ngenerate x \\b", "line 2"},
                          Case{"\n\nreadonly a.txt", "line 3"}, Case{"generate 5", "line 1"}}) {
        Manifest manifest;
        std::string error;
        EXPECT_FALSE(ParseManifest(c.text, manifest, error)) << c.text;
        EXPECT_NE(error.find(c.where), std::string::npos) << error;
    }
}

TEST(DeviceText, ConvertsUtf8ToUtf16WithSurrogatePairs) {
    EXPECT_EQ(DeviceText("Caf\xC3\xA9"), u"Caf\u00E9");
    EXPECT_EQ(DeviceText("\xD0\x9E\xF0\x9F\x93\x81"), u"\u041E\U0001F4C1");
}

}  // namespace
}  // namespace vbdemo
