#include "diag/CaughtError.h"

#include <exception>
#include <new>

#include "diag/RaisedError.h"

namespace qm {

CaughtError CurrentError() {
    try {
        throw;
    } catch (const RaisedError& error) {
        return {error.Number(), error.Source(), error.Description()};
    } catch (const std::bad_alloc&) {
        return {7, {}, "Out of memory"};
    } catch (const std::exception& error) {
        return {err::InvalidProcedureCall, {}, error.what()};
    } catch (...) {
        return {err::InvalidProcedureCall, {}, "Invalid procedure call or argument"};
    }
}

std::string TrappedErrorDescription() {
    return CurrentError().description;
}

std::string TrappedErrorReport() {
    const CaughtError error = CurrentError();
    return std::to_string(error.number) + ":" + error.source + ":" + error.description;
}

}  // namespace qm
