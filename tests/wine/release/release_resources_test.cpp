// What Windows shows of mapper.exe and disabler.exe before they run: the
// version block of the file properties (product, version, description, read
// through the translation the block declares, as Explorer reads it), the
// manifest (common controls 6 for the themed controls and the up-down
// control; asInvoker so that no elevation prompt comes up) and the icon.
// The version must be the project's own, so a release never carries a stale
// number in one of its programs.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <ostream>
#include <string>

#include "tests/wine/release/program_under_test.h"

namespace {

struct ReleasedProgram {
    const wchar_t* exe;
    const wchar_t* internalName;
    const wchar_t* description;
    const char* assemblyName;
    int iconId;
};

const ReleasedProgram kPrograms[] = {
    {L"mapper.exe", L"mapper", L"Pamuro ジョイスティック・キー変換", "Pamuro.Mapper", 102},
    {L"disabler.exe", L"disabler", L"ジョイスティック無効化ツール", "Pamuro.Disabler", 102},
};

// Failures name the program, not the bytes of its table row.
void PrintTo(const ReleasedProgram& program, std::ostream* out) {
    *out << testing::PrintToString(std::wstring(program.exe));
}

std::wstring Widen(const char* text) {
    return std::wstring(text, text + strlen(text));
}

const std::wstring kVersion = Widen(PAMURO_VERSION_TEXT);
// CREATEPROCESS_MANIFEST_RESOURCE_ID: the manifest the loader applies at start.
constexpr int kProcessManifestId = 1;

class ReleasedProgramResources : public ::testing::TestWithParam<ReleasedProgram> {
  protected:
    void SetUp() override { path_ = ProgramUnderTest(GetParam().exe); }
    std::wstring path_;
};

// The file's version block; empty when it has none.
std::string VersionBlock(const std::wstring& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    std::string block(size, '\0');
    if (size == 0 || !GetFileVersionInfoW(path.c_str(), 0, size, &block[0])) {
        return {};
    }
    return block;
}

std::wstring StringValue(std::string& block, const std::wstring& key) {
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(&block[0], key.c_str(), &value, &length) || length == 0) {
        return L"(missing)";
    }
    return static_cast<const wchar_t*>(value);
}

