// The registry read contract: opening keys, reading values with the size
// protocol, listing them, closing; and what hxmonctl's changes rely on. The
// test writes its own keys and removes them again.

#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

constexpr const char* kTestRoot = "Software\\hxMonitorTest";
constexpr const char* kTestKey = "Software\\hxMonitorTest\\Events";

class RegistryContract : public ::testing::Test {
protected:
    void SetUp() override {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                                 &key, nullptr));
        Set(key, "Text", REG_SZ, "viewer.exe /x", 14);
        Set(key, "Bare", REG_SZ, "abcd", 3);  // "abc" without its terminator
        Set(key, "Bytes", REG_BINARY, "\1\2\3", 3);
        RegCloseKey(key);
    }
    void TearDown() override {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kTestKey);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kTestRoot);
    }
    static void Set(HKEY key, const char* name, DWORD type, const char* data, DWORD size) {
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data), size));
    }
    static HKEY OpenForReading(const char* path) {
        HKEY key = nullptr;
        EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key));
        return key;
    }
    // Reads into a buffer of `room` bytes filled with '#'.
    static LONG Read(HKEY key, const char* name, DWORD room, std::string* data, DWORD* size) {
        data->assign(room, '#');
        *size = room;
        return RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&(*data)[0]), size);
    }
};

TEST_F(RegistryContract, KeysOpenWithoutRegardToCaseAndMissingOnesAreNotFound) {
    HKEY key = OpenForReading("SOFTWARE\\HXMONITORTEST\\events");
    ASSERT_NE(nullptr, key);
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));

    HKEY result = reinterpret_cast<HKEY>(0x1234);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\hxMonitorTest\\Nothing", 0,
                                                  KEY_READ, &result));
    EXPECT_EQ(nullptr, result);
    EXPECT_EQ(ERROR_BAD_PATHNAME, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "\\Software\\hxMonitorTest", 0, KEY_READ,
                                                &result));
    EXPECT_EQ(ERROR_INVALID_HANDLE,
              RegOpenKeyExA(reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE), "Events", 0, KEY_READ, &result));
}

TEST_F(RegistryContract, ValuesAreReadWithTheSizeProtocol) {
    HKEY key = OpenForReading(kTestKey);
    ASSERT_NE(nullptr, key);
    DWORD size = 0, type = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Text", nullptr, &type, nullptr, &size));
    EXPECT_EQ(14u, size);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);

    std::string data;
    EXPECT_EQ(ERROR_MORE_DATA, Read(key, "Text", 13, &data, &size));
    EXPECT_EQ(14u, size);
    EXPECT_EQ(std::string(13, '#'), data) << "nothing copied when it does not fit";
    EXPECT_EQ(ERROR_SUCCESS, Read(key, "Text", 14, &data, &size));
    EXPECT_EQ(std::string("viewer.exe /x\0", 14), data);

    EXPECT_EQ(ERROR_SUCCESS, Read(key, "Bytes", 8, &data, &size));
    EXPECT_EQ(3u, size);
    EXPECT_EQ(std::string("\1\2\3#", 4), data.substr(0, 4));

    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Read(key, "Missing", 8, &data, &size));
    BYTE byte = 0;
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueExA(key, "Text", nullptr, nullptr, &byte, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
}

TEST_F(RegistryContract, TextWithoutTerminatorGetsOneOnlyWhenThereIsRoom) {
    HKEY key = OpenForReading(kTestKey);
    ASSERT_NE(nullptr, key);
    std::string data;
    DWORD size = 0;

    EXPECT_EQ(ERROR_SUCCESS, Read(key, "Bare", 3, &data, &size));
    EXPECT_EQ("abc", data);
    EXPECT_EQ(3u, size);

    EXPECT_EQ(ERROR_SUCCESS, Read(key, "Bare", 5, &data, &size));
    EXPECT_EQ(std::string("abc\0#", 5), data);
    EXPECT_EQ(3u, size) << "the stored size, not counting the added terminator";
    RegCloseKey(key);
}

TEST_F(RegistryContract, ClosedKeyIsAnInvalidHandle) {
    HKEY key = OpenForReading(kTestKey);
    ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(key));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_LOCAL_MACHINE)) << "predefined keys are never closed";
}

TEST_F(RegistryContract, KeyOpenedForReadingCannotWriteAndDeletedKeysAnswerSo) {
    HKEY key = OpenForReading(kTestKey);
    ASSERT_NE(nullptr, key);
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegSetValueExA(key, "W", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2));
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(HKEY_LOCAL_MACHINE, kTestRoot)) << "it has a subkey";

    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_LOCAL_MACHINE, kTestKey));
    DWORD size = 0;
    EXPECT_EQ(ERROR_KEY_DELETED, RegQueryValueExA(key, "Text", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
}

// Names are counted in characters, the terminator going in but not coming
// out; the order of values is the registry's own, so only the set is checked.
TEST_F(RegistryContract, ValuesAreListedWithCountsInCharacters) {
    HKEY key = OpenForReading(kTestKey);
    ASSERT_NE(nullptr, key);
    std::set<std::string> names;
    char name[16];
    DWORD length = 0, type = 0;
    DWORD index = 0;
    for (; index < 8; index++) {
        length = sizeof(name);
        const LONG status = RegEnumValueA(key, index, name, &length, nullptr, &type, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        ASSERT_EQ(ERROR_SUCCESS, status);
        EXPECT_EQ(std::string(name).size(), length);
        names.insert(name);
        if (std::string(name) == "Bytes") EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
    }
    EXPECT_EQ(3u, index);
    EXPECT_EQ((std::set<std::string>{"Bare", "Bytes", "Text"}), names);

    length = 4;  // "Text" needs 5 with its terminator; each name here needs at least 5
    EXPECT_EQ(ERROR_MORE_DATA, RegEnumValueA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegEnumValueA(key, 0, nullptr, &length, nullptr, nullptr, nullptr, nullptr));
    RegCloseKey(key);
}

// hxmonctl undoes a change by deleting the keys it made, which it knows from
// the disposition, deepest first.
TEST_F(RegistryContract, CreatingSaysWhetherTheKeyWasMade) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    const std::string deeper = std::string(kTestKey) + "\\New\\Deeper";
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, deeper.c_str(), 0, nullptr, 0,
                                             KEY_READ | KEY_WRITE, nullptr, &key, &disposition));
    EXPECT_EQ(static_cast<DWORD>(REG_CREATED_NEW_KEY), disposition);
    RegCloseKey(key);
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, nullptr, 0, KEY_READ | KEY_WRITE,
                                             nullptr, &key, &disposition));
    EXPECT_EQ(static_cast<DWORD>(REG_OPENED_EXISTING_KEY), disposition);
    RegCloseKey(key);
    const std::string made = std::string(kTestKey) + "\\New";
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(HKEY_LOCAL_MACHINE, made.c_str())) << "it has a subkey";
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_LOCAL_MACHINE, deeper.c_str()));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_LOCAL_MACHINE, made.c_str()));
}

}  // namespace
