#pragma once

#include <cstdint>
#include <string>

#include "settings/RegistryApi.h"
#include "settings/Variant.h"

namespace qm {

// The registry as the settings reach it: each operation opens its key, does one thing and closes
// the key again, so no key stays open between calls. Registry failures never escape as errors;
// they show as an empty Variant or false.
//
// Reads go through a 255-byte probe first, so a value whose data is longer cannot be read.
// Binary data travels as text: two upper-case hexadecimal digits per byte joined by ","
// ("0A,FF,00").
class clsRegistry {
public:
    static constexpr DWORD ProbeSize = 255;

    explicit clsRegistry(RegistryApi& api) : api_(api) {}

    bool deleteValueName(HKEY hKEY, const std::string& lpSubKey, const std::string& lpValueName);
    bool setValue(HKEY hKEY, const std::string& lpSubKey, const std::string& lpValueName,
                  const Variant& vValue, DWORD lpType);
    Variant getValue(HKEY hKEY, const std::string& lpSubKey, const std::string& lpValueName);
    // True when the last getValue found its value but could not read it (too long for the probe,
    // for one): unlike an absent value, its data is there and meant something else.
    bool valueUnreadable() const { return valueUnreadable_; }

private:
    static std::int32_t swapByteOrder(std::int32_t value);
    std::string expandEnvironment(const std::string& text);

    RegistryApi& api_;
    bool valueUnreadable_ = false;
};

// Bytes as the registry classes show binary data: "0A,FF,00".
std::string BinaryText(const unsigned char* data, std::size_t size);

}  // namespace qm
