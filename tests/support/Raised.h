#pragma once

#include <cstdint>
#include <string>

#include "diag/RaisedError.h"

namespace qm::test {

// The error a call raises: its number (0 when it raised none) and description.
struct Raised {
    std::int32_t number = 0;
    std::string description;
};
template <class Call>
Raised RaisedBy(Call&& call) {
    try {
        call();
    } catch (const RaisedError& error) {
        return {error.Number(), error.Description()};
    }
    return {};
}

}  // namespace qm::test
