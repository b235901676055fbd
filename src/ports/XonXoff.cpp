#include "ports/XonXoff.h"

#include "ports/SerialControl.h"
#include "settings/SettingsLayout.h"
#include "settings/SettingsRecord.h"

namespace qm {

bool SwallowedByHandshaking(std::int32_t code, std::int32_t handshaking) {
    return handshaking == comXOnXoff && (code == kXonCode || code == kXoffCode);
}

std::string FlowControlCodeName(std::int32_t code) {
    if (code == kXonCode) {
        return "XON";
    }
    if (code == kXoffCode) {
        return "XOFF";
    }
    return {};
}

std::vector<XonXoffConflict> XonXoffConflicts(const SettingsRecord& settings, std::int32_t handshaking) {
    std::vector<XonXoffConflict> conflicts;
    for (const layout::Setting& setting : layout::Settings()) {
        // The action codes are the settings with a meaning; an optional one may be unset (-1).
        if (*setting.fallback.meaning == '\0') {
            continue;
        }
        const std::int32_t code = layout::Value(setting, settings).ToLong();
        if (SwallowedByHandshaking(code, handshaking)) {
            conflicts.push_back({setting.valueName, setting.fallback.meaning, code});
        }
    }
    return conflicts;
}

}  // namespace qm
