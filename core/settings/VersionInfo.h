// VersionInfo: reads a file's version block (the VS_VERSIONINFO tree kept in an ELF section of
// its own) and answers queries on it as VerQueryValue does.
#pragma once

#include "platform/WinTypes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hookwise::core {

// VS_FIXEDFILEINFO: 13 DWORDs, 52 bytes.
struct FixedFileInfo {
    DWORD dwSignature = 0; // 0xFEEF04BD
    DWORD dwStrucVersion = 0;
    DWORD dwFileVersionMS = 0;
    DWORD dwFileVersionLS = 0;
    DWORD dwProductVersionMS = 0;
    DWORD dwProductVersionLS = 0;
    DWORD dwFileFlagsMask = 0;
    DWORD dwFileFlags = 0;
    DWORD dwFileOS = 0;
    DWORD dwFileType = 0;
    DWORD dwFileSubtype = 0;
    DWORD dwFileDateMS = 0;
    DWORD dwFileDateLS = 0;
};
static_assert(sizeof(FixedFileInfo) == 52);

constexpr DWORD kFixedFileInfoSignature = 0xFEEF04BD;

class VersionInfo {
public:
    static constexpr std::array<const char*, 8> kEntryNames = {
        "CompanyName",    "FileDescription",  "FileVersion", "InternalName",
        "LegalCopyright", "OriginalFilename", "ProductName", "ProductVersion"};

    // Reads the version section of the ELF file path. True when the file has one whose fixed
    // block carries the signature 0xFEEF04BD. A missing file, a file that is not ELF, a damaged
    // one, or one without the section gives false with nothing loaded.
    bool Load(const std::string& path);
    // The same over a version block already in memory (tests, other containers).
    bool LoadBlock(std::vector<std::uint8_t> block);

    // The text of StringFileInfo entry entryName under the translation pair ("\StringFileInfo\" +
    // %04x language %04x code page + "\" + entryName); "" when nothing is loaded or it is missing.
    std::string Query(std::string_view entryName) const;

    // VerQueryValue: the value of the node at subBlock ("\" is the fixed block), path parts
    // matched ignoring case. False when nothing is loaded or there is no such node.
    bool QueryValue(std::string_view subBlock, const std::uint8_t** value, std::size_t* size) const;

    const FixedFileInfo& Fixed() const { return fixed_; }
    // The translation pair: from "\VarFileInfo\Translation" when it holds 4 bytes or more, else
    // language 0 and code page 1252 (so queries go to "000004e4").
    WORD LanguageId() const { return languageId_; }
    WORD CodePage() const { return codePage_; }

private:
    std::vector<std::uint8_t> block_;
    FixedFileInfo fixed_;
    WORD languageId_ = 0;
    WORD codePage_ = 1252;
};

// Query("FileVersion") of the running program / of programFolder + "/libbaitlib.so"; "" when the
// file has no version block.
std::string ProgramVersionText();
std::string EngineVersionText(const std::string& programFolder);

} // namespace hookwise::core
