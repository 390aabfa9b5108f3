// hxMonitor.exe as Windows itself reads the file: what Explorer shows in the
// file's properties, the icon it draws, the manifest the loader applies, and
// the kind of program it starts; and hxmonctl.exe, shipped beside it, with the
// same manifest and a version record of its own names. ctest runs this beside
// the exes.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const char kExe[] = "hxMonitor.exe";
const char kCompanion[] = "hxmonctl.exe";

class VersionRecord {
 public:
  explicit VersionRecord(const char* exe = kExe) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(exe, &ignored);
    block_.resize(size);
    if (size == 0 || !GetFileVersionInfoA(exe, 0, size, block_.data())) block_.clear();
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

// The manifest as the loader reads it: Wine's and Windows' own parser turns
// it into an activation context, which answers what the monitor asked for.
class ManifestContext {
 public:
  explicit ManifestContext(const char* exe = kExe) {
    ACTCTXA request = {};
    request.cbSize = sizeof(request);
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = exe;
    request.lpResourceName = CREATEPROCESS_MANIFEST_RESOURCE_ID;
    context_ = CreateActCtxA(&request);
    error_ = GetLastError();
  }
  ~ManifestContext() {
    if (context_ != INVALID_HANDLE_VALUE) ReleaseActCtx(context_);
  }
  ManifestContext(const ManifestContext&) = delete;
  ManifestContext& operator=(const ManifestContext&) = delete;

  bool Parsed() const { return context_ != INVALID_HANDLE_VALUE; }
  DWORD Error() const { return error_; }

  // Queries one information class into a block of the size it asks for.
  std::vector<BYTE> Query(ULONG infoClass) const {
    SIZE_T needed = 0;
    QueryActCtxW(0, context_, nullptr, infoClass, nullptr, 0, &needed);
    std::vector<BYTE> block(needed);
    if (needed == 0 ||
        !QueryActCtxW(0, context_, nullptr, infoClass, block.data(), block.size(), &needed))
      block.clear();
    return block;
  }

