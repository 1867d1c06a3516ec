#pragma once

#include <utility>

namespace aru {

// Assigns `value` to `field` and emits `changed` on `owner`, only when the value differs: every
// observed field of the state notifies exactly on real changes.
template <typename Owner, typename T, typename U>
bool assignAndNotify(Owner* owner, T& field, U&& value, void (Owner::*changed)()) {
    if (field == value)
        return false;
    field = std::forward<U>(value);
    emit(owner->*changed)();
    return true;
}

} // namespace aru
