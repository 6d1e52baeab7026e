#include "platform/tweakbar/Interaction.h"

#include "platform/tweakbar/VariableValue.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/WindowMessages.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace platform::tweakbar {

namespace {

constexpr std::size_t MaxEditLength = 64;
constexpr UINT VK_F24 = 0x87;

struct Found {
    ShownBar shown;
    Hit hit;
};

// The bar on top at a point: the last made of the visible bars that hold it.
std::optional<Found> BarAt(int x, int y)
{
    const std::vector<CTwBar*> bars = AllBarsInOrder();
    for (auto bar = bars.rbegin(); bar != bars.rend(); ++bar) {
        if (!(*bar)->placement.visible) continue;
        ShownBar shown = Show(**bar);
        const Hit hit = HitTest(shown.frame, x, y);
        if (hit.part != Hit::Part::None) return Found {std::move(shown), hit};
    }
    return std::nullopt;
}

const Variable* FindVariable(const std::string& barName, const std::string& variableName)
{
    const CTwBar* bar = FindBar(barName);
    return bar ? bar->FindVariable(variableName) : nullptr;
}

void ScrollTo(CTwBar& bar, const BarFrame& frame, int firstLine)
{
    bar.view.firstLine = std::clamp(firstLine, 0, frame.MaxFirstLine());
}

unsigned ButtonOf(UINT message)
{
    switch (message) {
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP: return 2;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP: return 4;
    default: return 8;
    }
}

bool Typeable(WPARAM character)
{
    return (character >= '0' && character <= '9') || (character != 0 && std::strchr("+-.eE ,", static_cast<int>(character)));
}

}  // namespace

ShownBar Show(CTwBar& bar)
{
    std::vector<Line> lines = BarLines(bar);
    const BarFrame frame = FrameOf(bar.placement, static_cast<int>(lines.size()), bar.view.firstLine);
    return ShownBar {&bar, std::move(lines), frame};
}

int Interaction::Handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (edit_.Active() && !EditShown()) edit_ = {};
    switch (message) {
    case WM_MOUSEMOVE: return MouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    case WM_LBUTTONDOWN: return LeftButtonDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    case WM_LBUTTONUP:
        mouseX_ = GET_X_LPARAM(lParam);
        mouseY_ = GET_Y_LPARAM(lParam);
        return LeftButtonUp();
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
        mouseX_ = GET_X_LPARAM(lParam);
        mouseY_ = GET_Y_LPARAM(lParam);
        if (captured_ || BarAt(mouseX_, mouseY_)) return 1;
        elsewhere_ |= ButtonOf(message);
        return 0;
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_XBUTTONUP:
        mouseX_ = GET_X_LPARAM(lParam);
        mouseY_ = GET_Y_LPARAM(lParam);
        return OtherButtonUp(ButtonOf(message));
    // The wheel's coordinates are the screen's: the last client position stands in.
    case WM_MOUSEWHEEL: return Wheel(GET_WHEEL_DELTA_WPARAM(wParam));
    case WM_KEYDOWN: return KeyDown(static_cast<UINT>(wParam));
    case WM_CHAR: return Character(wParam);
    default: return 0;
    }
}

const Edit& Interaction::CurrentEdit()
{
    if (edit_.Active() && !EditShown()) edit_ = {};
    return edit_;
}

void Interaction::Reset() { *this = Interaction(); }

int Interaction::MouseMove(int x, int y)
{
    mouseX_ = x;
    mouseY_ = y;
    if (!captured_) return elsewhere_ == 0 && BarAt(x, y) ? 1 : 0;
    const Variable* variable = pressDrags_ ? FindVariable(pressBar_, pressVariable_) : nullptr;
    if (!variable) return 1;
    const int moved = x - pressX_;
    if (!dragging_ && std::abs(moved) >= DragThreshold) {
        dragging_ = true;
        if (edit_.bar == pressBar_ && edit_.variable == pressVariable_) edit_ = {};
    }
    if (dragging_) WriteNumber(*variable, pressValue_ + moved * LimitsOf(*variable).step);
    return 1;
}

