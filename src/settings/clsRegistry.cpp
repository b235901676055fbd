#include "settings/clsRegistry.h"

#include <array>
#include <utility>
#include <vector>

#include "diag/CaughtError.h"
#include "diag/RaisedError.h"
#include "diag/Trace.h"

namespace qm {
namespace {

// Closes the key it opened on every path out, unless the caller closed it (and looked at the
// result) already.
class OpenedKey {
public:
    explicit OpenedKey(RegistryApi& api) : api_(api) {}
    ~OpenedKey() {
        if (open_) {
            api_.RegCloseKey(handle_);
        }
    }
    OpenedKey(const OpenedKey&) = delete;
    OpenedKey& operator=(const OpenedKey&) = delete;

    LONG Open(HKEY root, const std::string& subKey, REGSAM desired) {
        const LONG result = api_.RegOpenKeyExA(root, subKey, 0, desired, &handle_);
        open_ = result == ERROR_SUCCESS;
        return result;
    }
    LONG Close() {
        open_ = false;
        return api_.RegCloseKey(handle_);
    }
    bool IsOpen() const { return open_; }
    HKEY Handle() const { return handle_; }

private:
    RegistryApi& api_;
    HKEY handle_ = 0;
    bool open_ = false;
};

std::int32_t LittleEndian(const unsigned char* data, DWORD size) {
    std::uint32_t value = 0;
    for (DWORD i = 0; i < size && i < 4; ++i) {
        value |= static_cast<std::uint32_t>(data[i]) << (8 * i);
    }
    return static_cast<std::int32_t>(value);
}

std::array<unsigned char, 4> LittleEndianBytes(std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    return {static_cast<unsigned char>(bits), static_cast<unsigned char>(bits >> 8),
            static_cast<unsigned char>(bits >> 16), static_cast<unsigned char>(bits >> 24)};
}

const unsigned char* Bytes(const std::string& text) {
    return reinterpret_cast<const unsigned char*>(text.data());
}

// "&H" + part as a byte; false when the part is not one.
bool HexByte(const std::string& part, unsigned char& byte) {
    try {
        const std::int32_t value = Variant("&H" + part).ToLong();
        if (value < 0 || value > 255) {
            return false;
        }
        byte = static_cast<unsigned char>(value);
        return true;
    } catch (const RaisedError&) {
        return false;
    }
}

std::vector<std::string> SplitAtCommas(const std::string& text) {
    std::vector<std::string> parts;
    if (text.empty()) {
        return parts;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos) {
            return parts;
        }
        start = comma + 1;
    }
}

}  // namespace

std::string BinaryText(const unsigned char* data, std::size_t size) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(size * 3);
    for (std::size_t i = 0; i < size; ++i) {
        if (i > 0) {
            text += ',';
        }
        text += kDigits[data[i] >> 4];
        text += kDigits[data[i] & 0x0F];
    }
    return text;
}

std::int32_t clsRegistry::swapByteOrder(std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    return static_cast<std::int32_t>((bits >> 24) | ((bits >> 8) & 0x0000FF00u) |
                                     ((bits << 8) & 0x00FF0000u) | (bits << 24));
}

std::string clsRegistry::expandEnvironment(const std::string& text) {
    // First learn the size (its NUL included), then fetch into a buffer of that many characters
    // less the NUL.
    const DWORD needed = api_.ExpandEnvironmentStringsA(text, nullptr, 0);
    if (needed == 0) {
        throw RaisedError(err::InvalidProcedureCall, {}, "Invalid procedure call or argument");
    }
    std::string buffer(needed, '\0');
    const DWORD used = api_.ExpandEnvironmentStringsA(text, buffer.data(), needed);
    if (used == 0 || used > needed) {
        throw RaisedError(err::InvalidProcedureCall, {}, "Invalid procedure call or argument");
    }
    buffer.resize(needed - 1);
    const std::size_t nul = buffer.find('\0');
    if (nul != std::string::npos) {
        buffer.resize(nul);
    }
    return buffer;
}

