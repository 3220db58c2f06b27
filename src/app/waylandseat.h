#pragma once

// Qt before 6.5.3 crashes on a Wayland compositor that offers a text input
// protocol but no seat (a kiosk with no input device plugged in, a remote
// desktop nobody has connected to yet): its input context asks the missing
// seat for its text input as soon as a focused address box draws its
// cursor. Where that would happen, this process takes Qt's own compose
// input context instead (QT_IM_MODULE=compose), as it has on X11. Anywhere
// else, and wherever the user chose an input method, nothing changes.
// Runs before the application object exists.
void AvoidTextInputWithoutSeat();
