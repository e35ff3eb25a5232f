#include "app/SceneGraphBackend.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QQuickWindow>

void chooseSceneGraphBackend()
{
    if (qEnvironmentVariableIsSet("QT_QUICK_BACKEND")
        || qEnvironmentVariableIsSet("QSG_RHI_BACKEND"))
        return;
    // Without OpenGL at all (the offscreen platform) Qt Quick falls back to software itself.
    QOffscreenSurface surface;
    surface.create();
    QOpenGLContext context;
    if (!context.create() || !context.makeCurrent(&surface))
        return;
    const auto* name = context.functions()->glGetString(GL_RENDERER);
    const QByteArray renderer(name ? reinterpret_cast<const char*>(name) : "");
    context.doneCurrent();
    if (!renderer.contains("llvmpipe") && !renderer.contains("softpipe")
        && !renderer.contains("Software Rasterizer"))
        return;
    qInfo("Vidlet: OpenGL renders in software (%s): the window uses Qt Quick's software renderer",
          renderer.constData());
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}
