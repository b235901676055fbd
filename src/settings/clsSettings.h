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
    Variant GetRegistrySetting(const std::string& keyName, const std::string& valueName,
                               const Variant& defaultValue = Variant::Missing(),
                               const char* defaultNote = "Default Value taken");
    // True when the last read found its value but could not read it, and so took the default.
    bool LastValueUnreadable() const { return registry_->valueUnreadable(); }
    void RegistryHive(HKEY hive) { RegistryHive_ = hive; }
    void RegistryBaseKey(std::string baseKey) { RegistryBaseKey_ = std::move(baseKey); }
    bool SetRegistrySetting(const std::string& keyName, const std::string& valueName, const Variant& value,
                            DWORD type);
    // True also when the value was not there to begin with.
    bool DeleteRegistrySetting(const std::string& keyName, const std::string& valueName);

private:
    std::unique_ptr<clsRegistry> registry_;
    HKEY RegistryHive_ = 0;
    std::string RegistryBaseKey_;
};

}  // namespace qm
