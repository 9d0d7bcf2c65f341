#pragma once

// The flat looks of VeskChat's toolbar buttons: which button is hot or held down, what each
// pointer event draws, the order of a repaint, and the click the toolbar reports. The toolbar
// widget feeds it pointer events and draws what it asks for; tests record the drawing instead.

#include <optional>
#include <vector>

#include "client/shell/toolbar_records.h"

namespace vesk {

struct ToolbarPoint {
    int x = 0;
    int y = 0;
};

// A button's image lies at (left + 3, 5), and one pixel right of and below that while the button
// is held down. The y is a toolbar coordinate, not an offset from the record's top.
inline constexpr int kImageIndent = 3;
inline constexpr int kImageTop = 5;

inline ToolbarPoint ImagePlace(const ToolbarRect& rect) {
    return {rect.left + kImageIndent, kImageTop};
}

inline ToolbarPoint PressedImagePlace(const ToolbarRect& rect) {
    return {rect.left + kImageIndent + 1, kImageTop + 1};
}

// The drawing the looks are made of. Button face, shadow and highlight are the three colours of
// a border; each border edge is one pixel wide.
class ToolbarPainter {
public:
    virtual ~ToolbarPainter() = default;

    // The normal image at its place, then all four edges in button face, which erases a border.
    virtual void DrawNormal(const ToolbarRect& rect, int image) = 0;
    // The hot image at its place; left and top edges in highlight, right and bottom in shadow.
    virtual void DrawHot(const ToolbarRect& rect, int image) = 0;
    // The interior filled with button face, the hot image one pixel right of and below its
    // place; left and top edges in shadow, right and bottom in highlight.
    virtual void DrawPressed(const ToolbarRect& rect, int image) = 0;
    // An etched separator: a shadow line at x left + 3 and a highlight line at left + 4, over
    // the record's height.
    virtual void DrawSeparatorRule(const ToolbarRect& rect) = 0;
    // One image of the normal or the hot picture at a point; nothing when it is missing.
    virtual void DrawNormalImage(int image, ToolbarPoint at) = 0;
    virtual void DrawHotImage(int image, ToolbarPoint at) = 0;
};

// A hit record, -1 for none. image is the record's index among the buttons (separators are not
// counted); it means something only when the record is a button.
struct ToolbarHit {
    int index = -1;
    int image = -1;

    bool operator==(const ToolbarHit&) const = default;
};

enum class ToolbarButtonState {
    kNormal,       // normal image, no border
    kHot,          // hot image, raised border
    kPressed,      // held down with the pointer over it: shifted hot image, sunken border
    kPressedAway,  // held down with the pointer elsewhere: looks normal
};

// What the toolbar control itself does after a pointer event, besides the tracker's drawing.
struct ToolbarResponse {
    // Its held button changed: it repaints its records, and the repaint's one-shot overlay puts
    // the border of the look just set back on.
    bool repaint = false;
    // A press and a release on the same button: the button's command.
    std::optional<int> command;

    bool operator==(const ToolbarResponse&) const = default;
};

class ToolbarTracker {
public:
    explicit ToolbarTracker(std::vector<ToolbarButtonRecord> records);

    ToolbarHit HitTest(ToolbarPoint cursor) const;

    // A pointer move. overToolbar is false when the pointer is over another window, a combo box
    // on the toolbar included, or has left the toolbar.
    ToolbarResponse OnMouseMove(ToolbarPainter& painter, ToolbarPoint cursor, bool overToolbar);
    ToolbarResponse OnLButtonDown(ToolbarPainter& painter, ToolbarPoint cursor);
    ToolbarResponse OnLButtonUp(ToolbarPainter& painter, ToolbarPoint cursor);
    // Draws the rules and the images, no borders, then once the border of the look last set.
    void OnPaint(ToolbarPainter& painter);

    ToolbarButtonState State(int index) const;

    const std::vector<ToolbarButtonRecord>& Records() const { return records; }
    const ToolbarRect& RecordRect(int index) const { return rects.at(index); }
    int HotIndex() const { return hotIndex; }
    int PressedIndex() const { return pressedIndex; }
    int ImageIndex() const { return imageIndex; }
    bool ButtonDown() const { return buttonDown; }
    int PaintOverlay() const { return paintOverlay; }

    // paintOverlay values.
    static constexpr int kNoOverlay = -1;
    static constexpr int kPressedOverlay = 0;
    static constexpr int kHotOverlay = 1;

private:
    bool IsButton(int index) const;
    // A press or a release always leaves the hit button hot, so that its state follows the
    // pointer even when no move came first.
    void MakeHot(ToolbarPainter& painter, int index);

    std::vector<ToolbarButtonRecord> records;
    std::vector<ToolbarRect> rects;
    // The record shown hot or pressed, -1 for none.
    int hotIndex = -1;
    // The button the left button went down on, -1 for none.
    int pressedIndex = -1;
    // The image of the button last made hot or pressed.
    int imageIndex = -1;
    // The left button is held after a press on a button.
    bool buttonDown = false;
    // The border look to draw on the hot button after the next paint.
    int paintOverlay = kNoOverlay;
};

}  // namespace vesk
