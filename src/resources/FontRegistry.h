#pragma once

#include <QString>

// The fonts embedded in the binary: the display face and the icon font. The application registers
// them at start-up, before the first window, so every view resolves the faces by family name.
namespace aru::FontRegistry {

// Adds both fonts to the application's font database. Only the first call does the work; later
// calls give its result. True when both fonts loaded. Needs the QGuiApplication.
bool registerBundledFonts();

// The family name the icon font registered under, for views that draw its glyphs. When it did not
// load, its usual name, so a copy installed on the system can still serve.
QString iconFamily();

} // namespace aru::FontRegistry
