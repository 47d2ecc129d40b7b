#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

#include <memory>

class QSystemTrayIcon;

/// The window's icon in the desktop's notification area. The window adds it when it hides
/// itself and deletes it when it comes back. QtTrayIcon is the desktop's; tests put a stand-in
/// in its place, since the offscreen platform has no notification area.
///
/// UI thread only.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    enum class Button { Left, Right };

    using QObject::QObject;
    ~TrayIcon() override;

    /// True when the desktop offers a notification area the icon can be shown in.
    virtual bool IsAvailable() const = 0;
    /// Shows the icon with the tip @p tip.
    virtual void Add(const QIcon& icon, const QString& tip) = 0;
    /// Removes the icon; nothing happens when it is not shown.
    virtual void Delete() = 0;
    virtual bool IsShown() const = 0;

Q_SIGNALS:
    /// A mouse button was released over the icon.
    void clicked(TrayIcon::Button button);
};

/// The desktop's notification area through QSystemTrayIcon.
class QtTrayIcon : public TrayIcon {
    Q_OBJECT
public:
    explicit QtTrayIcon(QObject* parent = nullptr);
    ~QtTrayIcon() override;

    bool IsAvailable() const override;
    void Add(const QIcon& icon, const QString& tip) override;
    void Delete() override;
    bool IsShown() const override;

private:
    std::unique_ptr<QSystemTrayIcon> m_icon;
};

/// The program's icon: a film reel, drawn so that it needs no picture file.
QIcon ReelvaneIcon();
