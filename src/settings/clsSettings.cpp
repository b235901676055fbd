#include "settings/clsSettings.h"

#include "diag/CaughtError.h"
#include "diag/RaisedError.h"
#include "diag/Trace.h"

namespace qm {

clsSettings::clsSettings(RegistryApi& api) : registry_(std::make_unique<clsRegistry>(api)) {}

Variant clsSettings::GetRegistrySetting(const std::string& pstrKeyName, const std::string& pstrValueName,
                                        const Variant& pvarDefaultValue, const char* defaultNote) {
    static constexpr std::string_view kMethod = "clsSettings.GetRegistrySetting";
    Trace(kMethod, TraceEntry, "");
    try {
        Variant value = registry_->getValue(RegistryHive_, RegistryBaseKey_ + pstrKeyName, pstrValueName);
        if (!value.IsEmpty() && !value.IsNull()) {
            Trace(kMethod, TraceMessage,
                  "Value found for KeyName - " + pstrKeyName + "\\" + pstrValueName + " = " + value.ToText());
            Trace(kMethod, TraceExit, "");
            return value;
        }
        if (!pvarDefaultValue.IsMissing()) {
            Trace(kMethod, TraceMessage,
                  std::string(defaultNote) + " for KeyName - " + pstrKeyName + "\\" + pstrValueName);
            Trace(kMethod, TraceExit, "");
            return pvarDefaultValue;
        }
        throw RaisedError(err::MissingSetting, std::string(kMethod),
                          "No Default Value specified for missing Registry Setting : " + pstrKeyName + "\\" +
                              pstrValueName);
    } catch (...) {
        const CaughtError error = CurrentError();
        Trace(kMethod, TraceError,
              std::to_string(error.number) + ":" + error.source + ":" + error.description);
        return Variant::Null();
    }
}

bool clsSettings::SetRegistrySetting(const std::string& pstrKeyName, const std::string& pstrValueName,
                                     const Variant& pvarValue, DWORD penuType) {
    static constexpr std::string_view kMethod = "clsSettings.SetRegistrySetting";
    Trace(kMethod, TraceEntry, "");
    try {
        const bool written = registry_->setValue(RegistryHive_, RegistryBaseKey_ + pstrKeyName, pstrValueName,
                                                 pvarValue, penuType);
        Trace(kMethod, TraceExit, "");
        return written;
    } catch (...) {
        Trace(kMethod, TraceError, CurrentError().description);
        return false;
    }
}

bool clsSettings::DeleteRegistrySetting(const std::string& pstrKeyName, const std::string& pstrValueName) {
    static constexpr std::string_view kMethod = "clsSettings.DeleteRegistrySetting";
    Trace(kMethod, TraceEntry, "");
    try {
        const bool deleted =
            registry_->deleteValueName(RegistryHive_, RegistryBaseKey_ + pstrKeyName, pstrValueName);
        Trace(kMethod, TraceExit, "");
        return deleted;
    } catch (...) {
        Trace(kMethod, TraceError, CurrentError().description);
        return false;
    }
}

}  // namespace qm
