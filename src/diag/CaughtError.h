#pragma once

#include <cstdint>
#include <string>

namespace qm {

// The number, source and description of the exception being handled, for a method's own error
// handler. Call it only inside a catch block. Errors that did not travel as RaisedError get the
// run-time numbers they stand for (7 for memory, 5 otherwise).
struct CaughtError {
    std::int32_t number = 0;
    std::string source;
    std::string description;
};

CaughtError CurrentError();

// What an error handler traces: the description alone, or "number:source:description".
std::string TrappedErrorDescription();
std::string TrappedErrorReport();

}  // namespace qm
