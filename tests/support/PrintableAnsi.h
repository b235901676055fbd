#pragma once

#include <string>

#include "diag/Cp1252.h"

namespace qm::test {

// Every printable character of Windows-1252, in code order: 0x20 to 0x7E and 0x80 to 0xFF
// without the five codes the code page leaves undefined (they stand for C1 controls).
inline std::string PrintableAnsi() {
    std::string printable;
    for (int code = 0x20; code <= 0xFF; ++code) {
        if (code != 0x7F && !(code >= 0x80 && Cp1252ToUnicode(static_cast<unsigned char>(code)) < 0xA0)) {
            printable += static_cast<char>(code);
        }
    }
    return printable;
}

}  // namespace qm::test
