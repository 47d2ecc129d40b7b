#include "app/EnginePanel.h"

#include "app/batch/EngineAdapter.h"

#include <QPainter>

EnginePanel::EnginePanel(EngineAdapter* engine, QWidget* parent)
    : QWidget(parent)
    , m_engine(engine) {
    setObjectName(QStringLiteral("VideoEdit"));
    if (engine)
        connect(engine, &EngineAdapter::repaintRequested, this, qOverload<>(&QWidget::update));
}

void EnginePanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect area = rect();
    p.fillRect(area, m_engine ? m_engine->BackgroundColor() : QColor(197, 209, 205));
    if (!m_engine)
        return;
    const QImage frame = m_engine->PreviewFrame();
    if (!frame.isNull()) {
        QSize size = frame.size().scaled(area.size(), Qt::KeepAspectRatio);
        QRect target(QPoint(0, 0), size);
        target.moveCenter(area.center());
        p.drawImage(target, frame);
        return;
    }
    const QImage background = m_engine->BackgroundImage();
    if (background.isNull())
        return;
    switch (m_engine->BackgroundDrawMode()) {
    case 1:
        p.drawImage(area, background);
        break;
    case 2:
        p.drawTiledPixmap(area, QPixmap::fromImage(background));
        break;
    default: {
        QRect target(QPoint(0, 0), background.size());
        target.moveCenter(area.center());
        p.drawImage(target, background);
        break;
    }
    }
}
