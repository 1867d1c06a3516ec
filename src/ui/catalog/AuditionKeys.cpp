#include "AuditionKeys.h"

#include <algorithm>

namespace aru {

AuditionKeys::Action AuditionKeys::actionFor(int key, Qt::KeyboardModifiers modifiers,
                                             bool inSearchField) {
    if (key == Qt::Key_Escape)
        return Action::Escape;
    if (inSearchField)
        return Action::None;
    const bool shift = modifiers.testFlag(Qt::ShiftModifier);
    const bool control = modifiers.testFlag(Qt::ControlModifier);
    // Other shortcuts of the window (menus) keep their modifiers to themselves.
    if (modifiers.testFlag(Qt::AltModifier) || modifiers.testFlag(Qt::MetaModifier))
        return Action::None;
    if (control)
        return key == Qt::Key_F ? Action::FocusSearch : Action::None;
    switch (key) {
    case Qt::Key_Up:
        return Action::SelectPrevious;
    case Qt::Key_Down:
        return Action::SelectNext;
    case Qt::Key_PageUp:
        return Action::SelectPageUp;
    case Qt::Key_PageDown:
        return Action::SelectPageDown;
    case Qt::Key_Home:
        return Action::SelectFirst;
    case Qt::Key_End:
        return Action::SelectLast;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return Action::PlaySelected;
    case Qt::Key_Space:
        return Action::TogglePlayPause;
    case Qt::Key_Left:
        return shift ? Action::SeekFarBackward : Action::SeekBackward;
    case Qt::Key_Right:
        return shift ? Action::SeekFarForward : Action::SeekForward;
    case Qt::Key_F:
        return Action::ToggleFavorite;
    case Qt::Key_D:
        return Action::Download;
    case Qt::Key_I:
        return Action::ToggleInfo;
    case Qt::Key_Slash:
        return Action::FocusSearch;
    default:
        return Action::None;
    }
}

bool AuditionKeys::isSelectionMove(Action action) {
    switch (action) {
    case Action::SelectPrevious:
    case Action::SelectNext:
    case Action::SelectPageUp:
    case Action::SelectPageDown:
    case Action::SelectFirst:
    case Action::SelectLast:
        return true;
    default:
        return false;
    }
}

int AuditionKeys::movedSelection(Action action, int current, int count, int pageRows) {
    if (count <= 0)
        return -1;
    if (!isSelectionMove(action))
        return current;
    const int last = count - 1;
    const int page = std::max(pageRows, 1);
    if (current < 0) {
        const bool upwards = action == Action::SelectPrevious || action == Action::SelectPageUp ||
                             action == Action::SelectLast;
        return upwards ? last : 0;
    }
    int target = current;
    switch (action) {
    case Action::SelectPrevious:
        target = current - 1;
        break;
    case Action::SelectNext:
        target = current + 1;
        break;
    case Action::SelectPageUp:
        target = current - page;
        break;
    case Action::SelectPageDown:
        target = current + page;
        break;
    case Action::SelectFirst:
        target = 0;
        break;
    case Action::SelectLast:
        target = last;
        break;
    default:
        break;
    }
    return std::clamp(target, 0, last);
}

double AuditionKeys::seekOffset(Action action) {
    switch (action) {
    case Action::SeekBackward:
        return -seekStepSeconds;
    case Action::SeekForward:
        return seekStepSeconds;
    case Action::SeekFarBackward:
        return -farSeekStepSeconds;
    case Action::SeekFarForward:
        return farSeekStepSeconds;
    default:
        return 0;
    }
}

} // namespace aru
