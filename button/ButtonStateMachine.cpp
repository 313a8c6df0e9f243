// The push button's states and its reactions to mouse, focus and hover-end input, without any widget.
#include "button/ButtonStateMachine.h"

namespace ButtonLogic {

// A left press shows the pressed look; the state waits for the focus that the press brings.
Reaction ButtonStateMachine::pressMouse(int button)
{
    if (button != LeftButton)
        return {};
    mouseIsDown_ = true;
    return {Skin::Pressed};
}

// The pointer's arrival. A focused button does not show the hover look while its press is held, so a
// press dragged off and back stays cancelled.
Reaction ButtonStateMachine::moveMouse()
{
    Reaction reaction;
    if (state_ == StateNormal) {
        state_ = StateHighLight;
        reaction.paint = Skin::HighLight;
    }
    if (state_ == StateSelected && !mouseIsDown_) {
        state_ = StateHighLightSelect;
        reaction.paint = Skin::HighLightSelect;
    }
    return reaction;
}

// Any button's release raises the click unless the press was cancelled by leaving a focused button.
Reaction ButtonStateMachine::releaseMouse(int button)
{
    Reaction reaction;
    if (button == LeftButton) {
        mouseIsDown_ = false;
        if (state_ == StateHighLight)
            reaction.paint = Skin::Normal;
        else if (state_ == StateHighLightSelect)
            reaction.paint = Skin::HighLightSelect;
    }
    reaction.click = state_ != StateSelected;
    return reaction;
}

// Focus arriving under the pointer (usually by the press itself) keeps the pressed look.
Reaction ButtonStateMachine::gainFocus()
{
    if (state_ != StateHighLight) {
        state_ = StateSelected;
        return {Skin::Selected};
    }
    state_ = StateHighLightSelect;
    return {Skin::Pressed};
}

Reaction ButtonStateMachine::loseFocus()
{
    if (state_ == StateNormal)
        return {};
    state_ = StateNormal;
    return {Skin::Normal};
}

Reaction ButtonStateMachine::endHover()
{
    if (state_ == StateHighLight) {
        state_ = StateNormal;
        return {Skin::Normal};
    }
    if (state_ == StateHighLightSelect) {
        state_ = StateSelected;
        return {Skin::Selected};
    }
    return {};
}

} // namespace ButtonLogic
