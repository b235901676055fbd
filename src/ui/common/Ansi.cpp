#include "ui/common/Ansi.h"

#include "diag/Cp1252.h"

namespace qm {

QString FromAnsi(const std::string& text) {
    QString out;
    out.reserve(static_cast<qsizetype>(text.size()));
    for (char c : text) {
        out += QChar(static_cast<char16_t>(Cp1252ToUnicode(static_cast<unsigned char>(c))));
    }
    return out;
}

std::string ToAnsi(const QString& text) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (QChar c : text) {
        const int byte = UnicodeToCp1252(c.unicode());
        out += byte < 0 ? '?' : static_cast<char>(byte);
    }
    return out;
}

}  // namespace qm
