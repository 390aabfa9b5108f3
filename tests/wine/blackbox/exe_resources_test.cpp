// hxMonitor.exe as Windows itself reads the file: what Explorer shows in the
// file's properties, the icon it draws, and the kind of program it starts.
// ctest runs this beside the exe.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const char kExe[] = "hxMonitor.exe";

class VersionRecord {
 public:
  VersionRecord() {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(kExe, &ignored);
    block_.resize(size);
    if (size == 0 || !GetFileVersionInfoA(kExe, 0, size, block_.data())) block_.clear();
  }

  bool Found() const { return !block_.empty(); }

  const VS_FIXEDFILEINFO* Fixed() {
    return static_cast<const VS_FIXEDFILEINFO*>(Query("\\"));
  }

  std::string Text(const std::string& table, const std::string& name) {
    const char* text = static_cast<const char*>(Query("\\StringFileInfo\\" + table + "\\" + name));
    return text ? std::string(text) : std::string("<none>");
  }

  std::vector<std::pair<WORD, WORD>> Translations() {
    UINT length = 0;
    const WORD* pairs = static_cast<const WORD*>(Query("\\VarFileInfo\\Translation", &length));
    std::vector<std::pair<WORD, WORD>> result;
    for (UINT i = 0; pairs && i + 1 < length / sizeof(WORD); i += 2)
      result.emplace_back(pairs[i], pairs[i + 1]);
    return result;
  }

 private:
  void* Query(const std::string& path, UINT* length = nullptr) {
    void* value = nullptr;
    UINT size = 0;
    if (!VerQueryValueA(block_.data(), path.c_str(), &value, &size)) return nullptr;
    if (length) *length = size;
    return value;
  }

  std::vector<BYTE> block_;
};

TEST(ExeVersionRecord, NumbersReadOneDotZeroZeroBuild1231) {
  VersionRecord record;
  ASSERT_TRUE(record.Found()) << "no version record, error " << GetLastError();
  const VS_FIXEDFILEINFO* fixed = record.Fixed();
  ASSERT_NE(nullptr, fixed);
  EXPECT_EQ(VS_FFI_SIGNATURE, fixed->dwSignature);
  EXPECT_EQ(1u, HIWORD(fixed->dwFileVersionMS));
  EXPECT_EQ(0u, LOWORD(fixed->dwFileVersionMS));
  EXPECT_EQ(1231u, HIWORD(fixed->dwFileVersionLS));
  EXPECT_EQ(0u, LOWORD(fixed->dwFileVersionLS));
  EXPECT_EQ(static_cast<DWORD>(VFT_APP), fixed->dwFileType);
}

TEST(ExeVersionRecord, EnglishUsTableNamesTheProductAndVersion) {
  VersionRecord record;
  ASSERT_TRUE(record.Found());
  auto translations = record.Translations();
  ASSERT_EQ(1u, translations.size());
  EXPECT_EQ(0x0409, translations[0].first) << "language is not English (United States)";
  EXPECT_EQ(1252, translations[0].second);

  EXPECT_EQ("hxMonitor", record.Text("040904E4", "ProductName"));
  EXPECT_EQ("1.00.1231.0", record.Text("040904E4", "FileVersion"));
  EXPECT_EQ("hxMonitor.exe", record.Text("040904E4", "OriginalFilename"));
}

// The icon group directory as stored in RT_GROUP_ICON.
#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE width, height, colours, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
struct GroupIconHeader {
  WORD reserved, type, count;
};
#pragma pack(pop)

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR names) {
  auto* list = reinterpret_cast<std::vector<std::string>*>(names);
  list->push_back(IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<uintptr_t>(name))
                                       : std::string(name));
  return TRUE;
}

TEST(ExeIcon, OneIconOfOne32By32Image) {
  HMODULE exe = LoadLibraryExA(kExe, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(nullptr, exe) << GetLastError();

  std::vector<std::string> groups;
  EnumResourceNamesA(exe, RT_GROUP_ICON, CollectName, reinterpret_cast<LONG_PTR>(&groups));
  ASSERT_EQ(1u, groups.size());

  HRSRC found = FindResourceA(exe, groups[0].c_str(), RT_GROUP_ICON);
  ASSERT_NE(nullptr, found);
  const auto* header = static_cast<const GroupIconHeader*>(LockResource(LoadResource(exe, found)));
  ASSERT_NE(nullptr, header);
  EXPECT_EQ(1, header->type);
  ASSERT_EQ(1, header->count);
  const auto* entry = reinterpret_cast<const GroupIconEntry*>(header + 1);
  EXPECT_EQ(32, entry->width);
  EXPECT_EQ(32, entry->height);

  HICON icon = static_cast<HICON>(
      LoadImageA(exe, groups[0].c_str(), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
  EXPECT_NE(nullptr, icon) << "the icon does not load, error " << GetLastError();
  if (icon) DestroyIcon(icon);
  FreeLibrary(exe);
}

// The exe is built for the same architecture as this test: 32-bit or 64-bit.
TEST(ExeHeader, IsAWindowsGuiProgramOfTheBuildsArchitecture) {
#ifdef _WIN64
  constexpr WORD kMachine = IMAGE_FILE_MACHINE_AMD64;
  constexpr WORD kMagic = IMAGE_NT_OPTIONAL_HDR64_MAGIC;
#else
  constexpr WORD kMachine = IMAGE_FILE_MACHINE_I386;
  constexpr WORD kMagic = IMAGE_NT_OPTIONAL_HDR32_MAGIC;
#endif
  std::ifstream file(kExe, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  ASSERT_GE(bytes.size(), sizeof(IMAGE_DOS_HEADER));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(bytes.data());
  ASSERT_EQ(IMAGE_DOS_SIGNATURE, dos->e_magic);
  ASSERT_LE(static_cast<size_t>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS), bytes.size());
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(bytes.data() + dos->e_lfanew);
  ASSERT_EQ(static_cast<DWORD>(IMAGE_NT_SIGNATURE), nt->Signature);
  EXPECT_EQ(kMachine, nt->FileHeader.Machine);
  EXPECT_EQ(kMagic, nt->OptionalHeader.Magic);
  // A GUI program: starting it opens no console window.
  EXPECT_EQ(IMAGE_SUBSYSTEM_WINDOWS_GUI, nt->OptionalHeader.Subsystem);
}

}  // namespace
