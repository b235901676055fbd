#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace qm {

// Errors travel the way the design says they do: a number, a source and a description.
// Methods with the trace skeleton catch them in their own handler; nothing else should.
class RaisedError : public std::runtime_error {
public:
    RaisedError(std::int32_t number, std::string source, std::string description)
        : std::runtime_error(description),
          number_(number),
          source_(std::move(source)),
          description_(std::move(description)) {}

    std::int32_t Number() const noexcept { return number_; }
    const std::string& Source() const noexcept { return source_; }
    const std::string& Description() const noexcept { return description_; }

private:
    std::int32_t number_;
    std::string source_;
    std::string description_;
};

// The run-time error numbers the program raises and relies on.
namespace err {
inline constexpr std::int32_t Overflow = 6;
inline constexpr std::int32_t TypeMismatch = 13;
inline constexpr std::int32_t InvalidUseOfNull = 94;
inline constexpr std::int32_t InvalidProcedureCall = 5;
// Application-defined errors sit on this base.
inline constexpr std::int32_t ObjectErrorBase = static_cast<std::int32_t>(0x80040000u);
inline constexpr std::int32_t MissingSetting = ObjectErrorBase + 1000;  // -2147220504

[[noreturn]] inline void RaiseOverflow(std::string source = {}) {
    throw RaisedError(Overflow, std::move(source), "Overflow");
}
[[noreturn]] inline void RaiseTypeMismatch(std::string source = {}) {
    throw RaisedError(TypeMismatch, std::move(source), "Type mismatch");
}
[[noreturn]] inline void RaiseInvalidUseOfNull(std::string source = {}) {
    throw RaisedError(InvalidUseOfNull, std::move(source), "Invalid use of Null");
}
}  // namespace err

}  // namespace qm
