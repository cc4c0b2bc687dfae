#pragma once
// The main window's values that several of its panes share, in one object the window owns
// and passes to each pane that reads or writes them. No pane keeps a reference into
// another pane's fields: what they share is here, and only here.
#include <QString>
#include <array>
#include <cstdint>
#include <variant>

namespace tk {

// Empty, a number, or a text of digits; compared as a number, empty counting as 0.
using Variant = std::variant<std::monostate, double, QString>;

// The location the main window hands to the reader window, which reads it as it loads.
struct HandOff {
    QString ReaderTarget;
    Variant ReaderVolume;
    Variant ReaderPage;
    int16_t ReaderLine = 0;
};

// The arrangement the last collection click left, which the window's layout restores.
struct SavedLayout {
    std::array<float, 4> SavedTop{};
    float SavedListTop = 0;
    int16_t SavedListHeight = 0;
};

struct WindowState {
    // Frame1's width when the window loaded; the layout's left panel starts from it.
    int16_t LeftPanelStartWidth = 0;
    // Set by the collection buttons; the layout then keeps their arrangement.
    bool CollectionOpened = false;
    SavedLayout saved;
    // The left edge of the topic list's open button, set by every topic fill.
    int16_t RowButtonLeft = 0;
    HandOff handOff;
};

} // namespace tk
