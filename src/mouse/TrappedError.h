#pragma once

#include <exception>
#include <string>

#include "diag/RaisedError.h"

namespace qm {

// The description a method's own error handler traces for the error it has just caught.
// Call only inside a catch block.
inline std::string TrappedErrorDescription() {
    try {
        throw;
    } catch (const RaisedError& error) {
        return error.Description();
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return "Unknown error";
    }
}

}  // namespace qm
