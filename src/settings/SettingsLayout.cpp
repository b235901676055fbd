#include "settings/SettingsLayout.h"

#include <stdexcept>
#include <type_traits>

#include "settings/SettingsRecord.h"

namespace qm::layout {

const std::vector<Setting>& Settings() {
    using R = SettingsRecord;
    const char* const movement = "Mouse\\Movement";
    const char* const buttons = "Mouse\\Buttons";
    const char* const lastPort = "Ports\\LastPort";
    // The codes an installation starts with are control characters from 1 to 26, leaving out 8,
    // 9, 10 and 13 (Backspace, Tab, line feed and Enter), which devices and people send as keys,
    // and 17 and 19 (XON and XOFF), which a line with Xon/Xoff handshaking swallows.
    static const std::vector<Setting> settings = [&] {
        std::vector<Setting> rows = {
            {"", "TracingEnabled", kNeverSaved, 0, &R::TracingEnabled_},
            {"Version", "", REG_SZ, "1.00", &R::Version_},
            {"", "ConnectOnApplicationStartup", REG_DWORD, 0, &R::ConnectOnApplicationStartup_},
            {"", "RunOnSystemStartup", REG_DWORD, 0, &R::RunOnSystemStartup_},
            {movement, "MovementIncrementX", REG_DWORD, 2, &R::MovementIncrementX_},
            {movement, "MovementIncrementY", REG_DWORD, 2, &R::MovementIncrementY_},
            {movement, "MovementDelay", REG_DWORD, 2, &R::MovementDelay_},
            {movement, "N_ASCII", REG_DWORD, Code(1, "move North"), &R::N_ASCII_},
            {movement, "E_ASCII", REG_DWORD, Code(2, "move East"), &R::E_ASCII_},
            {movement, "S_ASCII", REG_DWORD, Code(3, "move South"), &R::S_ASCII_},
            {movement, "W_ASCII", REG_DWORD, Code(4, "move West"), &R::W_ASCII_},
            {movement, "NE_ASCII", REG_DWORD, Code(5, "move North East"), &R::NE_ASCII_},
            {movement, "NW_ASCII", REG_DWORD, Code(6, "move North West"), &R::NW_ASCII_},
            {movement, "SE_ASCII", REG_DWORD, Code(7, "move South East"), &R::SE_ASCII_},
            {movement, "SW_ASCII", REG_DWORD, Code(11, "move South West"), &R::SW_ASCII_},
            {movement, "STOP_ASCII", REG_DWORD, Code(12, "stop moving"), &R::STOP_ASCII_},
            {movement, "BouncyMouse", REG_DWORD, 0, &R::BouncyMouse_},
            {movement, "BouncyMouseAngle", REG_DWORD, 90, &R::BouncyMouseAngle_},
            {buttons, "LEFT_SCLICK_ASCII", REG_DWORD, Code(14, "left single click"), &R::LEFT_SCLICK_ASCII_},
            {buttons, "LEFT_DCLICK_ASCII", REG_DWORD, Code(15, "left double click"), &R::LEFT_DCLICK_ASCII_},
            {buttons, "RIGHT_SCLICK_ASCII", REG_DWORD, Code(16, "right single click"),
             &R::RIGHT_SCLICK_ASCII_},
            {buttons, "RIGHT_DCLICK_ASCII", REG_DWORD, Code(18, "right double click"),
             &R::RIGHT_DCLICK_ASCII_},
            {"Ports", "TestPorts", REG_DWORD, 0, &R::TestPorts_},
            {lastPort, "BaudRate", REG_DWORD, 2400, &R::BaudRate_},
            {lastPort, "DataBits", REG_DWORD, 8, &R::DataBits_},
            {lastPort, "FlowControl", REG_SZ, "None", &R::FlowControl_},
            {lastPort, "Handshaking", REG_SZ, "None", &R::Handshaking_},
            {lastPort, "Parity", REG_SZ, "None", &R::Parity_},
            {lastPort, "PortName", REG_SZ, "COM1:", &R::PortName_},
            {lastPort, "StopBits", REG_DWORD, 1, &R::StopBits_},
            {"Emulation", "ASCIISequence", REG_DWORD, 0, &R::ASCIISequence_},
        };
        // Added later, each off or at its default while absent; matched after the thirteen codes.
        for (const AddedCode& code : kAddedCodes) {
            rows.push_back(
                {code.key, code.valueName, REG_DWORD, OptionalCode(code.meaning), code.action, true});
        }
        rows.insert(rows.end(),
                    {
                        {movement, "Acceleration", REG_DWORD, 0, &R::Acceleration_, true},
                        {movement, "AccelerationMaximum", REG_DWORD, 4, &R::AccelerationMaximum_, true},
                        {movement, "AccelerationTime", REG_DWORD, 1000, &R::AccelerationTime_, true},
                        {movement, "AccelerationStart", REG_DWORD,
                         Described(25, "start in percent of the increments"), &R::AccelerationStart_, true},
                        {"", "ReconnectAutomatically", REG_DWORD, 1, &R::ReconnectAutomatically_, true},
                    });
        return rows;
    }();
    return settings;
}

const Setting& Find(std::string_view valueName) {
    for (const Setting& setting : Settings()) {
        if (valueName == setting.valueName) {
            return setting;
        }
    }
    throw std::invalid_argument("no setting is stored as " + std::string(valueName));
}

std::string ValuePath(const Setting& setting) {
    std::string key = kBaseKey + std::string(setting.key);
    if (key.back() == '\\') {
        key.pop_back();
    }
    const std::string name = setting.valueName;
    return "HKEY_LOCAL_MACHINE\\" + key + (name.empty() ? " (its unnamed value)" : "\\" + name);
}

std::string SetCommand(const Setting& setting, const std::string& data) {
    const std::string name = setting.valueName;
    return "quillmotion-settings set \"" + std::string(setting.key) + "\" " + (name.empty() ? "\"\"" : name) +
           (IsText(setting) ? " REG_SZ " : " REG_DWORD ") + data;
}

std::string NotOffered(const Setting& setting, const std::string& stored, const std::string& offered) {
    return ValuePath(setting) + " holds " + (IsText(setting) ? "\"" + stored + "\"" : stored) +
           ", which is not one of " + offered +
           ". Mend it, for example with: " + SetCommand(setting, setting.fallback.value.ToText());
}

void Load(const Setting& setting, SettingsRecord& record, const Variant& value) {
    struct Converter {
        SettingsRecord& record;
        const Variant& value;
        void operator()(std::int16_t SettingsRecord::*field) const { record.*field = value.ToInteger(); }
        void operator()(std::int32_t SettingsRecord::*field) const { record.*field = value.ToLong(); }
        void operator()(float SettingsRecord::*field) const { record.*field = value.ToSingle(); }
        void operator()(std::string SettingsRecord::*field) const { record.*field = value.ToText(); }
        void operator()(CodeAction action) const { record.Code(action, value.ToInteger()); }
    };
    std::visit(Converter{record, value}, setting.field);
}

namespace {

// The value a setting's field holds in a record.
template <typename T>
const T& Held(const SettingsRecord& record, T SettingsRecord::*field) {
    return record.*field;
}
std::int16_t Held(const SettingsRecord& record, CodeAction action) {
    return record.Code(action);
}

}  // namespace

Variant Value(const Setting& setting, const SettingsRecord& record) {
    return std::visit([&](auto field) { return Variant(Held(record, field)); }, setting.field);
}

bool HoldsDefault(const Setting& setting, const SettingsRecord& record) {
    const Variant& fallback = setting.fallback.value;
    if (fallback.IsMissing()) {
        return false;
    }
    const Variant value = Value(setting, record);
    return IsText(setting) ? value.ToText() == fallback.ToText() : value.ToSingle() == fallback.ToSingle();
}

bool IsText(const Setting& setting) {
    return std::holds_alternative<std::string SettingsRecord::*>(setting.field);
}

bool SameValue(const Setting& setting, const SettingsRecord& a, const SettingsRecord& b) {
    return std::visit([&](auto field) { return Held(a, field) == Held(b, field); }, setting.field);
}

bool SameValues(const SettingsRecord& a, const SettingsRecord& b) {
    for (const Setting& setting : Settings()) {
        if (!SameValue(setting, a, b)) {
            return false;
        }
    }
    return true;
}

void CopyValue(const Setting& setting, const SettingsRecord& from, SettingsRecord& to) {
    std::visit(
        [&](auto field) {
            if constexpr (std::is_same_v<decltype(field), CodeAction>) {
                to.Code(field, from.Code(field));
            } else {
                to.*field = from.*field;
            }
        },
        setting.field);
}

}  // namespace qm::layout
