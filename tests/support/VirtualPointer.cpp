// The tests' virtual pointer: moves to the middle of the output layout ("move") and clicks there ("click").
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <cstdio>
#include <cstring>
#include <linux/input-event-codes.h>
#include <unistd.h>

namespace {
struct Globals {
    wl_seat *seat = nullptr;
    zwlr_virtual_pointer_manager_v1 *manager = nullptr;
};

void onGlobal(void *data, wl_registry *registry, uint32_t name, const char *interface, uint32_t)
{
    auto *globals = static_cast<Globals *>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && globals->seat == nullptr)
        globals->seat = static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        globals->manager = static_cast<zwlr_virtual_pointer_manager_v1 *>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
}

void onGlobalRemove(void *, wl_registry *, uint32_t) {}
} // namespace

int main(int argc, char **argv)
{
    const bool click = argc > 1 && std::strcmp(argv[1], "click") == 0;
    wl_display *display = wl_display_connect(nullptr);
    if (display == nullptr) {
        std::fputs("virtual pointer: no Wayland compositor\n", stderr);
        return 1;
    }
    Globals globals;
    static const wl_registry_listener listener = {onGlobal, onGlobalRemove};
    wl_registry_add_listener(wl_display_get_registry(display), &listener, &globals);
    wl_display_roundtrip(display);
    if (globals.manager == nullptr) {
        std::fputs("virtual pointer: the compositor offers no zwlr_virtual_pointer_manager_v1\n", stderr);
        return 1;
    }
    zwlr_virtual_pointer_v1 *pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(globals.manager, globals.seat);
    // The seat gains its pointer with this device: clients bind their wl_pointer only after they
    // hear of it, so the events wait until they can have done so, and the device stays a while.
    wl_display_roundtrip(display);
    usleep(300 * 1000);
    uint32_t time = 1;
    zwlr_virtual_pointer_v1_motion_absolute(pointer, time++, 500, 500, 1000, 1000);
    zwlr_virtual_pointer_v1_frame(pointer);
    wl_display_roundtrip(display);
    zwlr_virtual_pointer_v1_motion(pointer, time++, wl_fixed_from_int(5), wl_fixed_from_int(3));
    zwlr_virtual_pointer_v1_frame(pointer);
    if (click) {
        zwlr_virtual_pointer_v1_button(pointer, time++, BTN_LEFT, WL_POINTER_BUTTON_STATE_PRESSED);
        zwlr_virtual_pointer_v1_frame(pointer);
        zwlr_virtual_pointer_v1_button(pointer, time++, BTN_LEFT, WL_POINTER_BUTTON_STATE_RELEASED);
        zwlr_virtual_pointer_v1_frame(pointer);
    }
    wl_display_roundtrip(display);
    usleep(300 * 1000);
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
