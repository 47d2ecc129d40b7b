#include "app/ui/TrayIcon.h"

#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>

TrayIcon::~TrayIcon() = default;

QtTrayIcon::QtTrayIcon(QObject* parent)
    : TrayIcon(parent) {}

QtTrayIcon::~QtTrayIcon() = default;

bool QtTrayIcon::IsAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void QtTrayIcon::Add(const QIcon& icon, const QString& tip) {
    if (!m_icon) {
        // Made on first use: a QSystemTrayIcon asks the desktop for its tray when created.
        m_icon = std::make_unique<QSystemTrayIcon>();
        connect(m_icon.get(), &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::Trigger)
                        Q_EMIT clicked(Button::Left);
                    else if (reason == QSystemTrayIcon::Context)
                        Q_EMIT clicked(Button::Right);
                });
    }
    m_icon->setIcon(icon);
    m_icon->setToolTip(tip);
    m_icon->show();
}

void QtTrayIcon::Delete() {
    if (m_icon)
        m_icon->hide();
}

bool QtTrayIcon::IsShown() const {
    return m_icon && m_icon->isVisible();
}

QIcon ReelvaneIcon() {
    QIcon icon;
    for (int size : {16, 22, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal s = size;
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 70, 120));
        p.drawEllipse(QRectF(s * 0.04, s * 0.04, s * 0.92, s * 0.92));
        p.setBrush(QColor(200, 220, 240));
        const qreal hole = s * 0.22;
        const QPointF centre(s / 2, s / 2);
        const QPointF offsets[] = {{0, -0.26}, {0.26, 0}, {0, 0.26}, {-0.26, 0}};
        for (const QPointF& o : offsets)
            p.drawEllipse(centre + o * s, hole / 2, hole / 2);
        p.drawEllipse(centre, s * 0.06, s * 0.06);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
