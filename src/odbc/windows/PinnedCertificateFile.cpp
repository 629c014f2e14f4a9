#include "PinnedCertificateFile.h"

#include "text/Utf16Text.h"

#include <array>
#include <fstream>
#include <windows.h>

namespace brellow::odbc {

PinnedCertificateFile::PinnedCertificateFile(const std::string& pem) {
    std::array<wchar_t, MAX_PATH + 1> folder{};
    std::array<wchar_t, MAX_PATH + 1> name{};
    const DWORD length = GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
    // GetTempFileName makes the file, with a name no other program holds.
    if (length == 0 || length > folder.size() ||
        GetTempFileNameW(folder.data(), L"brl", 0, name.data()) == 0) {
        return;
    }
    widePath_ = name.data();
    std::ofstream out(widePath_.c_str(), std::ios::binary | std::ios::trunc);
    out << pem;
    out.close();
    if (!out) {
        return;
    }
    path_ = text::Utf16Text::toUtf8(
        std::u16string_view(reinterpret_cast<const char16_t*>(widePath_.data()), widePath_.size()));
}

PinnedCertificateFile::~PinnedCertificateFile() {
    if (!widePath_.empty()) {
        DeleteFileW(widePath_.c_str());
    }
}

} // namespace brellow::odbc
