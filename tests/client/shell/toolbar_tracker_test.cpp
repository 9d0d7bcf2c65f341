#include "client/shell/toolbar_tracker.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "client/shell/toolbar_records.h"

namespace vesk {

void PrintTo(const ToolbarRect& r, std::ostream* out) {
    *out << '[' << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ')';
}

void PrintTo(const ToolbarHit& hit, std::ostream* out) {
    *out << "record " << hit.index << " image " << hit.image;
}

void PrintTo(const ToolbarResponse& r, std::ostream* out) {
    *out << (r.repaint ? "repaint" : "no repaint");
    if (r.command) *out << ", command " << *r.command;
}

void PrintTo(ToolbarButtonState state, std::ostream* out) {
    static const char* const names[] = {"normal", "hot", "pressed", "pressed-away"};
    *out << names[static_cast<int>(state)];
}

namespace {

using State = ToolbarButtonState;
using Draws = std::vector<std::string>;

// Writes each drawing as a line such as "hot 8 i0" (look, record left, image) or
// "hot image 0 at 11,5".
class RecordingPainter : public ToolbarPainter {
public:
    void DrawNormal(const ToolbarRect& r, int image) override { Look("normal", r, image); }
    void DrawHot(const ToolbarRect& r, int image) override { Look("hot", r, image); }
    void DrawPressed(const ToolbarRect& r, int image) override { Look("pressed", r, image); }
    void DrawSeparatorRule(const ToolbarRect& r) override {
        draws.push_back("rule " + std::to_string(r.left));
    }
    void DrawNormalImage(int image, ToolbarPoint at) override { Image("normal", image, at); }
    void DrawHotImage(int image, ToolbarPoint at) override { Image("hot", image, at); }

