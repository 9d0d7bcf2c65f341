#include "client/shell/toolbar_tracker.h"

#include <utility>

namespace vesk {

ToolbarTracker::ToolbarTracker(std::vector<ToolbarButtonRecord> records)
    : records(std::move(records)), rects(LayOutToolbarRecords(this->records)) {}

bool ToolbarTracker::IsButton(int index) const {
    return index >= 0 && index < static_cast<int>(records.size()) && !records[index].IsSeparator();
}

ToolbarHit ToolbarTracker::HitTest(ToolbarPoint cursor) const {
    int separators = 0;
    for (int index = 0; index < static_cast<int>(rects.size()); ++index) {
        const ToolbarRect& r = rects[index];
        if (r.left <= cursor.x && cursor.x <= r.right && r.top <= cursor.y &&
            cursor.y <= r.bottom) {
            return {index, index - separators};
        }
        if (records[index].IsSeparator()) ++separators;
    }
    return {};
}

ToolbarResponse ToolbarTracker::OnMouseMove(ToolbarPainter& painter, ToolbarPoint cursor,
                                            bool overToolbar) {
    if (!overToolbar && !buttonDown) {
        if (hotIndex != -1) {
            painter.DrawNormal(rects[hotIndex], imageIndex);
            hotIndex = -1;
        }
        return {};
    }
    const ToolbarHit hit = HitTest(cursor);
    if (hit.index == hotIndex) return {};
    const int before = hotIndex;
    if (hotIndex != -1) {
        painter.DrawNormal(rects[hotIndex], imageIndex);
        hotIndex = -1;
    }
    if (IsButton(hit.index)) {
        imageIndex = hit.image;
        if (!buttonDown) {
            painter.DrawHot(rects[hit.index], imageIndex);
        } else if (pressedIndex == hit.index) {
            painter.DrawPressed(rects[hit.index], imageIndex);
            paintOverlay = kPressedOverlay;
        } else {
            painter.DrawHot(rects[hit.index], imageIndex);
            paintOverlay = kHotOverlay;
        }
        hotIndex = hit.index;
    }
    // While a press is held the control follows the pointer on and off its button.
    return {.repaint = buttonDown && hotIndex != before, .command = {}};
}

void ToolbarTracker::MakeHot(ToolbarPainter& painter, int index) {
    if (hotIndex != -1 && hotIndex != index) painter.DrawNormal(rects[hotIndex], imageIndex);
    hotIndex = index;
}

ToolbarResponse ToolbarTracker::OnLButtonDown(ToolbarPainter& painter, ToolbarPoint cursor) {
    const ToolbarHit hit = HitTest(cursor);
    if (!IsButton(hit.index)) return {};
    MakeHot(painter, hit.index);
    painter.DrawPressed(rects[hit.index], hit.image);
    buttonDown = true;
    paintOverlay = kPressedOverlay;
    pressedIndex = hit.index;
    imageIndex = hit.image;
    return {.repaint = true, .command = {}};
}

ToolbarResponse ToolbarTracker::OnLButtonUp(ToolbarPainter& painter, ToolbarPoint cursor) {
    // Letting go of a held press: the control repaints its button.
    ToolbarResponse response{.repaint = buttonDown, .command = {}};
    const int pressed = pressedIndex;
    buttonDown = false;
    pressedIndex = -1;
    const ToolbarHit hit = HitTest(cursor);
    if (!IsButton(hit.index)) return response;
    MakeHot(painter, hit.index);
    painter.DrawHot(rects[hit.index], hit.image);
    paintOverlay = kHotOverlay;
    imageIndex = hit.image;
    if (hit.index == pressed) response.command = records[hit.index].command;
    return response;
}

void ToolbarTracker::OnPaint(ToolbarPainter& painter) {
    int image = 0;
    for (int index = 0; index < static_cast<int>(records.size()); ++index) {
        const ToolbarRect& rect = rects[index];
        if (records[index].IsSeparator()) {
            if (records[index].command != kBlankSeparator) painter.DrawSeparatorRule(rect);
            continue;
        }
        if (index == hotIndex) {
            painter.DrawHotImage(image, ImagePlace(rect));
        } else {
            painter.DrawNormalImage(image, ImagePlace(rect));
        }
        ++image;
    }
    if (hotIndex != -1) {
        if (paintOverlay == kPressedOverlay) painter.DrawPressed(rects[hotIndex], imageIndex);
        if (paintOverlay == kHotOverlay) painter.DrawHot(rects[hotIndex], imageIndex);
    }
    // Also dropped when nothing is hot: a look kept for later would land on whatever button
    // becomes hot next, a pressed border on a button that is not held.
    paintOverlay = kNoOverlay;
}

ToolbarButtonState ToolbarTracker::State(int index) const {
    if (!IsButton(index)) return ToolbarButtonState::kNormal;
    if (buttonDown && pressedIndex == index) {
        return hotIndex == index ? ToolbarButtonState::kPressed : ToolbarButtonState::kPressedAway;
    }
    return hotIndex == index ? ToolbarButtonState::kHot : ToolbarButtonState::kNormal;
}

}  // namespace vesk
