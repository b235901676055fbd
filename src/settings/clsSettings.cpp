#include "settings/clsSettings.h"

#include "diag/CaughtError.h"
#include "diag/RaisedError.h"
#include "diag/Trace.h"
#include "diag/Traced.h"

namespace qm {

clsSettings::clsSettings(RegistryApi& api) : registry_(std::make_unique<clsRegistry>(api)) {}

Variant clsSettings::GetRegistrySetting(const std::string& keyName, const std::string& valueName,
                                        const Variant& defaultValue, const char* defaultNote) {
    static constexpr std::string_view kMethod = "clsSettings.GetRegistrySetting";
    return Traced<ErrorReport::Full>(kMethod, Variant::Null(), [&]() -> Variant {
        Variant value = registry_->getValue(RegistryHive_, RegistryBaseKey_ + keyName, valueName);
        if (!value.IsEmpty() && !value.IsNull()) {
            Trace(kMethod, TraceMessage,
                  "Value found for KeyName - " + keyName + "\\" + valueName + " = " + value.ToText());
            return value;
        }
        if (!defaultValue.IsMissing()) {
            Trace(kMethod, TraceMessage,
                  std::string(defaultNote) + " for KeyName - " + keyName + "\\" + valueName);
            return defaultValue;
        }
        throw RaisedError(
            err::MissingSetting, std::string(kMethod),
            "No Default Value specified for missing Registry Setting : " + keyName + "\\" + valueName);
    });
}

bool clsSettings::SetRegistrySetting(const std::string& keyName, const std::string& valueName,
                                     const Variant& value, DWORD type) {
    static constexpr std::string_view kMethod = "clsSettings.SetRegistrySetting";
    return Traced(kMethod, false, [&] {
        const bool written =
            registry_->setValue(RegistryHive_, RegistryBaseKey_ + keyName, valueName, value, type);
        return written;
    });
}

bool clsSettings::DeleteRegistrySetting(const std::string& keyName, const std::string& valueName) {
    static constexpr std::string_view kMethod = "clsSettings.DeleteRegistrySetting";
    return Traced(kMethod, false, [&] {
        const bool deleted = registry_->deleteValueName(RegistryHive_, RegistryBaseKey_ + keyName, valueName);
        return deleted;
    });
}

}  // namespace qm