    Draws draws;

private:
    void Look(const char* look, const ToolbarRect& r, int image) {
        draws.push_back(std::string(look) + ' ' + std::to_string(r.left) + " i" +
                        std::to_string(image));
    }
    void Image(const char* list, int image, ToolbarPoint at) {
        draws.push_back(std::string(list) + " image " + std::to_string(image) + " at " +
                        std::to_string(at.x) + ',' + std::to_string(at.y));
    }
};

// Two buttons, so that a press on one can be held while the pointer is over the other:
// blank [0, 8), A [8, 31), B [31, 54), etched rule [54, 62).
std::vector<ToolbarButtonRecord> TwoButtons() {
    return {{ToolbarRecordStyle::kSeparator, kBlankSeparator},
            {ToolbarRecordStyle::kButton, 205},
            {ToolbarRecordStyle::kButton, 206},
            {ToolbarRecordStyle::kSeparator, 0}};
}
constexpr int kA = 1;
constexpr int kB = 2;
const std::string kHotA = "hot 8 i0", kNormalA = "normal 8 i0", kPressedA = "pressed 8 i0";
const std::string kHotB = "hot 31 i1", kPressedB = "pressed 31 i1";

enum class Kind { kMove, kAway, kDown, kUp, kPaint };
struct Event {
    Kind kind;
    ToolbarPoint at{};
};
constexpr ToolbarPoint kOnA{15, 12}, kOnAAgain{20, 20}, kOnB{40, 12}, kOnBlank{4, 12},
    kOnRule{57, 12}, kOnEmpty{100, 12}, kBelow{15, 30};
const Event kMoveA{Kind::kMove, kOnA}, kDownA{Kind::kDown, kOnA}, kPaint{Kind::kPaint};
const Event kMoveEmpty{Kind::kMove, kOnEmpty};

ToolbarResponse Apply(ToolbarTracker& tracker, ToolbarPainter& painter, const Event& e) {
    switch (e.kind) {
        case Kind::kMove:
            return tracker.OnMouseMove(painter, e.at, true);
        case Kind::kAway:
            return tracker.OnMouseMove(painter, e.at, false);
        case Kind::kDown:
            return tracker.OnLButtonDown(painter, e.at);
        case Kind::kUp:
            return tracker.OnLButtonUp(painter, e.at);
        case Kind::kPaint:
            tracker.OnPaint(painter);
            return {};
    }
    return {};
}

TEST(ToolbarRecordsTest, DiceTableLiesBetweenTheComboBoxes) {
    const std::vector<ToolbarButtonRecord> records = DiceToolbarButtons();
    ASSERT_EQ(records.size(), 23u);
    for (int i = 0; i < 23; ++i) {
        const bool button = i == 20;
        EXPECT_EQ(records[i].IsSeparator(), !button) << i;
        EXPECT_EQ(records[i].command, button ? 205 : i == 22 ? 0 : -1) << i;
    }
    const std::vector<ToolbarRect> rects = LayOutToolbarRecords(records);
    const std::pair<int, ToolbarRect> expected[] = {
        {0, {0, 2, 8, 24}},      {19, {152, 2, 160, 24}}, {20, {160, 2, 183, 24}},
        {21, {183, 2, 191, 24}}, {22, {191, 2, 199, 24}},
    };
    for (const auto& [index, rect] : expected) EXPECT_EQ(rects[index], rect) << index;
    // The dice button clear of the dice combo box, the etched rule's two lines before the name
    // combo box.
    EXPECT_GE(rects[20].left, kDiceComboLeft + kComboWidth);
    EXPECT_LT(rects[22].left + 4, kNameComboLeft);

    const std::pair<int, int> heights[] = {{0, 26}, {20, 26}, {21, 27}, {30, 36}};
    for (const auto& [combo, height] : heights) EXPECT_EQ(ToolbarHeightFor(combo), height) << combo;
}

TEST(ToolbarTrackerTest, HitTestCountsEveryEdgeAndSkipsSeparatorsInImages) {
    const ToolbarTracker tracker(DiceToolbarButtons());
    // Every edge counts as inside, so neighbours share one column and the record listed first
    // wins it; a record's image counts only the buttons before it.
    const struct {
        const char* where;
        ToolbarPoint at;
        ToolbarHit hit;
    } cases[] = {
        {"inside the button", {170, 12}, {20, 0}},
        {"its right edge, also record 21's left edge", {183, 12}, {20, 0}},
        {"its left edge, also record 19's right edge", {160, 12}, {19, 0}},
        {"its top edge", {170, 2}, {20, 0}},
        {"its bottom edge", {170, 24}, {20, 0}},
        {"above the records", {170, 1}, {-1, -1}},
        {"below the records", {170, 25}, {-1, -1}},
        {"the blank gap", {186, 12}, {21, 1}},
        {"the etched rule's right edge", {199, 12}, {22, 1}},
        {"right of every record", {200, 12}, {-1, -1}},
        {"left of every record", {-1, 12}, {-1, -1}},
    };
    for (const auto& c : cases) EXPECT_EQ(tracker.HitTest(c.at), c.hit) << c.where;
}

// After the events before, one event draws draws, leaves buttons A and B in states a and b with
// paintOverlay at overlay, and has the control respond with response.
struct TransitionCase {
    const char* name;
    std::vector<Event> before;
    Event event;
    Draws draws;
    State a;
    State b;
    int overlay;
    ToolbarResponse response;
};

TEST(ToolbarTrackerTest, PointerEventsFollowTheTransitionTable) {
    const State normal = State::kNormal, hot = State::kHot, held = State::kPressed,
                away = State::kPressedAway;
    const ToolbarResponse none, repaint{true, {}}, click{true, 205};
    const Event moveA2{Kind::kMove, kOnAAgain}, moveB{Kind::kMove, kOnB},
        moveBlank{Kind::kMove, kOnBlank}, moveRule{Kind::kMove, kOnRule}, leave{Kind::kAway, kOnA},
        dragBelow{Kind::kAway, kBelow}, downBlank{Kind::kDown, kOnBlank},
        downEmpty{Kind::kDown, kOnEmpty}, upA{Kind::kUp, kOnA}, upB{Kind::kUp, kOnB},
        upEmpty{Kind::kUp, kOnEmpty};
    const std::vector<Event> pressA{kMoveA, kDownA, kPaint};
    const std::vector<Event> dragOff{kMoveA, kDownA, kPaint, kMoveEmpty, kPaint};
    const std::vector<Event> pressThenB{kMoveA, kDownA, moveB};
    const std::vector<Event> offAndBack{kMoveA, kDownA, kMoveEmpty, kMoveA};
    const std::vector<Event> blankThenA{downBlank, kMoveA};
    const TransitionCase cases[] = {
        {"normal to hot", {}, kMoveA, {kHotA}, hot, normal, -1, none},
        {"within the hot button", {kMoveA}, moveA2, {}, hot, normal, -1, none},
        {"blank separator never hot", {}, moveBlank, {}, normal, normal, -1, none},
        {"etched rule never hot", {}, moveRule, {}, normal, normal, -1, none},
        {"hot onto another button", {kMoveA}, moveB, {kNormalA, kHotB}, normal, hot, -1, none},
        {"hot onto a separator", {kMoveA}, moveBlank, {kNormalA}, normal, normal, -1, none},
        {"hot onto an empty part", {kMoveA}, kMoveEmpty, {kNormalA}, normal, normal, -1, none},
        {"hot onto a combo box or away", {kMoveA}, leave, {kNormalA}, normal, normal, -1, none},
        {"away with nothing hot", {}, leave, {}, normal, normal, -1, none},
        {"hot to pressed", {kMoveA}, kDownA, {kPressedA}, held, normal, 0, repaint},
        {"press with no move before it", {}, kDownA, {kPressedA}, held, normal, 0, repaint},
        {"press on a blank separator", {moveBlank}, downBlank, {}, normal, normal, -1, none},
        {"press on an empty part", {}, downEmpty, {}, normal, normal, -1, none},
        {"pressed, released over it", pressA, upA, {kHotA}, hot, normal, 1, click},
        {"pressed, moves within it", pressA, moveA2, {}, held, normal, -1, none},
        {"pressed to pressed-away", pressA, kMoveEmpty, {kNormalA}, away, normal, -1, repaint},
        {"pressed, dragged off", pressA, dragBelow, {kNormalA}, away, normal, -1, repaint},
        {"pressed-away back to pressed", dragOff, kMoveA, {kPressedA}, held, normal, 0, repaint},
        {"pressed-away, released elsewhere", dragOff, upEmpty, {}, normal, normal, -1, repaint},
        {"pressed-away onto another button", dragOff, moveB, {kHotB}, away, hot, 1, repaint},
        {"pressed A, released on B", pressThenB, upB, {kHotB}, normal, hot, 1, repaint},
        {"dragged off and back, released", offAndBack, upA, {kHotA}, hot, normal, 1, click},
        {"pressed on a blank, released on A", blankThenA, upA, {kHotA}, hot, normal, 1, none},
    };
    for (const TransitionCase& c : cases) {
        SCOPED_TRACE(c.name);
        ToolbarTracker tracker(TwoButtons());
        RecordingPainter setup, painter;
        for (const Event& e : c.before) Apply(tracker, setup, e);
        EXPECT_EQ(Apply(tracker, painter, c.event), c.response);
        EXPECT_EQ(painter.draws, c.draws);
        EXPECT_EQ(tracker.State(kA), c.a);
        EXPECT_EQ(tracker.State(kB), c.b);
        EXPECT_EQ(tracker.PaintOverlay(), c.overlay);
    }
}

TEST(ToolbarTrackerTest, PaintDrawsRulesAndImagesThenTheOverlayOnce) {
    const std::string rule = "rule 54";
    const std::string normal0 = "normal image 0 at 11,5", hot0 = "hot image 0 at 11,5";
    const std::string normal1 = "normal image 1 at 34,5", hot1 = "hot image 1 at 34,5";
    const std::pair<std::vector<Event>, Draws> cases[] = {
        {{}, {normal0, normal1, rule}},
        // A repaint of a hot button with nothing pending shows its image without a border.
        {{kMoveA}, {hot0, normal1, rule}},
        {{kMoveA, kDownA}, {hot0, normal1, rule, kPressedA}},
        {{kMoveA, kDownA, kPaint}, {hot0, normal1, rule}},
        {{kMoveA, kDownA, kPaint, {Kind::kUp, kOnA}}, {hot0, normal1, rule, kHotA}},
        {{{Kind::kMove, kOnB}, {Kind::kDown, kOnB}}, {normal0, hot1, rule, kPressedB}},
        // The look set for a button that is no longer hot is dropped, not kept for the next.
        {{kMoveA, kDownA, kMoveEmpty}, {normal0, normal1, rule}},
        {{kMoveA, kDownA, kMoveEmpty, kPaint, {Kind::kUp, kOnEmpty}, {Kind::kMove, kOnB}},
         {normal0, hot1, rule}},
    };
    for (const auto& [before, draws] : cases) {
        ToolbarTracker tracker(TwoButtons());
        RecordingPainter setup, painter;
        for (const Event& e : before) Apply(tracker, setup, e);
        tracker.OnPaint(painter);
        EXPECT_EQ(painter.draws, draws) << "after " << before.size() << " events";
        EXPECT_EQ(tracker.PaintOverlay(), ToolbarTracker::kNoOverlay);
    }
}

}  // namespace
}  // namespace vesk