int Interaction::LeftButtonDown(int x, int y)
{
    mouseX_ = x;
    mouseY_ = y;
    std::optional<Found> found = BarAt(x, y);
    if (edit_.Active()) {
        const bool onEditedRow = found && found->hit.part == Hit::Part::Line && found->shown.bar->name == edit_.bar &&
                                 found->shown.lines[found->hit.line].kind == Line::Kind::Variable &&
                                 found->shown.bar->variables[found->shown.lines[found->hit.line].index].name ==
                                     edit_.variable;
        if (!onEditedRow) EndEdit(true);
    }
    if (!found) {
        elsewhere_ |= LeftButton;
        return 0;
    }

    CTwBar& bar = *found->shown.bar;
    const BarFrame& frame = found->shown.frame;
    captured_ = true;
    pressBar_ = bar.name;
    pressVariable_.clear();
    pressDrags_ = false;
    dragging_ = false;
    pressX_ = x;
    if (found->hit.part == Hit::Part::ScrollBar) {
        const int page = std::max(1, frame.wholeRows);
        if (y < frame.thumbTop) ScrollTo(bar, frame, frame.firstLine - page);
        if (y >= frame.thumbBottom) ScrollTo(bar, frame, frame.firstLine + page);
        return 1;
    }
    if (found->hit.part != Hit::Part::Line) return 1;

    const Line& line = found->shown.lines[found->hit.line];
    if (line.kind == Line::Kind::Group) {
        if (!bar.view.foldedGroups.erase(line.group)) bar.view.foldedGroups.insert(line.group);
    } else if (line.kind == Line::Kind::Button) {
        // The callback may make or delete bars, this one too: it is the last thing done.
        const Button& button = bar.buttons[line.index];
        const TwButtonCallback callback = button.callback;
        void* const clientData = button.clientData;
        if (callback) callback(clientData);
    } else {
        const Variable& variable = bar.variables[line.index];
        if (variable.type == TW_TYPE_BOOLCPP) {
            ToggleBool(variable);
        } else if (ComponentCount(variable.type) > 0) {
            pressVariable_ = variable.name;
            pressDrags_ = IsScalarNumber(variable.type);
            if (pressDrags_) pressValue_ = ReadNumber(variable);
        }
    }
    return 1;
}

int Interaction::LeftButtonUp()
{
    if (!captured_) return OtherButtonUp(LeftButton);
    captured_ = false;
    const Variable* variable = pressVariable_.empty() ? nullptr : FindVariable(pressBar_, pressVariable_);
    const bool selected = edit_.bar == pressBar_ && edit_.variable == pressVariable_;
    if (variable && !dragging_ && !selected) BeginEdit(pressBar_, *variable);
    pressVariable_.clear();
    pressDrags_ = false;
    dragging_ = false;
    return 1;
}

int Interaction::OtherButtonUp(unsigned button)
{
    if (elsewhere_ & button) {
        elsewhere_ &= ~button;
        return 0;
    }
    return captured_ || BarAt(mouseX_, mouseY_) ? 1 : 0;
}

int Interaction::Wheel(int delta)
{
    std::optional<Found> found = BarAt(mouseX_, mouseY_);
    if (!found) return 0;
    int lines = -delta * WheelLines / WHEEL_DELTA;
    if (lines == 0 && delta != 0) lines = delta > 0 ? -1 : 1;
    ScrollTo(*found->shown.bar, found->shown.frame, found->shown.frame.firstLine + lines);
    return 1;
}

int Interaction::KeyDown(UINT key)
{
    if (!edit_.Active() || (key >= VK_F1 && key <= VK_F24)) return 0;
    if (key == VK_RETURN) {
        EndEdit(true);
    } else if (key == VK_ESCAPE) {
        EndEdit(false);
    } else if (key == VK_BACK) {
        if (edit_.replaceOnType) {
            edit_.text.clear();
        } else if (!edit_.text.empty()) {
            edit_.text.pop_back();
        }
        edit_.replaceOnType = false;
    }
    return 1;
}

int Interaction::Character(WPARAM character)
{
    if (!edit_.Active()) return 0;
    if (Typeable(character)) {
        if (edit_.replaceOnType) edit_.text.clear();
        edit_.replaceOnType = false;
        if (edit_.text.size() < MaxEditLength) edit_.text += static_cast<char>(character);
    }
    return 1;
}

void Interaction::BeginEdit(const std::string& bar, const Variable& variable)
{
    edit_ = Edit {bar, variable.name, ValueText(variable), true};
}

void Interaction::EndEdit(bool write)
{
    const Variable* variable = write ? FindVariable(edit_.bar, edit_.variable) : nullptr;
    if (variable) WriteText(*variable, edit_.text);
    edit_ = {};
}

bool Interaction::EditShown() const
{
    CTwBar* bar = FindBar(edit_.bar);
    const Variable* variable = bar ? bar->FindVariable(edit_.variable) : nullptr;
    if (!variable || !bar->placement.visible) return false;
    const std::vector<Line> lines = BarLines(*bar);
    return std::any_of(lines.begin(), lines.end(), [&](const Line& line) {
        return line.kind == Line::Kind::Variable && &bar->variables[line.index] == variable;
    });
}

}  // namespace platform::tweakbar
