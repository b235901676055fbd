#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "settings/hive/HiveKey.h"

namespace qm {

// Where and why a hive's text did not read.
struct RegFormatError {
    std::size_t line = 0;  // 1-based
    std::string reason;
};

// The registry editor's REGEDIT4 export format, one file per root key:
//
//   REGEDIT4
//
//   [HKEY_LOCAL_MACHINE\Software\Tallowmer\Quillmotion]
//   "PortName"="COM1:"
//   "BaudRate"=dword:00000960
//   @="1.00"
//   "Blob"=hex:0a,ff
//   "Path"=hex(2):25,54,45,4d,50,25,00
//
// Texts are Windows-1252 bytes, as REGEDIT4 files are. Every key has a section, in
// enumeration order; data that a plain text or dword line cannot carry exactly (a REG_SZ
// without its NUL, a dword of another size) is written as hex(N), so reading gives back the
// very bytes and types that were written.
class RegFormat {
public:
    static std::string Write(const HiveKey& root, const std::string& rootName);
    // The parts of such a text, for a writer that walks its keys itself: the header line with
    // the blank line after it, and one key's section (the [path] line, a line per value and a
    // blank line). Any data, whatever its bytes, reads back as it was given.
    static std::string Header();
    static std::string Section(const std::string& path, const std::vector<HiveValue>& values);

    // The hive, or nothing when the text is not such a file: no header (a UTF-8 byte-order
    // mark before it is allowed), a line that is not a section, value, comment or blank,
    // control bytes, a section outside the root, or a text or hex list cut short, a key nested
    // deeper than kMaxKeyDepth. Reading takes time in proportion to the text, however it is
    // shaped.
    static std::optional<HiveKey> Read(const std::string& text, const std::string& rootName,
                                       RegFormatError& error);
};

}  // namespace qm
