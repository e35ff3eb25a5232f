#pragma once

// Qt Quick draws through the platform's graphics API. Where OpenGL is a software rasterizer
// (Mesa's llvmpipe: a desktop without a graphics driver, a virtual machine, a virtual X server)
// every frame costs the CPU a repaint of the whole window, tens of milliseconds, even when only
// a pulsing dot changed; Qt Quick's own software renderer then repaints just what changed, so
// it is chosen instead. Call with the application object made and before any window exists. A
// renderer the user asked for (QT_QUICK_BACKEND, QSG_RHI_BACKEND) is left alone. On Windows,
// Qt Quick draws with Direct3D and nothing is chosen here.
void chooseSceneGraphBackend();
