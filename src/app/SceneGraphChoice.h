#pragma once

#include <QByteArrayView>

// Picks how Qt Quick draws the windows. Where OpenGL itself runs on the processor (Mesa's
// llvmpipe and its kin, the usual case without a graphics driver), Qt's own software renderer
// draws the catalogue about three times faster: it repaints only what changed and skips the
// emulated GPU pipeline. With a real GPU, or when the user chose a backend, nothing changes.
namespace aru::SceneGraphChoice {

// Whether an OpenGL renderer string (GL_RENDERER) names a rasteriser running on the processor.
bool isSoftwareOpenGL(QByteArrayView renderer);

// Asks OpenGL which renderer it has and selects Qt Quick's software renderer if that one runs
// on the processor; a no-op when QT_QUICK_BACKEND or QSG_RHI_BACKEND is set or OpenGL is
// unavailable. Call after the application object exists and before any Qt Quick window.
void apply();

} // namespace aru::SceneGraphChoice
