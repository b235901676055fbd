#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "settings/RegistryApi.h"
#include "settings/Variant.h"

namespace qm {

// A general registry wrapper: each operation opens its key, does one thing and closes the key
// again, so no key stays open between calls. Registry failures never escape as errors; they
// show as an empty Variant, false, 0 or an empty list.
//
// Operations that take an optional root key use the RootKey, SubKey and (where they take one)
// ValueName fields instead of their arguments when the root key is 0 or left out.
//
// Reads go through a 255-byte probe first, so a value whose data is longer cannot be read.
// Binary data travels as text: two upper-case hexadecimal digits per byte joined by ","
// ("0A,FF,00").
class clsRegistry {
public:
    // Row 1 of the table is the value's name, row 2 its value; one column per value.
    using ValueTable = std::vector<std::pair<std::string, Variant>>;

    static constexpr DWORD ProbeSize = 255;

    explicit clsRegistry(RegistryApi& api) : api_(api) {}

    bool enumValues(ValueTable& lpValues, std::int32_t& lpSize, HKEY hKEY = 0,
                    const std::string& lpSubKey = {});
    std::vector<std::string> enumSubKeys(HKEY hKEY = 0, const std::string& lpSubKey = {});
    bool deleteValueName(HKEY hKEY = 0, const std::string& lpSubKey = {},
                         const std::string& lpValueName = {});
    bool deleteKey(HKEY hKEY = 0, const std::string& lpSubKey = {});
    bool createKey(HKEY hKEY = 0, const std::string& lpSubKey = {});
    bool setValue(HKEY hKEY, const std::string& lpSubKey, const std::string& lpValueName,
                  const Variant& vValue, DWORD lpType);
    Variant getValue(HKEY hKEY = 0, const std::string& lpSubKey = {}, const std::string& lpValueName = {});
    DWORD getValueNameType(HKEY hKEY = 0, const std::string& lpSubKey = {},
                           const std::string& lpValueName = {});
    bool SubKeyExists(HKEY hKEY = 0, const std::string& lpSubKey = {});
    bool ValueNameExists(HKEY hKEY = 0, const std::string& lpSubKey = {},
                         const std::string& lpValueName = {});

    HKEY RootKey() const { return RootKey_; }
    void RootKey(HKEY eData) { RootKey_ = eData; }
    const std::string& SubKey() const { return SubKey_; }
    void SubKey(std::string szData) { SubKey_ = std::move(szData); }
    const std::string& ValueName() const { return ValueName_; }
    void ValueName(std::string szData) { ValueName_ = std::move(szData); }
    DWORD ValueType() const { return ValueType_; }
    void ValueType(DWORD eData) { ValueType_ = eData; }

    Variant Value() { return getValue(RootKey_, SubKey_, ValueName_); }
    void Value(const Variant& vData) { setValue(RootKey_, SubKey_, ValueName_, vData, ValueType_); }

private:
    static std::int32_t swapByteOrder(std::int32_t value);
    std::string expandEnvironment(const std::string& text);
    Variant Convert(DWORD type, const unsigned char* data, DWORD size);

    RegistryApi& api_;
    HKEY RootKey_ = 0;
    std::string SubKey_;
    std::string ValueName_;
    DWORD ValueType_ = 0;
};

// Bytes as the registry classes show binary data: "0A,FF,00".
std::string BinaryText(const unsigned char* data, std::size_t size);

}  // namespace qm
