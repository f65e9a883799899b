#pragma once

#include <utility>

// Sets field to value; true when that changed it, so that a setter tells the world, or
// redraws, only on a change.
template <typename T, typename U>
[[nodiscard]] bool assignIfChanged(T &field, U &&value)
{
    if (field == value)
        return false;
    field = std::forward<U>(value);
    return true;
}
