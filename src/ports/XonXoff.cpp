#include "ports/XonXoff.h"

#include "ports/SerialControl.h"
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
    const SettingsRecord& s = settings;
    const XonXoffConflict all[] = {
        {"N_ASCII", "move north", s.N_ASCII()},
        {"S_ASCII", "move south", s.S_ASCII()},
        {"W_ASCII", "move west", s.W_ASCII()},
        {"E_ASCII", "move east", s.E_ASCII()},
        {"NE_ASCII", "move north east", s.NE_ASCII()},
        {"NW_ASCII", "move north west", s.NW_ASCII()},
        {"SW_ASCII", "move south west", s.SW_ASCII()},
        {"SE_ASCII", "move south east", s.SE_ASCII()},
        {"STOP_ASCII", "stop", s.STOP_ASCII()},
        {"LEFT_SCLICK_ASCII", "left click", s.LEFT_SCLICK_ASCII()},
        {"LEFT_DCLICK_ASCII", "left double click", s.LEFT_DCLICK_ASCII()},
        {"RIGHT_SCLICK_ASCII", "right click", s.RIGHT_SCLICK_ASCII()},
        {"RIGHT_DCLICK_ASCII", "right double click", s.RIGHT_DCLICK_ASCII()},
    };
    std::vector<XonXoffConflict> conflicts;
    for (const XonXoffConflict& action : all) {
        if (SwallowedByHandshaking(action.code, handshaking)) {
            conflicts.push_back(action);
        }
    }
    return conflicts;
}

}  // namespace qm