TEST_P(ReleasedProgramResources, VersionBlockNamesTheProductAndTheProjectVersion) {
    std::string block = VersionBlock(path_);
    ASSERT_FALSE(block.empty()) << "no version resource in " << testing::PrintToString(path_);

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(&block[0], L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    const DWORD versionMs = (PAMURO_VERSION_MAJOR << 16) | PAMURO_VERSION_MINOR;
    const DWORD versionLs = PAMURO_VERSION_PATCH << 16;
    EXPECT_EQ(fixed->dwFileVersionMS, versionMs);
    EXPECT_EQ(fixed->dwFileVersionLS, versionLs);
    EXPECT_EQ(fixed->dwProductVersionMS, versionMs);
    EXPECT_EQ(fixed->dwProductVersionLS, versionLs);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    // Explorer reads the strings of the first translation the block lists.
    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(&block[0], L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(translation[0], 0x0411) << "language: Japanese";
    EXPECT_EQ(translation[1], 1200) << "code page: Unicode";
    wchar_t table[64];
    wsprintfW(table, L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);

    const struct {
        const wchar_t* key;
        std::wstring expected;
    } strings[] = {
        {L"ProductName", L"Pamuro"},
        {L"ProductVersion", kVersion},
        {L"FileVersion", kVersion},
        {L"FileDescription", GetParam().description},
        {L"InternalName", GetParam().internalName},
        {L"OriginalFilename", GetParam().exe},
    };
    for (const auto& entry : strings) {
        EXPECT_EQ(StringValue(block, table + std::wstring(entry.key)), entry.expected)
            << testing::PrintToString(std::wstring(entry.key));
    }
}

// A module loaded for its resources only; freed at the end of the test.
class ResourceModule {
  public:
    explicit ResourceModule(const std::wstring& path)
        : module_(LoadLibraryExW(path.c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
    ~ResourceModule() {
        if (module_ != nullptr) {
            FreeLibrary(module_);
        }
    }
    ResourceModule(const ResourceModule&) = delete;
    ResourceModule& operator=(const ResourceModule&) = delete;

    bool Loaded() const { return module_ != nullptr; }
    // `type` is one of the RT_ ids, which are narrow in this ANSI program.
    bool Has(LPCSTR type, int id) const {
        return FindResourceA(module_, MAKEINTRESOURCEA(id), type) != nullptr;
    }
    // The resource's bytes; empty when it is missing.
    std::string Bytes(LPCSTR type, int id) const {
        HRSRC found = FindResourceA(module_, MAKEINTRESOURCEA(id), type);
        HGLOBAL loaded = found ? LoadResource(module_, found) : nullptr;
        const void* data = loaded ? LockResource(loaded) : nullptr;
        if (data == nullptr) {
            return {};
        }
        return std::string(static_cast<const char*>(data), SizeofResource(module_, found));
    }

  private:
    HMODULE module_;
};

// The value of `attribute` in the first <assemblyIdentity> element whose
// name is `name`; "(none)" when there is no such element or attribute.
std::string IdentityAttribute(const std::string& manifest, const std::string& name,
                              const std::string& attribute) {
    for (size_t at = manifest.find("<assemblyIdentity"); at != std::string::npos;
         at = manifest.find("<assemblyIdentity", at + 1)) {
        const std::string element = manifest.substr(at, manifest.find('>', at) - at);
        if (element.find(" name=\"" + name + "\"") == std::string::npos) {
            continue;
        }
        const std::string key = " " + attribute + "=\"";
        const size_t value = element.find(key);
        if (value == std::string::npos) {
            return "(none)";
        }
        const size_t start = value + key.size();
        return element.substr(start, element.find('"', start) - start);
    }
    return "(none)";
}

TEST_P(ReleasedProgramResources, ManifestAsksForCommonControls6AndNoElevation) {
    ResourceModule module(path_);
    ASSERT_TRUE(module.Loaded()) << "cannot load " << testing::PrintToString(path_);
    const std::string manifest = module.Bytes(RT_MANIFEST, kProcessManifestId);
    ASSERT_FALSE(manifest.empty()) << "no manifest resource 1";

    EXPECT_EQ(IdentityAttribute(manifest, "Microsoft.Windows.Common-Controls", "version"),
              "6.0.0.0");
    EXPECT_EQ(IdentityAttribute(manifest, GetParam().assemblyName, "version"),
              std::string(PAMURO_VERSION_TEXT) + ".0");
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);

    // The loader refuses to start a program whose manifest it cannot parse;
    // an activation context built from the same resource proves it parses.
    ACTCTXW context = {};
    context.cbSize = sizeof context;
    context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = path_.c_str();
    context.lpResourceName = MAKEINTRESOURCEW(kProcessManifestId);
    HANDLE activation = CreateActCtxW(&context);
    EXPECT_NE(activation, INVALID_HANDLE_VALUE) << "manifest rejected, error " << GetLastError();
    if (activation != INVALID_HANDLE_VALUE) {
        ReleaseActCtx(activation);
    }
}

TEST_P(ReleasedProgramResources, CarriesItsIconForTheShell) {
    ResourceModule module(path_);
    ASSERT_TRUE(module.Loaded());
    EXPECT_TRUE(module.Has(RT_GROUP_ICON, GetParam().iconId));
}

INSTANTIATE_TEST_SUITE_P(Release, ReleasedProgramResources, ::testing::ValuesIn(kPrograms),
                         [](const testing::TestParamInfo<ReleasedProgram>& info) {
                             return std::string(
                                 info.param.internalName,
                                 info.param.internalName + wcslen(info.param.internalName));
                         });

}  // namespace
