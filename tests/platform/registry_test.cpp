// Registry calls as Win32 gives them: values of every size round-trip,
// missing things give ERROR_FILE_NOT_FOUND, short buffers ERROR_MORE_DATA,
// names compare without regard to case, handles carry their access.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "registry_fixture.h"

namespace vbtest {
namespace {

using Bytes = std::vector<BYTE>;

struct StoredValue {
    const char* name;
    DWORD type;
    Bytes data;
};

Bytes TextBytes(const std::string& text) {
    Bytes bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

LONG SetValue(HKEY key, const char* name, DWORD type, const Bytes& data) {
    return RegSetValueExA(key, name, 0, type, data.empty() ? nullptr : data.data(), static_cast<DWORD>(data.size()));
}

LONG QueryValue(HKEY key, const char* name, DWORD* type, Bytes* data) {
    DWORD size = 0;
    LONG result = RegQueryValueExA(key, name, nullptr, type, nullptr, &size);
    if (result != ERROR_SUCCESS) return result;
    data->assign(size, 0xCC);
    return RegQueryValueExA(key, name, nullptr, type, data->empty() ? nullptr : data->data(), &size);
}

using RegistryTest = RegistryFixture;

TEST_F(RegistryTest, EveryKindAndSizeOfValueRoundTripsThroughANewHandle) {
    const std::vector<StoredValue> values = {
        {"Number", REG_DWORD, {0x0A, 0x00, 0x00, 0x00}},
        {"Negative", REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF}},
        {"OneByte", REG_DWORD, {0x07}},
        {"TwoBytes", REG_BINARY, {0x01, 0x02}},
        {"EightBytes", REG_BINARY, {1, 2, 3, 4, 5, 6, 7, 8}},
        {"Empty", REG_BINARY, {}},
        {"Text", REG_SZ, TextBytes("hello world")},
        {"Quoted \"name\" \\ here", REG_SZ, TextBytes("C:\\Far \"quoted\"")},
        {"OemText", REG_SZ, TextBytes("\x80\xB0\xE1")},
        {"Unterminated", REG_SZ, {'a', 'b'}},
        {"", REG_SZ, TextBytes("default value")},
    };
    HKEY key = CreateKey("Values", KEY_WRITE);
    for (const StoredValue& value : values) {
        ASSERT_EQ(ERROR_SUCCESS, SetValue(key, value.name, value.type, value.data)) << value.name;
    }
    ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(key));

    ASSERT_EQ(ERROR_SUCCESS, OpenKey("Values", KEY_QUERY_VALUE, &key));
    for (const StoredValue& value : values) {
        DWORD type = 0;
        Bytes data;
        ASSERT_EQ(ERROR_SUCCESS, QueryValue(key, value.name, &type, &data)) << value.name;
        EXPECT_EQ(value.type, type) << value.name;
        EXPECT_EQ(value.data, data) << value.name;
    }
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
}

TEST_F(RegistryTest, ReplacingAValueKeepsOneValueWithTheNewData) {
    HKEY key = CreateKey("Replace");
    ASSERT_EQ(ERROR_SUCCESS, SetValue(key, "V", REG_DWORD, {1, 0, 0, 0}));
    ASSERT_EQ(ERROR_SUCCESS, SetValue(key, "v", REG_BINARY, {9, 9}));
    DWORD type = 0;
    Bytes data;
    ASSERT_EQ(ERROR_SUCCESS, QueryValue(key, "V", &type, &data));
    EXPECT_EQ(DWORD(REG_BINARY), type);
    EXPECT_EQ(Bytes({9, 9}), data);
    RegCloseKey(key);
}

TEST_F(RegistryTest, CreateReportsWhetherTheKeyWasNewAndMakesTheKeysAbove) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    std::string path = KeyPath("Far\\Plugins\\Vantelbrook");
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                             KEY_WRITE, nullptr, &key, &disposition));
    EXPECT_EQ(DWORD(REG_CREATED_NEW_KEY), disposition);
    RegCloseKey(key);

    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                             KEY_WRITE, nullptr, &key, &disposition));
    EXPECT_EQ(DWORD(REG_OPENED_EXISTING_KEY), disposition);
    RegCloseKey(key);

    ASSERT_EQ(ERROR_SUCCESS, OpenKey("Far\\Plugins", KEY_READ, &key));
    RegCloseKey(key);
}

