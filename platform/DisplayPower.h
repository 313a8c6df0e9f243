// Whether the display shows anything: the saver draws nothing while it is powered down or blanked.
#pragma once

class DisplayPower
{
public:
    virtual ~DisplayPower() = default;
    // False while the monitors are powered down or the server has blanked the screen. A display
    // that cannot tell counts as on.
    virtual bool isOn() = 0;
};
