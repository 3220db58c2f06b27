#include "app/waylandseat.h"

#include <QByteArray>
#include <QLibraryInfo>
#include <QVersionNumber>

#include <wayland-client.h>

#include <cstring>

namespace {

void NoteGlobal(void* data, wl_registry*, uint32_t, const char* interface, uint32_t) {
    if (std::strcmp(interface, wl_seat_interface.name) == 0)
        *static_cast<bool*>(data) = true;
}

void IgnoreRemoval(void*, wl_registry*, uint32_t) {}

// Whether the display Qt connects to answers and lists no seat. Qt reads
// the globals in its first round trip, so a seat that comes later is not
// one it has.
bool DisplayHasNoSeat() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return false;
    static const wl_registry_listener listener = {NoteGlobal, IgnoreRemoval};
    bool seat = false;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &listener, &seat);
    const bool answered = wl_display_roundtrip(display) >= 0;
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return answered && !seat;
}

} // namespace

void AvoidTextInputWithoutSeat() {
    if (QLibraryInfo::version() >= QVersionNumber(6, 5, 3))
        return;
    // Another input method keeps Qt off the Wayland text input path.
    const QByteArray module = qgetenv("QT_IM_MODULE");
    if (!module.isEmpty() && module != "wayland")
        return;
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.contains("wayland"))
        return;
    // A socket handed down can be connected to once only, and that is Qt's;
    // without a runtime folder there is nothing to connect to, and the
    // library would say so on the terminal.
    if (qEnvironmentVariableIsSet("WAYLAND_SOCKET") ||
        (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") &&
         !qgetenv("WAYLAND_DISPLAY").startsWith('/')))
        return;
    if (DisplayHasNoSeat())
        qputenv("QT_IM_MODULE", "compose");
}
