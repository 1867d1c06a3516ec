#pragma once

#include <QIcon>
#include <QString>

// How the desktop recognises the running app. The launcher and the window switcher match a window
// to the installed desktop entry by its id (the Wayland app id) or, on X11, by its window class
// (the entry's StartupWMClass), and show that entry's name and icon; the sound panel names the
// app's streams after its sound-server connection. The window also carries the icon itself, for
// window managers that read it off the window.
namespace aru::DesktopIdentity {

// The reverse-DNS id: the installed desktop entry's file name without ".desktop".
QString appId();

// The icon embedded in the binary, at every size rendered from its SVG; null when none is there.
QIcon appIcon();

// Announces the id, gives every window the icon and names the app's sound-server connections.
// Needs the QGuiApplication and its display name, and must run before the first sound.
void apply();

} // namespace aru::DesktopIdentity
