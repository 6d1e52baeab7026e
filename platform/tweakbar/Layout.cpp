#include "platform/tweakbar/Layout.h"

#include <algorithm>
#include <map>

namespace platform::tweakbar {

namespace {

std::string GroupOf(const CTwBar& bar, const EntryRef& entry)
{
    return entry.kind == EntryRef::Kind::Variable ? bar.variables[entry.index].Param("group")
                                                  : bar.buttons[entry.index].Param("group");
}

std::string SetLabel(const CTwBar& bar, const std::string& name)
{
    const auto found = bar.parameters.find(name);
    if (found == bar.parameters.end()) return {};
    const auto label = found->second.find("label");
    return label == found->second.end() ? std::string() : label->second;
}

std::string LabelOf(const CTwBar& bar, const EntryRef& entry)
{
    if (entry.kind == EntryRef::Kind::Button) {
        const Button& button = bar.buttons[entry.index];
        const std::string label = button.Param("label");
        return label.empty() ? button.name : label;
    }
    const Variable& variable = bar.variables[entry.index];
    std::string label = SetLabel(bar, variable.name);
    if (label.empty()) label = variable.Param("label");
    return label.empty() ? variable.name : label;
}

Line LineOf(const CTwBar& bar, const EntryRef& entry, int depth)
{
    const Line::Kind kind = entry.kind == EntryRef::Kind::Variable ? Line::Kind::Variable : Line::Kind::Button;
    return Line {kind, depth, LabelOf(bar, entry), {}, entry.index};
}

}  // namespace

std::vector<Line> BarLines(const CTwBar& bar)
{
    // Top-level items in order; a group is one item holding its entries.
    struct Item {
        const EntryRef* entry = nullptr;
        std::string group;
        std::vector<const EntryRef*> members;
    };
    std::vector<Item> items;
    std::map<std::string, std::size_t> groupItems;
    for (const EntryRef& entry : bar.entries) {
        const std::string group = GroupOf(bar, entry);
        if (group.empty()) {
            items.push_back(Item {&entry, {}, {}});
            continue;
        }
        const auto [found, added] = groupItems.emplace(group, items.size());
        if (added) items.push_back(Item {nullptr, group, {}});
        items[found->second].members.push_back(&entry);
    }

    std::vector<Line> lines;
    for (const Item& item : items) {
        if (item.entry) {
            lines.push_back(LineOf(bar, *item.entry, 0));
            continue;
        }
        const std::string label = SetLabel(bar, item.group);
        lines.push_back(Line {Line::Kind::Group, 0, label.empty() ? item.group : label, item.group, 0});
        if (bar.view.foldedGroups.count(item.group) != 0) continue;
        for (const EntryRef* member : item.members) lines.push_back(LineOf(bar, *member, 1));
    }
    return lines;
}

int BarFrame::MaxFirstLine() const { return std::max(0, lineCount - std::max(1, wholeRows)); }

int BarFrame::LineAtRow(int row) const
{
    if (row < 1 || row > rows) return -1;
    const int line = firstLine + row - 1;
    return line < lineCount ? line : -1;
}

BarFrame FrameOf(const BarPlacement& placement, int lineCount, int firstLine)
{
    BarFrame frame;
    frame.x = std::clamp(placement.x, -MaxCoordinate, MaxCoordinate);
    frame.y = std::clamp(placement.y, -MaxCoordinate, MaxCoordinate);
    frame.width = std::clamp(placement.width, 0, MaxCoordinate);
    frame.height = std::clamp(placement.height, 0, MaxCoordinate);
    frame.lineCount = std::max(0, lineCount);
    const int below = std::max(0, frame.height - RowHeight);
    frame.wholeRows = below / RowHeight;
    frame.rows = (below + RowHeight - 1) / RowHeight;
    frame.firstLine = std::clamp(firstLine, 0, frame.MaxFirstLine());
    frame.scrollBar = frame.rows > 0 && frame.lineCount > frame.wholeRows;
    if (frame.scrollBar) {
        const int trackTop = frame.y + RowHeight;
        const int track = below;
        const int shown = std::max(1, frame.wholeRows);
        const int thumb = std::clamp(track * shown / frame.lineCount, std::min(MinThumbLength, track), track);
        const int maxFirst = frame.MaxFirstLine();
        frame.thumbTop = trackTop + (maxFirst > 0 ? (track - thumb) * frame.firstLine / maxFirst : 0);
        frame.thumbBottom = frame.thumbTop + thumb;
    }
    const int textWidth = frame.width - TextLeft - TextRightMargin - (frame.scrollBar ? ScrollBarWidth : 0);
    frame.textColumns = std::max(0, textWidth / CellWidth);
    frame.valueColumn = frame.textColumns - frame.textColumns * 2 / 5;
    return frame;
}

Hit HitTest(const BarFrame& frame, int px, int py)
{
    if (!frame.Contains(px, py)) return {};
    const int row = (py - frame.y) / RowHeight;
    if (row == 0) return {Hit::Part::Title, -1};
    if (frame.scrollBar && px >= frame.x + frame.width - ScrollBarWidth) return {Hit::Part::ScrollBar, -1};
    const int line = frame.LineAtRow(row);
    return line < 0 ? Hit {Hit::Part::Empty, -1} : Hit {Hit::Part::Line, line};
}

}  // namespace platform::tweakbar
