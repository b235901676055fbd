#pragma once

#include <concepts>
#include <string_view>
#include <type_traits>
#include <utility>

#include "diag/CaughtError.h"
#include "diag/Trace.h"

namespace qm {

// What a method's error report says of the error it caught: its description alone, or
// "number:source:description".
enum class ErrorReport { Description, Full };

namespace detail {
template <ErrorReport report>
void TraceCaught(std::string_view method) {
    Trace(method, TraceError, report == ErrorReport::Full ? TrappedErrorReport() : TrappedErrorDescription());
}
}  // namespace detail

// The shape every traced method shares: the entry report, the body, the exit report once the
// body has returned, and, when anything escapes the body, the error report instead, with
// `onError` as the method's result. A body that must leave without the exit report is not this
// shape and writes its reports itself.
template <ErrorReport report = ErrorReport::Description, typename Result, std::invocable Body>
requires std::convertible_to<std::invoke_result_t<Body>, Result> Result Traced(std::string_view method,
                                                                               Result onError, Body&& body) {
    Trace(method, TraceEntry, "");
    try {
        Result result = std::forward<Body>(body)();
        Trace(method, TraceExit, "");
        return result;
    } catch (...) {
        detail::TraceCaught<report>(method);
        return onError;
    }
}

template <ErrorReport report = ErrorReport::Description, std::invocable Body>
requires std::is_void_v<std::invoke_result_t<Body>>
void Traced(std::string_view method, Body&& body) {
    Trace(method, TraceEntry, "");
    try {
        std::forward<Body>(body)();
        Trace(method, TraceExit, "");
    } catch (...) {
        detail::TraceCaught<report>(method);
    }
}

}  // namespace qm
