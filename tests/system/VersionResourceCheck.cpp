// Reads the version resource of a program file as Windows does (GetFileVersionInfoW,
// VerQueryValueW) and compares it with the program's identity. Run under Wine on the built
// Brellow.exe (ctest) and on the one the installer put into Program Files.
//
//   version-resource-check PROGRAM.exe
#include "BuildIdentity.h"

#include <cstdio>
#include <string>
#include <vector>
#include <windows.h>

namespace {

// Every difference is told, not only the first: a wrong resource is usually wrong in more
// than one field.
bool allAsExpected = true;

void expect(const char* what, bool holds) {
    std::printf("%s %s\n", holds ? "ok  " : "FAIL", what);
    allAsExpected = allAsExpected && holds;
}

void expectEqual(const char* what, const std::string& actual, const std::string& expected) {
    expect(what, actual == expected);
    if (actual != expected) {
        std::printf("     read \"%s\", expected \"%s\"\n", actual.c_str(), expected.c_str());
    }
}

std::string utf8(const wchar_t* text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(size > 0 ? size - 1 : 0), '\0');
    if (size > 1) {
        ::WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), size, nullptr, nullptr);
    }
    return result;
}

std::string stringValue(const std::vector<char>& data, const wchar_t* name) {
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
    void* value = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(data.data(), path.c_str(), &value, &length) || value == nullptr) {
        return "(missing)";
    }
    return utf8(static_cast<const wchar_t*>(value));
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: version-resource-check PROGRAM.exe\n");
        return 2;
    }
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(argv[1], &ignored);
    std::vector<char> data(size);
    const bool read = size > 0 && ::GetFileVersionInfoW(argv[1], 0, size, data.data());
    expect("the program has a version resource", read);
    if (!read) {
        return 1;
    }

    namespace id = brellow::identity;
    expectEqual("ProductName", stringValue(data, L"ProductName"), std::string(id::kProductName));
    expectEqual("InternalName", stringValue(data, L"InternalName"), std::string(id::kInternalName));
    expectEqual("OriginalFilename", stringValue(data, L"OriginalFilename"),
                std::string(id::kOriginalFilename));
    expectEqual("CompanyName", stringValue(data, L"CompanyName"), std::string(id::kCompanyName));
    expectEqual("Comments", stringValue(data, L"Comments"), std::string(id::kComments));
    expectEqual("FileVersion", stringValue(data, L"FileVersion"), std::string(id::kVersionString));
    expectEqual("ProductVersion", stringValue(data, L"ProductVersion"),
                std::string(id::kVersionString));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedLength = 0;
    const bool hasFixed =
        ::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedLength) &&
        fixed != nullptr && fixedLength >= sizeof(VS_FIXEDFILEINFO);
    expect("the fixed file information is there", hasFixed);
    if (hasFixed) {
        // major.minor.0.revision, as 1.0.0.5.
        const std::string fileVersion = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                                        std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                                        std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
                                        std::to_string(LOWORD(fixed->dwFileVersionLS));
        const std::string expected = std::to_string(id::kVersionMajor) + "." +
                                     std::to_string(id::kVersionMinor) + ".0." +
                                     std::to_string(id::kVersionRevision);
        expectEqual("fixed file version", fileVersion, expected);
        expect("an application", fixed->dwFileType == VFT_APP);
    }

    DWORD* translation = nullptr;
    UINT translationLength = 0;
    const bool hasTranslation =
        ::VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                         reinterpret_cast<void**>(&translation), &translationLength) &&
        translationLength >= sizeof(DWORD);
    expect("English (United States), Unicode",
           hasTranslation && LOWORD(*translation) == 0x0409 && HIWORD(*translation) == 0x04B0);

    // The icon group the window and the shell show.
    HMODULE module = ::LoadLibraryExW(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE);
    expect("the program carries its icon",
           module != nullptr && ::FindResourceW(module, L"IDI_ICON1", RT_GROUP_ICON) != nullptr);
    if (module != nullptr) {
        ::FreeLibrary(module);
    }
    return allAsExpected ? 0 : 1;
}
