#pragma once
// What the toolkit needs before and right after it starts on this desktop.

class QCoreApplication;
class QIcon;

namespace kurumin {

// On a Wayland session the panel can only be a borderless, always-on-top,
// movable window, and know the window in front, as an X client (Xwayland).
// Asks for the X11 platform there unless the user chose one (-platform,
// QT_QPA_PLATFORM). Call before the application object exists. True when it
// asked: the caller takes the request back once the toolkit has started.
bool preferX11Platform(int argc, char** argv);

// The program's icon: the desktop's theme has it once installed; a build
// tree has it beside itself.
QIcon programIcon();

// Says once on standard error when the window in front cannot be known.
void warnIfFrontWindowUnknown();

// The toolkit's own texts (OK/Cancel, the file dialog) in Japanese, as the
// panel's are. False when the translation is not installed.
bool installToolkitTranslation(QCoreApplication& app);

// A key held down repeats, and so does one whose release was lost (sent to a
// box that closed at its press): its repeats press no button and close no
// box, whichever has the focus by then. Text boxes still take them.
void refuseHeldKeys(QCoreApplication& app);

} // namespace kurumin