bool clsRegistry::deleteValueName(HKEY hKEY, const std::string& lpSubKey, const std::string& lpValueName) {
    OpenedKey key(api_);
    const LONG opened = key.Open(hKEY, lpSubKey, KEY_ALL_ACCESS);
    // A value that is not there (nor its key) is as deleted as it can be: asking for its removal
    // must not count as a failure, or every save with the Run entry switched off would fail.
    if (opened == ERROR_FILE_NOT_FOUND) {
        return true;
    }
    if (opened != ERROR_SUCCESS) {
        return false;
    }
    const LONG deleted = api_.RegDeleteValueA(key.Handle(), lpValueName);
    const LONG closed = key.Close();
    return (deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND) && closed == ERROR_SUCCESS;
}

bool clsRegistry::setValue(HKEY hKEY, const std::string& lpSubKey, const std::string& lpValueName,
                           const Variant& vValue, DWORD lpType) {
    OpenedKey key(api_);
    try {
        // Never created here: a write to a key that does not exist fails.
        if (key.Open(hKEY, lpSubKey, KEY_WRITE) != ERROR_SUCCESS) {
            return false;
        }
        bool written = true;
        switch (lpType) {
            case REG_SZ: {
                const std::string text = vValue.ToText();
                written = api_.RegSetValueExA(key.Handle(), lpValueName, REG_SZ, Bytes(text),
                                              static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
                break;
            }
            case REG_EXPAND_SZ:
            case REG_MULTI_SZ: {
                const std::string text = vValue.ToText();
                written = api_.RegSetValueExA(key.Handle(), lpValueName, REG_SZ, Bytes(text),
                                              static_cast<DWORD>(text.size())) == ERROR_SUCCESS;
                break;
            }
            case REG_BINARY: {
                const std::vector<std::string> parts = SplitAtCommas(vValue.ToText());
                std::vector<unsigned char> bytes;
                written = !parts.empty();
                for (const std::string& part : parts) {
                    unsigned char byte = 0;
                    if (!HexByte(part, byte)) {
                        written = false;
                        break;
                    }
                    bytes.push_back(byte);
                }
                if (written) {
                    written = api_.RegSetValueExA(key.Handle(), lpValueName, REG_BINARY, bytes.data(),
                                                  static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
                }
                break;
            }
            case REG_DWORD: {
                const auto bytes = LittleEndianBytes(vValue.ToLong());
                written = api_.RegSetValueExA(key.Handle(), lpValueName, REG_DWORD, bytes.data(), 4) ==
                          ERROR_SUCCESS;
                break;
            }
            case REG_DWORD_BIG_ENDIAN: {
                const auto bytes = LittleEndianBytes(swapByteOrder(vValue.ToLong()));
                written = api_.RegSetValueExA(key.Handle(), lpValueName, REG_DWORD_BIG_ENDIAN, bytes.data(),
                                              4) == ERROR_SUCCESS;
                break;
            }
            default:
                break;  // other types are not written, and that counts as done
        }
        const LONG closed = key.Close();
        return written && closed == ERROR_SUCCESS;
    } catch (...) {
        return false;
    }
}

Variant clsRegistry::getValue(HKEY hKEY, const std::string& lpSubKey, const std::string& lpValueName) {
    static constexpr std::string_view kMethod = "clsRegistry.GetValue";
    Trace(kMethod, TraceEntry, "");
    valueUnreadable_ = false;
    OpenedKey key(api_);
    try {
        // A key or value that is simply not there is no problem of the store's: the caller takes
        // its default, or reports the missing setting itself when it has none. Anything else is
        // one, and its reason goes with it.
        const auto severity = [](LONG code) {
            return code == ERROR_FILE_NOT_FOUND ? TraceSeverity::Detail : TraceSeverity::Problem;
        };
        LONG result = key.Open(hKEY, lpSubKey, KEY_READ);
        if (result != ERROR_SUCCESS) {
            Trace(kMethod, TraceMessage, "Could not open key - Error was : " + std::to_string(result),
                  severity(result));
            Trace(kMethod, TraceError, "", severity(result));
            return {};
        }
        const auto valueFailed = [&](LONG code) {
            Trace(kMethod, TraceMessage, "Could not open Value - Error was : " + std::to_string(code),
                  severity(code));
            Trace(kMethod, TraceError, "", severity(code));
            valueUnreadable_ = code != ERROR_FILE_NOT_FOUND;
            key.Close();
        };

        unsigned char probe[ProbeSize] = {};
        DWORD type = REG_NONE;
        DWORD size = ProbeSize;
        result = api_.RegQueryValueExA(key.Handle(), lpValueName, &type, probe, &size);
        if (result != ERROR_SUCCESS) {
            valueFailed(result);
            return {};
        }

        // Fetches the data again into a buffer of exactly the probed size.
        std::vector<unsigned char> data;
        const auto fetch = [&](DWORD wanted) {
            data.assign(wanted, 0);
            DWORD fetched = wanted;
            DWORD fetchedType = REG_NONE;
            const LONG code =
                api_.RegQueryValueExA(key.Handle(), lpValueName, &fetchedType, data.data(), &fetched);
            if (code == ERROR_SUCCESS && fetched < wanted) {
                data.resize(fetched);
            }
            return code;
        };
        const auto text = [&]() {
            if (size == 0) {
                // A text needs its NUL: a size of 0 cannot make a buffer of -1 characters.
                throw RaisedError(err::InvalidProcedureCall, {}, "Invalid procedure call or argument");
            }
            const LONG code = fetch(size);
            if (code != ERROR_SUCCESS) {
                return std::pair<LONG, std::string>(code, {});
            }
            std::string chars(data.begin(), data.end());
            chars.resize(size - 1);
            return std::pair<LONG, std::string>(code, chars);
        };

        Variant value;
        switch (type) {
            case REG_SZ:
            case REG_MULTI_SZ: {
                Trace(kMethod, TraceMessage, "Type is REG_SZ or REG_MULTI_SZ");
                auto [code, chars] = text();
                if (code != ERROR_SUCCESS) {
                    valueFailed(code);
                    return {};
                }
                Trace(kMethod, TraceMessage, "Value is " + chars);
                value = std::move(chars);
                break;
            }
            case REG_EXPAND_SZ: {
                Trace(kMethod, TraceMessage, "Type is REG_EXPAND_SZ");
                auto [code, chars] = text();
                if (code != ERROR_SUCCESS) {
                    valueFailed(code);
                    return {};
                }
                value = expandEnvironment(chars);
                Trace(kMethod, TraceMessage, "Value is " + chars);
                break;
            }
            case REG_BINARY: {
                Trace(kMethod, TraceMessage, "Type is REG_BINARY");
                const LONG code = fetch(size);
                if (code != ERROR_SUCCESS) {
                    valueFailed(code);
                    return {};
                }
                value = BinaryText(data.data(), data.size());
                Trace(kMethod, TraceMessage, "Value is " + BinaryText(data.data(), data.empty() ? 0 : 1));
                break;
            }
            case REG_DWORD:
            case REG_DWORD_BIG_ENDIAN: {
                Trace(kMethod, TraceMessage,
                      "Type is REG_DWORD, REG_DWORD_BIG_ENDIAN, REG_DWORD_LITTLE_ENDIAN");
                const LONG code = fetch(4);
                if (code != ERROR_SUCCESS) {
                    valueFailed(code);
                    return {};
                }
                const std::int32_t number = LittleEndian(data.data(), static_cast<DWORD>(data.size()));
                if (type == REG_DWORD) {
                    value = number;
                    Trace(kMethod, TraceMessage, "Value is " + std::to_string(number));
                } else {
                    value = swapByteOrder(number);
                }
                break;
            }
            default:
                break;
        }

        result = key.Close();
        if (result != ERROR_SUCCESS) {
            Trace(kMethod, TraceMessage, "Could not Close Key - Error was : " + std::to_string(result),
                  TraceSeverity::Problem);
            Trace(kMethod, TraceError, "");
            return {};
        }
        Trace(kMethod, TraceExit, "");
        return value;
    } catch (...) {
        const CaughtError error = CurrentError();
        if (key.IsOpen()) {
            key.Close();
        }
        Trace(kMethod, TraceMessage, "Error : " + std::to_string(error.number) + " : " + error.description,
              TraceSeverity::Problem);
        Trace(kMethod, TraceError, "");
        return {};
    }
}

}  // namespace qm
