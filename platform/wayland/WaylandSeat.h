// One seat of the Wayland compositor: its keyboard and pointer, reported as key presses and button presses.
#pragma once

#include <QObject>

#include <cstdint>

struct wl_keyboard;
struct wl_pointer;
struct wl_seat;

// Any key counts, so the keymap is never read (its descriptor is closed at once). With the pointer
// hidden, every surface of this client the pointer enters shows no cursor.
class WaylandSeat : public QObject
{
    Q_OBJECT

public:
    // The seat version bound: version 5 has every event the listeners know; a newer one would bring
    // events they lack.
    static constexpr std::uint32_t Version = 5;

    WaylandSeat(wl_seat *seat, std::uint32_t globalName, bool hidePointer);
    ~WaylandSeat() override;

    wl_seat *get() const { return seat_; }
    std::uint32_t globalName() const { return globalName_; }

signals:
    void keyPressed();
    void buttonPressed();

private:
    static void onCapabilities(void *data, wl_seat *, uint32_t capabilities);
    static void onName(void *, wl_seat *, const char *) {}
    static void onKeymap(void *, wl_keyboard *, uint32_t, int32_t fd, uint32_t);
    static void onKey(void *data, wl_keyboard *, uint32_t, uint32_t, uint32_t, uint32_t state);
    static void onPointerEnter(void *data, wl_pointer *pointer, uint32_t serial, struct wl_surface *, int32_t,
                               int32_t);
    static void onButton(void *data, wl_pointer *, uint32_t, uint32_t, uint32_t, uint32_t state);
    void releaseKeyboard();
    void releasePointer();

    wl_seat *seat_;
    const std::uint32_t globalName_;
    const bool hidePointer_;
    wl_keyboard *keyboard_ = nullptr;
    wl_pointer *pointer_ = nullptr;
};
