// The simulated registry: what tests put in, what the read API gives back,
// and the record of every write.
#include "platform_test_support.h"

namespace {

using hxplatformtest::FreshWorld;

const std::string kEvents = "SYSTEM\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0000\\Events";

class RegistryTest : public FreshWorld {
protected:
    HKEY Open(const std::string& path, HKEY from = HKEY_LOCAL_MACHINE, REGSAM access = KEY_READ) {
        HKEY key = reinterpret_cast<HKEY>(0x1234);
        const LONG status = RegOpenKeyExA(from, path.c_str(), 0, access, &key);
        EXPECT_EQ(status == ERROR_SUCCESS, key != nullptr) << "the result is set on failure too";
        return status == ERROR_SUCCESS ? key : nullptr;
    }
    // The value's bytes as RegQueryValueExA gives them in a roomy buffer.
    std::string Query(HKEY key, const char* name, DWORD* size, LONG* status, DWORD room = 64) {
        std::string buffer(room, '#');
        *size = room;
        *status = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&buffer[0]), size);
        return buffer;
    }
};

TEST_F(RegistryTest, KeysOpenWithoutRegardToCaseAndCountAsOpenHandles) {
    hxsim::SetValue(kEvents + "\\SnapButton", "LaunchApplications", hxsim::RegData::Text("Viewer"));

    HKEY events = Open("system\\currentcontrolset\\CONTROL\\class\\{6bdd1fc6-810f-11d0-bec7-08002be2092f}\\0000\\events");
    ASSERT_NE(events, nullptr);
    HKEY snap = Open("SnapButton\\", events);  // a trailing separator is allowed
    ASSERT_NE(snap, nullptr);
    HKEY same = Open("", snap);
    ASSERT_NE(same, nullptr);
    EXPECT_NE(same, snap) << "a new handle to the same key";
    EXPECT_EQ(hxsim::OpenHandles().registryKeys, 3u);
    EXPECT_EQ(hxsim::OpenHandles().kernel, 0u);

    EXPECT_EQ(Open("NewPicture", events), nullptr);
    HKEY refused = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "\\SYSTEM", 0, KEY_READ, &refused), ERROR_BAD_PATHNAME);
    HKEY root = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, nullptr, 0, KEY_READ, &root), ERROR_SUCCESS);
    EXPECT_EQ(root, HKEY_LOCAL_MACHINE) << "a predefined key is its own answer";

    for (HKEY key : {events, snap, Open("", snap)}) EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(hxsim::OpenHandles().registryKeys, 1u);
    EXPECT_EQ(hxsim::RegistryOpenAccess().size(), 7u);
    EXPECT_EQ(hxsim::RegistryOpenAccess().front(), static_cast<REGSAM>(KEY_READ));
}

TEST_F(RegistryTest, NoKeyAndStaleKeysAreInvalidHandlesOnlyTheStaleOnesMisuse) {
    hxsim::CreateKey(kEvents + "\\SnapButton");
    HKEY events = Open(kEvents);
    ASSERT_EQ(RegCloseKey(events), ERROR_SUCCESS);

    HKEY result = reinterpret_cast<HKEY>(0x1234);
    SetLastError(77);
    EXPECT_EQ(RegOpenKeyExA(reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE), "SnapButton", 0, KEY_READ, &result),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(result, nullptr);
    EXPECT_TRUE(hxsim::HandleMisuse().empty()) << "no key held is an ordinary value to pass on";

    EXPECT_EQ(RegOpenKeyExA(events, "SnapButton", 0, KEY_READ, &result), ERROR_INVALID_HANDLE);
    DWORD size = 4;
    EXPECT_EQ(RegQueryValueExA(events, "x", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(events), ERROR_INVALID_HANDLE);
    EXPECT_EQ(hxsim::HandleMisuse().size(), 3u);
    EXPECT_EQ(GetLastError(), 77u) << "the registry answers through its result alone";
}

TEST_F(RegistryTest, ValuesAreReadWithTheTwoCallSizeProtocol) {
    const std::string command = "viewer.exe /StiDevice:%1";
    hxsim::SetValue(kEvents, "Text", hxsim::RegData::Text(command));
    hxsim::SetValue(kEvents, "Bytes", hxsim::RegData::Binary({1, 2, 3}));
    HKEY key = Open(kEvents);

    DWORD size = 0, type = 99;
    EXPECT_EQ(RegQueryValueExA(key, "text", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, command.size() + 1);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));

    LONG status = 0;
    std::string got = Query(key, "Text", &size, &status, static_cast<DWORD>(command.size()));
    EXPECT_EQ(status, ERROR_MORE_DATA);
    EXPECT_EQ(size, command.size() + 1);
    EXPECT_EQ(got, std::string(command.size(), '#')) << "nothing is copied when it does not fit";

    got = Query(key, "Text", &size, &status, static_cast<DWORD>(command.size() + 1));
    EXPECT_EQ(status, ERROR_SUCCESS);
    EXPECT_EQ(got, command + '\0');

    got = Query(key, "Bytes", &size, &status);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(got.substr(0, 4), std::string("\1\2\3#", 4)) << "binary data gets no terminator";

    type = 99;
    EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(type, static_cast<DWORD>(REG_NONE));
    BYTE byte = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, nullptr, &byte, nullptr), ERROR_INVALID_PARAMETER);
    RegCloseKey(key);
}

