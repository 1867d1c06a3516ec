#include "SceneGraphChoice.h"

#include <QByteArray>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QQuickWindow>
#include <QSGRendererInterface>

namespace aru::SceneGraphChoice {

bool isSoftwareOpenGL(QByteArrayView renderer) {
    const QByteArray name = renderer.toByteArray().toLower();
    for (const char* software : {"llvmpipe", "softpipe", "software rasterizer", "swr"}) {
        if (name.contains(software))
            return true;
    }
    return false;
}

void apply() {
    if (!qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND") ||
        !qEnvironmentVariableIsEmpty("QSG_RHI_BACKEND"))
        return;
    QOffscreenSurface surface;
    surface.create();
    QOpenGLContext context;
    if (!surface.isValid() || !context.create() || !context.makeCurrent(&surface))
        return;
    const auto* renderer =
        reinterpret_cast<const char*>(context.functions()->glGetString(GL_RENDERER));
    const bool software = renderer && isSoftwareOpenGL(renderer);
    context.doneCurrent();
    if (software)
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}

} // namespace aru::SceneGraphChoice
