#include "settings/clsSettings.h"

#include "diag/CaughtError.h"
#include "diag/RaisedError.h"
#include "diag/Trace.h"
#include "diag/Traced.h"

namespace qm {

clsSettings::clsSettings(RegistryApi& api) : registry_(std::make_unique<clsRegistry>(api)) {}

Variant clsSettings::GetRegistrySetting(const std::string& pstrKeyName, const std::string& pstrValueName,
                                        const Variant& pvarDefaultValue, const char* defaultNote) {
    static constexpr std::string_view kMethod = "clsSettings.GetRegistrySetting";
    return Traced<ErrorReport::Full>(kMethod, Variant::Null(), [&]() -> Variant {
        Variant value = registry_->getValue(RegistryHive_, RegistryBaseKey_ + pstrKeyName, pstrValueName);
        if (!value.IsEmpty() && !value.IsNull()) {
            Trace(kMethod, TraceMessage,
                  "Value found for KeyName - " + pstrKeyName + "\\" + pstrValueName + " = " + value.ToText());
            return value;
        }
        if (!pvarDefaultValue.IsMissing()) {
            Trace(kMethod, TraceMessage,
                  std::string(defaultNote) + " for KeyName - " + pstrKeyName + "\\" + pstrValueName);
            return pvarDefaultValue;
        }
        throw RaisedError(err::MissingSetting, std::string(kMethod),
                          "No Default Value specified for missing Registry Setting : " + pstrKeyName + "\\" +
                              pstrValueName);
    });
}

bool clsSettings::SetRegistrySetting(const std::string& pstrKeyName, const std::string& pstrValueName,
                                     const Variant& pvarValue, DWORD penuType) {
    static constexpr std::string_view kMethod = "clsSettings.SetRegistrySetting";
    return Traced(kMethod, false, [&] {
        const bool written = registry_->setValue(RegistryHive_, RegistryBaseKey_ + pstrKeyName, pstrValueName,
                                                 pvarValue, penuType);
        return written;
    });
}

bool clsSettings::DeleteRegistrySetting(const std::string& pstrKeyName, const std::string& pstrValueName) {
    static constexpr std::string_view kMethod = "clsSettings.DeleteRegistrySetting";
    return Traced(kMethod, false, [&] {
        const bool deleted =
            registry_->deleteValueName(RegistryHive_, RegistryBaseKey_ + pstrKeyName, pstrValueName);
        return deleted;
    });
}

}  // namespace qm
