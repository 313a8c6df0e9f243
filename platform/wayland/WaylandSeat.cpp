// One seat of the Wayland compositor; see WaylandSeat.h.
#include "platform/wayland/WaylandSeat.h"

#include <wayland-client.h>

#include <unistd.h>

namespace {
template <typename... Args>
void ignore(void *, Args...)
{
}

const wl_keyboard_listener keyboardListener = {
    .keymap = nullptr,
    .enter = ignore<wl_keyboard *, uint32_t, wl_surface *, wl_array *>,
    .leave = ignore<wl_keyboard *, uint32_t, wl_surface *>,
    .key = nullptr,
    .modifiers = ignore<wl_keyboard *, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t>,
    .repeat_info = ignore<wl_keyboard *, int32_t, int32_t>,
};

wl_keyboard_listener withKeyHandlers(decltype(wl_keyboard_listener::keymap) keymap,
                                     decltype(wl_keyboard_listener::key) key)
{
    wl_keyboard_listener listener = keyboardListener;
    listener.keymap = keymap;
    listener.key = key;
    return listener;
}

const wl_pointer_listener pointerListener = {
    .enter = nullptr,
    .leave = ignore<wl_pointer *, uint32_t, wl_surface *>,
    .motion = ignore<wl_pointer *, uint32_t, wl_fixed_t, wl_fixed_t>,
    .button = nullptr,
    .axis = ignore<wl_pointer *, uint32_t, uint32_t, wl_fixed_t>,
    .frame = ignore<wl_pointer *>,
    .axis_source = ignore<wl_pointer *, uint32_t>,
    .axis_stop = ignore<wl_pointer *, uint32_t, uint32_t>,
    .axis_discrete = ignore<wl_pointer *, uint32_t, int32_t>,
#ifdef WL_POINTER_AXIS_VALUE120_SINCE_VERSION
    .axis_value120 = ignore<wl_pointer *, uint32_t, int32_t>,
#endif
};
} // namespace

WaylandSeat::WaylandSeat(wl_seat *seat, std::uint32_t globalName, bool hidePointer)
    : seat_(seat), globalName_(globalName), hidePointer_(hidePointer)
{
    static const wl_seat_listener listener = {.capabilities = &WaylandSeat::onCapabilities, .name = &WaylandSeat::onName};
    wl_seat_add_listener(seat_, &listener, this);
}

WaylandSeat::~WaylandSeat()
{
    releaseKeyboard();
    releasePointer();
    if (wl_seat_get_version(seat_) >= WL_SEAT_RELEASE_SINCE_VERSION)
        wl_seat_release(seat_);
    else
        wl_seat_destroy(seat_);
}

void WaylandSeat::onCapabilities(void *data, wl_seat *seat, uint32_t capabilities)
{
    auto *self = static_cast<WaylandSeat *>(data);
    if ((capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0 && self->keyboard_ == nullptr) {
        static const wl_keyboard_listener listener = withKeyHandlers(&WaylandSeat::onKeymap, &WaylandSeat::onKey);
        self->keyboard_ = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(self->keyboard_, &listener, self);
    } else if ((capabilities & WL_SEAT_CAPABILITY_KEYBOARD) == 0) {
        self->releaseKeyboard();
    }
    if ((capabilities & WL_SEAT_CAPABILITY_POINTER) != 0 && self->pointer_ == nullptr) {
        static const wl_pointer_listener listener = [] {
            wl_pointer_listener l = pointerListener;
            l.enter = &WaylandSeat::onPointerEnter;
            l.button = &WaylandSeat::onButton;
            return l;
        }();
        self->pointer_ = wl_seat_get_pointer(seat);
        wl_pointer_add_listener(self->pointer_, &listener, self);
    } else if ((capabilities & WL_SEAT_CAPABILITY_POINTER) == 0) {
        self->releasePointer();
    }
}

void WaylandSeat::onKeymap(void *, wl_keyboard *, uint32_t, int32_t fd, uint32_t) { ::close(fd); }

void WaylandSeat::onKey(void *data, wl_keyboard *, uint32_t, uint32_t, uint32_t, uint32_t state)
{
    if (state == WL_KEYBOARD_KEY_STATE_PRESSED)
        emit static_cast<WaylandSeat *>(data)->keyPressed();
}

void WaylandSeat::onPointerEnter(void *data, wl_pointer *pointer, uint32_t serial, wl_surface *, int32_t, int32_t)
{
    if (static_cast<WaylandSeat *>(data)->hidePointer_)
        wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);
}

void WaylandSeat::onButton(void *data, wl_pointer *, uint32_t, uint32_t, uint32_t, uint32_t state)
{
    if (state == WL_POINTER_BUTTON_STATE_PRESSED)
        emit static_cast<WaylandSeat *>(data)->buttonPressed();
}

void WaylandSeat::releaseKeyboard()
{
    if (keyboard_ == nullptr)
        return;
    if (wl_keyboard_get_version(keyboard_) >= WL_KEYBOARD_RELEASE_SINCE_VERSION)
        wl_keyboard_release(keyboard_);
    else
        wl_keyboard_destroy(keyboard_);
    keyboard_ = nullptr;
}

void WaylandSeat::releasePointer()
{
    if (pointer_ == nullptr)
        return;
    if (wl_pointer_get_version(pointer_) >= WL_POINTER_RELEASE_SINCE_VERSION)
        wl_pointer_release(pointer_);
    else
        wl_pointer_destroy(pointer_);
    pointer_ = nullptr;
}