 private:
  HANDLE context_ = INVALID_HANDLE_VALUE;
  DWORD error_ = 0;
};

TEST(ExeManifest, OneManifestForProcessCreation) {
  HMODULE exe = LoadLibraryExA(kExe, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(nullptr, exe) << GetLastError();
  std::vector<std::string> manifests;
  EnumResourceNamesA(exe, RT_MANIFEST, CollectName, reinterpret_cast<LONG_PTR>(&manifests));
  FreeLibrary(exe);
  // Resource 1 is the one the loader applies to the process; others would
  // be ignored or meant for DLLs.
  EXPECT_EQ(std::vector<std::string>{"#1"}, manifests);
}

TEST(ExeManifest, RunsAsInvokerWithoutUiAccess) {
  ManifestContext manifest;
  ASSERT_TRUE(manifest.Parsed()) << "the loader rejects the manifest, error " << manifest.Error();
  std::vector<BYTE> block = manifest.Query(RunlevelInformationInActivationContext);
  ASSERT_GE(block.size(), sizeof(ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION));
  const auto* level = reinterpret_cast<const ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION*>(block.data());
  EXPECT_EQ(ACTCTX_RUN_LEVEL_AS_INVOKER, level->RunLevel);
  EXPECT_EQ(0u, level->UiAccess);
}

TEST(CompanionExe, HxmonctlNamesItselfAndRunsAsInvoker) {
  VersionRecord record(kCompanion);
  ASSERT_TRUE(record.Found()) << "no version record, error " << GetLastError();
  EXPECT_EQ("hxMonitor", record.Text("040904E4", "ProductName"));
  EXPECT_EQ("1.00.1231.0", record.Text("040904E4", "FileVersion"));
  EXPECT_EQ("hxmonctl.exe", record.Text("040904E4", "OriginalFilename"));
  EXPECT_EQ("hxmonctl", record.Text("040904E4", "InternalName"));

  ManifestContext manifest(kCompanion);
  ASSERT_TRUE(manifest.Parsed()) << "the loader rejects the manifest, error " << manifest.Error();
  std::vector<BYTE> block = manifest.Query(RunlevelInformationInActivationContext);
  ASSERT_GE(block.size(), sizeof(ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION));
  EXPECT_EQ(ACTCTX_RUN_LEVEL_AS_INVOKER,
            reinterpret_cast<const ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION*>(block.data())->RunLevel);
}

std::string GuidText(const GUID& id) {
  char text[40];
  std::snprintf(text, sizeof(text), "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned long>(id.Data1), id.Data2, id.Data3, id.Data4[0],
                id.Data4[1], id.Data4[2], id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6],
                id.Data4[7]);
  return text;
}

// The declared systems, read from the loader's answer. Windows 10 and Wine
// give each element a MaxVersionTested field (32-byte elements after an
// 8-byte count); Windows 7 and 8 give 20-byte elements right after the
// count. The block's size tells which.
struct DeclaredOs {
  GUID id;
  DWORD type;
};

std::vector<DeclaredOs> CompatibilityElements(const std::vector<BYTE>& block) {
  std::vector<DeclaredOs> result;
  if (block.size() < sizeof(DWORD)) return result;
  DWORD count = 0;
  std::memcpy(&count, block.data(), sizeof(count));
  size_t offset = 0, stride = 0;
  if (block.size() == 8 + count * 32u) {
    offset = 8;
    stride = 32;
  } else if (block.size() == 4 + count * 20u) {
    offset = 4;
    stride = 20;
  } else {
    return result;
  }
  for (DWORD i = 0; i < count; ++i) {
    DeclaredOs element;
    std::memcpy(&element.id, block.data() + offset + i * stride, sizeof(GUID));
    std::memcpy(&element.type, block.data() + offset + i * stride + sizeof(GUID), sizeof(DWORD));
    result.push_back(element);
  }
  return result;
}

TEST(ExeManifest, DeclaresWindows7To11AndNothingElse) {
  ManifestContext manifest;
  ASSERT_TRUE(manifest.Parsed()) << "the loader rejects the manifest, error " << manifest.Error();
  std::vector<BYTE> block = manifest.Query(CompatibilityInformationInActivationContext);
  std::vector<DeclaredOs> elements = CompatibilityElements(block);
  ASSERT_FALSE(elements.empty()) << "no compatibility section read (" << block.size()
                                 << " bytes)";

  std::vector<std::string> declared;
  for (const DeclaredOs& element : elements) {
    EXPECT_EQ(static_cast<DWORD>(ACTCTX_COMPATIBILITY_ELEMENT_TYPE_OS), element.type);
    declared.push_back(GuidText(element.id));
  }
  std::sort(declared.begin(), declared.end());
  const std::vector<std::string> expected = {
      "{1F676C76-80E1-4239-95BB-83D0F6D0DA78}",  // Windows 8.1
      "{35138B9A-5D96-4FBD-8E2D-A2440225F93A}",  // Windows 7
      "{4A2F28E3-53B9-4441-BA9C-D69D4A4A6E38}",  // Windows 8
      "{8E0F7A12-BFB3-4FE8-B9A5-48FD50A15A9A}",  // Windows 10 and 11
  };
  EXPECT_EQ(expected, declared);
}

std::vector<char> ReadExe() {
  std::ifstream file(kExe, std::ios::binary);
  return std::vector<char>((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// The headers of the exe, which is built for the same architecture as this test.
const IMAGE_NT_HEADERS* NtHeaders(const std::vector<char>& bytes) {
  if (bytes.size() < sizeof(IMAGE_DOS_HEADER)) return nullptr;
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(bytes.data());
  if (dos->e_magic != IMAGE_DOS_SIGNATURE ||
      static_cast<size_t>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS) > bytes.size())
    return nullptr;
  return reinterpret_cast<const IMAGE_NT_HEADERS*>(bytes.data() + dos->e_lfanew);
}

TEST(ExeHeader, IsAWindowsGuiProgramOfThisArchitecture) {
  std::vector<char> bytes = ReadExe();
  const IMAGE_NT_HEADERS* nt = NtHeaders(bytes);
  ASSERT_NE(nullptr, nt);
  ASSERT_EQ(static_cast<DWORD>(IMAGE_NT_SIGNATURE), nt->Signature);
#ifdef _WIN64
  EXPECT_EQ(IMAGE_FILE_MACHINE_AMD64, nt->FileHeader.Machine);
  EXPECT_EQ(IMAGE_NT_OPTIONAL_HDR64_MAGIC, nt->OptionalHeader.Magic);
#else
  EXPECT_EQ(IMAGE_FILE_MACHINE_I386, nt->FileHeader.Machine);
  EXPECT_EQ(IMAGE_NT_OPTIONAL_HDR32_MAGIC, nt->OptionalHeader.Magic);
#endif
  // A GUI program: starting it opens no console window.
  EXPECT_EQ(IMAGE_SUBSYSTEM_WINDOWS_GUI, nt->OptionalHeader.Subsystem);
}

// Address-space randomisation needs the relocations the exe carries, as its
// own start-up code does not come from a runtime that would insist on them.
TEST(ExeHeader, KeepsAddressRandomisationAndDataExecutionPrevention) {
  std::vector<char> bytes = ReadExe();
  const IMAGE_NT_HEADERS* nt = NtHeaders(bytes);
  ASSERT_NE(nullptr, nt);
  const WORD flags = nt->OptionalHeader.DllCharacteristics;
  EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE) << std::hex << flags;
  EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_NX_COMPAT) << std::hex << flags;
#ifdef _WIN64
  EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA) << std::hex << flags;
#endif
  EXPECT_FALSE(nt->FileHeader.Characteristics & IMAGE_FILE_RELOCS_STRIPPED);
  ASSERT_GT(nt->OptionalHeader.NumberOfRvaAndSizes,
            static_cast<DWORD>(IMAGE_DIRECTORY_ENTRY_BASERELOC));
  EXPECT_GT(nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC].Size, 0u)
      << "no base relocations: the loader cannot move the exe";
}

}  // namespace
