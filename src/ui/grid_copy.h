#pragma once
// What copying reads from a list view besides its texts: the key codes by which its chords are
// recognised, and its selected rows.

#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <QKeyEvent>

#include <vector>

namespace querimo {

// A chord counts when the key pressed just before was Ctrl. Keys are told apart by code: Ctrl
// is 17 and a letter is its capital's code, whatever the modifiers.
inline constexpr int kVirtualKeyControl = 17;
inline constexpr int kVirtualKeyA = 'A';
inline constexpr int kVirtualKeyC = 'C';

// Letters and digits keep their codes; every other key has a code of its own beyond those.
inline int VirtualKey(const QKeyEvent& event) {
    return event.key() == Qt::Key_Control ? kVirtualKeyControl : event.key();
}

// Unordered; a row may appear more than once.
inline std::vector<int> SelectedRows(const QAbstractItemView& view) {
    std::vector<int> rows;
    if (const QItemSelectionModel* selection = view.selectionModel()) {
        for (const QItemSelectionRange& range : selection->selection()) {
            for (int row = range.top(); row <= range.bottom(); ++row) {
                rows.push_back(row);
            }
        }
    }
    return rows;
}

}  // namespace querimo
