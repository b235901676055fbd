#pragma once

#include <QString>
#include <string>

namespace qm {

// Texts cross between the core (Windows-1252 bytes) and Qt (Unicode) only through these.
QString FromAnsi(const std::string& text);
// Characters with no Windows-1252 form become '?'.
std::string ToAnsi(const QString& text);

}  // namespace qm
