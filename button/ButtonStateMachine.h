// The push button's states and its reactions to mouse, focus and hover-end input, without any widget.
#pragma once

#include <QtGlobal>
#include <optional>

namespace ButtonLogic {

enum ButtonState : quint8 {
    StateNone = 0,            // created, start() not yet called
    StateNormal = 1,          // idle
    StateHighLight = 2,       // pointer over the button, no focus
    StateSelected = 3,        // focus, pointer elsewhere
    StateHighLightSelect = 4, // focus and pointer over the button
};

// The six skin pictures; Pressed and Disable are looks, never states.
enum class Skin : quint8 { Normal, HighLight, Pressed, Disable, Selected, HighLightSelect };
inline constexpr int SkinCount = 6;

// Mouse buttons as the handlers see them (the same bits Qt uses).
enum MouseButton : int { LeftButton = 1, RightButton = 2, MiddleButton = 4 };

// What one input asks of the widget: the skin to paint, if any, and whether the click is raised.
struct Reaction {
    std::optional<Skin> paint;
    bool click = false;
    bool operator==(const Reaction &) const = default;
};

// Holds the state and whether the left button is held, and moves them for each input of an enabled
// button. The widget calls these only while the button is enabled, except endHover, which hover
// polling always calls.
class ButtonStateMachine
{
public:
    ButtonState state() const { return state_; }
    bool isMouseDown() const { return mouseIsDown_; }

    // Leaves StateNone: the button is idle and follows the pointer from now on.
    void start() { state_ = StateNormal; }

    Reaction pressMouse(int button);
    Reaction moveMouse();
    Reaction releaseMouse(int button);
    Reaction gainFocus();
    Reaction loseFocus();
    Reaction endHover();

private:
    ButtonState state_ = StateNone;
    bool mouseIsDown_ = false;
};

} // namespace ButtonLogic
