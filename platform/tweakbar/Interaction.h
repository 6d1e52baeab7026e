#pragma once
// What the mouse and the keyboard do to the bars (TwEventWin):
//
//   - Left button down on a bar: on a button's row calls the button; on a boolean's row
//     flips it; on a group's heading folds or unfolds the group; on the scroll bar above
//     or below the thumb scrolls a page of whole rows. The mouse then belongs to the bars
//     until the button goes up, wherever it moves.
//   - On a number's row (integer or floating point), moving the mouse DragThreshold (3)
//     pixels or more sideways while the button is down drags the value: it becomes the
//     value at the press plus one step per pixel moved right of the press (minus to the
//     left), clamped to min and max. Letting go without dragging, and a click on the row
//     of a colour, direction or quaternion, selects the row for typing.
//   - Typing into a selected row: characters (WM_CHAR) replace the shown value at first,
//     then are appended; Backspace deletes the last one; Enter writes the text (clamped to
//     min and max; text that is no number leaves the value) and ends typing; Escape ends
//     it without writing. A left button down anywhere but the row ends typing as Enter
//     does. While typing, WM_CHAR and WM_KEYDOWN of all but the function keys F1-F24 are
//     the bar's.
//   - The wheel over a bar scrolls it by 3 lines a notch (120).
//   - Any mouse message over a visible bar, and every one while the mouse belongs to the
//     bars, is the bar's: the camera under a bar does not move. A button pressed outside
//     the bars keeps the mouse's moves, and its release, away from them (a camera drag
//     goes on over a bar).

#include "platform/tweakbar/Bars.h"
#include "platform/tweakbar/Layout.h"
#include "platform/win/Types.h"

#include <string>
#include <vector>

namespace platform::tweakbar {

constexpr int DragThreshold = 3;
constexpr int WheelLines = 3;

// A row selected for typing.
struct Edit {
    std::string bar;  // empty: nothing is selected
    std::string variable;
    std::string text;
    bool replaceOnType = true;

    bool Active() const { return !bar.empty(); }
};

// A visible bar with its lines and where they are.
struct ShownBar {
    CTwBar* bar;
    std::vector<Line> lines;
    BarFrame frame;
};

ShownBar Show(CTwBar& bar);

class Interaction {
public:
    // Non-zero when a bar used the message.
    int Handle(UINT message, WPARAM wParam, LPARAM lParam);
    // The row selected for typing; none once its bar, variable or row is gone.
    const Edit& CurrentEdit();
    // Forgets the press and the typing.
    void Reset();

private:
    int MouseMove(int x, int y);
    int LeftButtonDown(int x, int y);
    int LeftButtonUp();
    int OtherButtonUp(unsigned button);
    int Wheel(int delta);
    int KeyDown(UINT key);
    int Character(WPARAM character);

    void BeginEdit(const std::string& bar, const Variable& variable);
    void EndEdit(bool write);
    bool EditShown() const;

    int mouseX_ = 0;
    int mouseY_ = 0;
    bool captured_ = false;
    std::string pressBar_;
    std::string pressVariable_;  // a variable whose row was pressed: dragged or selected
    bool pressDrags_ = false;
    int pressX_ = 0;
    double pressValue_ = 0.0;
    bool dragging_ = false;
    // Buttons pressed outside the bars and not released yet: 1 left, 2 right, 4 middle, 8 X.
    static constexpr unsigned LeftButton = 1;
    unsigned elsewhere_ = 0;
    Edit edit_;
};

}  // namespace platform::tweakbar
