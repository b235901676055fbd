// The serial line settings text. Any text is either refused with the control's "invalid
// property value" error, or stands for settings whose canonical text reads back as the same
// settings and is itself canonical.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "diag/RaisedError.h"
#include "ports/LineSettings.h"
#include "ports/SerialErrors.h"

namespace {

[[noreturn]] void Broken(const char* what, const std::string& detail) {
    std::fprintf(stderr, "invariant broken: %s\n%s\n", what, detail.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    qm::LineSettings settings;
    try {
        settings = qm::LineSettings::Parse(text);
    } catch (const qm::RaisedError& error) {
        if (error.Number() != qm::comInvalidPropertyValue) {
            Broken("a refusal is an invalid property value", error.Description());
        }
        return 0;
    }
    if (settings.baudRate <= 0 || settings.dataBits < 4 || settings.dataBits > 8) {
        Broken("accepted settings lie in range", std::string(text));
    }
    const std::string canonical = settings.ToString();
    qm::LineSettings reread;
    try {
        reread = qm::LineSettings::Parse(canonical);
    } catch (const qm::RaisedError& error) {
        Broken("the canonical text is accepted", canonical + ": " + error.Description());
    }
    if (!(reread == settings) || reread.ToString() != canonical) {
        Broken("the canonical text stands for the same settings", canonical);
    }
    return 0;
}
