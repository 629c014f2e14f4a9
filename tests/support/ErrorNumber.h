#pragma once

#include "ado/DbError.h"

#include <cstdint>
#include <functional>

namespace brellow::testsupport {

// The number of the component's error that the action raises; 0 when it raises none.
inline std::int32_t errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const ado::DbError& error) {
        return error.number();
    }
    return 0;
}

} // namespace brellow::testsupport