TEST_F(RegistryTest, KeyAndValueNamesIgnoreCase) {
    HKEY key = CreateKey("Far\\Plugins\\Vantelbrook", KEY_WRITE);
    const Bytes seven = {7, 0, 0, 0};
    ASSERT_EQ(ERROR_SUCCESS, SetValue(key, "TimeWaitInit", REG_DWORD, seven));
    RegCloseKey(key);

    DWORD disposition = 0;
    std::string otherCase = KeyPath("FAR\\plugins\\VANTELBROOK");
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, otherCase.c_str(), 0, nullptr,
                                             REG_OPTION_NON_VOLATILE, KEY_READ, nullptr, &key, &disposition));
    EXPECT_EQ(DWORD(REG_OPENED_EXISTING_KEY), disposition);
    DWORD type = 0;
    Bytes data;
    ASSERT_EQ(ERROR_SUCCESS, QueryValue(key, "timewaitinit", &type, &data));
    EXPECT_EQ(seven, data);
    RegCloseKey(key);
}

TEST_F(RegistryTest, MissingKeyOrValueGivesFileNotFoundAndReadingCreatesNothing) {
    HKEY key = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, OpenKey("Missing\\Deeper", KEY_QUERY_VALUE, &key));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, OpenKey("Missing", KEY_QUERY_VALUE, &key));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, OpenKey("", KEY_QUERY_VALUE, &key)) << "the test's base key was created";

    HKEY existing = CreateKey("Present");
    DWORD size = 4;
    BYTE buffer[4] = {};
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(existing, "Absent", nullptr, nullptr, buffer, &size));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueA(existing, "Absent"));
    RegCloseKey(existing);
}

TEST_F(RegistryTest, ShortBufferGivesMoreDataWithTheSizeNeeded) {
    HKEY key = CreateKey("Sizes");
    const Bytes eight = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(ERROR_SUCCESS, SetValue(key, "Eight", REG_BINARY, eight));

    DWORD type = 0;
    DWORD size = 4;
    BYTE four[4] = {};
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(key, "Eight", nullptr, &type, four, &size));
    EXPECT_EQ(8u, size);
    EXPECT_EQ(DWORD(REG_BINARY), type);

    size = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Eight", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(8u, size) << "a null data pointer asks for the size";

    BYTE exact[8] = {};
    size = sizeof exact;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Eight", nullptr, nullptr, exact, &size));
    EXPECT_EQ(0, std::memcmp(exact, eight.data(), 8));
    RegCloseKey(key);
}

TEST_F(RegistryTest, SmallValuesFillOnlyTheirOwnBytesOfALargerBuffer) {
    HKEY key = CreateKey("Small");
    ASSERT_EQ(ERROR_SUCCESS, SetValue(key, "One", REG_DWORD, {0x11}));
    ASSERT_EQ(ERROR_SUCCESS, SetValue(key, "Two", REG_DWORD, {0x21, 0x22}));
    for (const auto& [name, expectedSize] : {std::pair<const char*, DWORD>{"One", 1}, {"Two", 2}}) {
        BYTE buffer[4] = {0xAA, 0xAA, 0xAA, 0xAA};
        DWORD size = sizeof buffer;
        ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, name, nullptr, nullptr, buffer, &size)) << name;
        EXPECT_EQ(expectedSize, size) << name;
        EXPECT_EQ(0x11 + (expectedSize - 1) * 0x10, buffer[0]) << name;
        EXPECT_EQ(0xAA, buffer[3]) << name;
    }
    RegCloseKey(key);
}

TEST_F(RegistryTest, DeletedValueIsGone) {
    HKEY key = CreateKey("Delete");
    ASSERT_EQ(ERROR_SUCCESS, SetValue(key, "Gone", REG_DWORD, {1, 0, 0, 0}));
    ASSERT_EQ(ERROR_SUCCESS, SetValue(key, "Kept", REG_DWORD, {2, 0, 0, 0}));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueA(key, "GONE"));
    DWORD size = 0;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(key, "Gone", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Kept", nullptr, nullptr, nullptr, &size));
    RegCloseKey(key);
}

TEST_F(RegistryTest, HandlesCarryTheirAccessAndDieWhenClosed) {
    HKEY writer = CreateKey("Access", KEY_WRITE);
    ASSERT_EQ(ERROR_SUCCESS, SetValue(writer, "V", REG_DWORD, {1, 0, 0, 0}));
    DWORD size = 0;
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegQueryValueExA(writer, "V", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(writer));

    HKEY reader = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, OpenKey("Access", KEY_QUERY_VALUE, &reader));
    EXPECT_EQ(ERROR_ACCESS_DENIED, SetValue(reader, "V", REG_DWORD, {2, 0, 0, 0}));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(reader));

    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(reader));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegQueryValueExA(reader, "V", nullptr, nullptr, nullptr, &size));
}

}  // namespace
}  // namespace vbtest