TEST_F(RegistryTest, UnterminatedTextGainsATerminatorOnlyWhereThereIsRoom) {
    hxsim::SetValue(kEvents, "Bare", hxsim::RegData::Text("abc", false));
    HKEY key = Open(kEvents);
    DWORD size = 0;
    LONG status = 0;

    std::string got = Query(key, "Bare", &size, &status, 3);
    EXPECT_EQ(status, ERROR_SUCCESS);
    EXPECT_EQ(got, "abc");
    EXPECT_EQ(size, 3u);

    got = Query(key, "Bare", &size, &status, 4);
    EXPECT_EQ(got, std::string("abc\0", 4));
    EXPECT_EQ(size, 3u) << "the size stays the stored one";
    RegCloseKey(key);
}

TEST_F(RegistryTest, KeyOpenedForReadingCannotWriteAndEveryWriteAttemptIsRecorded) {
    hxsim::CreateKey(kEvents);
    HKEY readOnly = Open(kEvents);
    EXPECT_EQ(RegSetValueExA(readOnly, "X", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2), ERROR_ACCESS_DENIED);

    HKEY created = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(readOnly, "NewPicture\\Deep", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created,
                              &disposition),
              ERROR_ACCESS_DENIED)
        << "creating needs the right to make subkeys";
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kEvents + "\\NewPicture").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &created, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    EXPECT_EQ(RegSetValueExA(created, "LaunchApplications", 0, REG_SZ, reinterpret_cast<const BYTE*>("*"), 2),
              ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, kEvents.c_str()), ERROR_ACCESS_DENIED) << "it has a subkey";

    // The value is really there for readers.
    DWORD size = 0;
    LONG status = 0;
    HKEY reader = Open("NewPicture", readOnly);
    EXPECT_EQ(Query(reader, "LaunchApplications", &size, &status).substr(0, 2), std::string("*\0", 2));

    EXPECT_EQ(RegDeleteKeyA(readOnly, "NewPicture"), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(created, "LaunchApplications", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);

    const std::string path = "HKLM\\" + kEvents;
    EXPECT_EQ(hxsim::RegistryWrites(),
              (std::vector<std::string>{
                  "RegSetValueExA(" + path + ", \"X\")",
                  "RegCreateKeyExA(" + path + ", \"NewPicture\\Deep\")",
                  "RegCreateKeyExA(HKLM, \"" + kEvents + "\\NewPicture\")",
                  "RegSetValueExA(" + path + "\\NewPicture, \"LaunchApplications\")",
                  "RegDeleteKeyA(HKLM, \"" + kEvents + "\")",
                  "RegDeleteKeyA(" + path + ", \"NewPicture\")",
              }));
    for (HKEY key : {readOnly, created, reader}) RegCloseKey(key);
}

TEST_F(RegistryTest, DeletedSubtreeIsGoneForNewOpensAndDeadForOpenOnes) {
    hxsim::SetValue(kEvents + "\\SnapButton", "LaunchApplications", hxsim::RegData::Text("A"));
    HKEY snap = Open(kEvents + "\\SnapButton");

    hxsim::DeleteKey(kEvents);

    EXPECT_EQ(Open(kEvents), nullptr);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(snap, "LaunchApplications", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(snap), ERROR_SUCCESS) << "the handle itself is still open";
    EXPECT_NE(Open("SYSTEM\\CurrentControlSet\\Control\\Class"), nullptr) << "the parent stays";
}

TEST_F(RegistryTest, InstalledDevicesHaveTheirDriverKeys) {
    const std::string classes = "SYSTEM\\CurrentControlSet\\Control\\Class\\";
    hxsim::AddDevice(hxsim::CameraDesc(3));
    hxsim::DeviceDesc untyped = hxsim::OtherImageDesc(4);
    untyped.driver = hxsim::RegData::Binary({'x', 0}, REG_BINARY);
    hxsim::AddDevice(untyped);

    HKEY key = Open(classes + "{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0003");
    EXPECT_NE(key, nullptr);
    EXPECT_EQ(Open(classes + "x"), nullptr) << "only a text driver property names a key";
    RegCloseKey(key);
}

TEST_F(RegistryTest, InjectedFailureIsTheResult) {
    hxsim::CreateKey(kEvents);
    hxsim::FailCall("RegOpenKeyExA", ERROR_ACCESS_DENIED);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kEvents.c_str(), 0, KEY_READ, &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(hxsim::RegistryOpenAccess().size(), 1u) << "the attempt is still on record";
    EXPECT_EQ(hxsim::OpenHandles().registryKeys, 0u);
}

}  // namespace
