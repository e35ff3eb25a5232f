#pragma once

#include <QImage>
#include <QQuickItem>
#include <QRectF>
#include <QSize>

// Shows the latest picture aspect-fitted and centred in the item (letterboxed).
// setFrame(), the properties and geometry changes run on the GUI thread; updatePaintNode()
// runs on the render thread while the GUI thread is blocked, which is when it reads `frame`
// and `textureDirty`, so no lock is needed. Only the latest picture is kept: a burst of
// pictures between two renders costs one texture upload.
class FramePreview : public QQuickItem {
    Q_OBJECT
    Q_PROPERTY(QSize frameSize READ frameSize NOTIFY frameSizeChanged)
    Q_PROPERTY(QRectF contentRect READ contentRect NOTIFY contentRectChanged)

public:
    explicit FramePreview(QQuickItem* parent = nullptr);

    Q_INVOKABLE void setFrame(const QImage& img);

    QSize frameSize() const { return frameSize_; }
    QRectF contentRect() const { return contentRect_; }

    // The rectangle a w x h picture occupies in an item of the given size: scaled to fit,
    // centred, not rounded to whole pixels. An empty item or picture gives the whole item.
    static QRectF letterbox(const QSizeF& item, const QSize& picture);

Q_SIGNALS:
    void frameSizeChanged();
    void contentRectChanged();

protected:
    void geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) override;
    QSGNode* updatePaintNode(QSGNode* oldNode, UpdatePaintNodeData* data) override;

private:
    void updateContentRect();

    QImage frame; // until it becomes a texture
    QSize frameSize_{0, 0};
    bool textureDirty = false;
    QRectF contentRect_;
};
