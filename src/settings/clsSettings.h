#pragma once

#include <memory>
#include <string>

#include "settings/RegistryApi.h"
#include "settings/Variant.h"
#include "settings/clsRegistry.h"

namespace qm {

// The settings-oriented front of the registry: bound to one hive and one base key, it reads a
// value with an optional default, writes a value with a stated registry type and deletes a
// value. A setting's key path is the base key immediately followed by the key name, so a base
// key that takes subkeys ends with a backslash.
class clsSettings {
public:
    explicit clsSettings(RegistryApi& api);

    // The value, or the default when the value is absent or unreadable. With no default a
    // missing value comes back as null after a TraceError report; no error ever escapes.
    // defaultNote begins the report of a default taken: a value that trees may lack by design
    // says so rather than looking like one that went missing.
    Variant GetRegistrySetting(const std::string& pstrKeyName, const std::string& pstrValueName,
                               const Variant& pvarDefaultValue = Variant::Missing(),
                               const char* defaultNote = "Default Value taken");
    void RegistryHive(HKEY penuRegistryHive) { RegistryHive_ = penuRegistryHive; }
    void RegistryBaseKey(std::string pstrRegistryBaseKey) {
        RegistryBaseKey_ = std::move(pstrRegistryBaseKey);
    }
    bool SetRegistrySetting(const std::string& pstrKeyName, const std::string& pstrValueName,
                            const Variant& pvarValue, DWORD penuType);
    // True also when the value was not there to begin with.
    bool DeleteRegistrySetting(const std::string& pstrKeyName, const std::string& pstrValueName);

private:
    std::unique_ptr<clsRegistry> registry_;
    HKEY RegistryHive_ = 0;
    std::string RegistryBaseKey_;
};

}  // namespace qm
