#pragma once

#include <Qt>
#include <QtQmlIntegration>

namespace aru {

// The catalogue screen's keyboard: which key does what, and where a move takes the selection.
// Plain rules, so the screen only forwards keys and carries out the answer.
class AuditionKeys {
    Q_GADGET

public:
    enum class Action {
        None,
        SelectPrevious,
        SelectNext,
        SelectPageUp,
        SelectPageDown,
        SelectFirst,
        SelectLast,
        PlaySelected,
        TogglePlayPause,
        SeekBackward,
        SeekForward,
        SeekFarBackward,
        SeekFarForward,
        ToggleFavorite,
        Download,
        ToggleInfo,
        FocusSearch,
        Escape,
    };
    Q_ENUM(Action)

    static constexpr double seekStepSeconds = 5;
    static constexpr double farSeekStepSeconds = 30;

    // The action of a key pressed on the screen. While the search field has the focus only
    // Escape acts: whatever is typed there is text.
    static Action actionFor(int key, Qt::KeyboardModifiers modifiers, bool inSearchField);
    // The row a selection move lands on, in a list of `count` rows showing `pageRows` at once;
    // `current` -1 is no selection (a move down starts at the first row, up at the last). -1
    // when the list is empty; the current row for an action that is not a move.
    static int movedSelection(Action action, int current, int count, int pageRows);
    static bool isSelectionMove(Action action);
    // Seconds to move the playing track by; 0 for an action that does not seek.
    static double seekOffset(Action action);
};

} // namespace aru
