#pragma once

#include <QQuickItem>
#include <QStringList>

#include <functional>

// Finds texts that do not fit where the window puts them, by walking the rendered item tree.
// For every visible Text under `root` that `wanted` selects, it reports a text that is
// - elided, or laid out wider or taller than its own box (cut off or spilling out);
// - painted outside its parent, or outside an enclosing drawn box (a filled or bordered
//   Rectangle, or an item that clips; only sideways inside a scrolling area);
// - painted partly over a neighbour in the same box: another text or image, or a drawn
//   rectangle that does not wholly contain it (a button, a switch, a dot).
// Each finding reads "<text>: <what>". Call it once the window has settled.
namespace TextFit {
QStringList problems(QQuickItem* root, const std::function<bool(const QString&)>& wanted);
// The texts of every visible Text under `root`.
QStringList shownTexts(QQuickItem* root);
} // namespace TextFit
