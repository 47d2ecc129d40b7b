#pragma once

#include <QColor>
#include <QImage>
#include <QObject>
#include <QString>

/// What a conversion queue (and the window's preview panel) needs of the conversion engine:
/// configure and start one file, stop, and the engine's events as signals. The window and
/// reelvane-cli wire the real engine (VideoEditEngine); a build without the engine gets
/// UnavailableEngine, which reports every start as an error.
///
/// All calls and all signals are on the thread that owns the adapter (the UI thread of the
/// window, the main thread of the command line). An implementation whose engine reports on
/// another thread must pass those reports to the owning thread (queued) before emitting.
class EngineAdapter : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~EngineAdapter() override = default;

    /// True when no run exists (also none that is still delivering its stop event). A queue
    /// takes the next file only then, so a running conversion is never reconfigured.
    virtual bool IsFree() const = 0;
    /// Configures the engine from Settings() for @p inputPath → @p outputPath and starts it;
    /// returns at once, the events follow.
    virtual void SetupConversion(const QString& inputPath, const QString& outputPath) = 0;
    /// Empties the engine's input list (a running conversion keeps the inputs it took).
    virtual void ClearInputs() = 0;
    /// Asks a running conversion to end; does not wait.
    virtual void Stop() = 0;

    /// The picture the preview panel shows: the latest frame, else a null image.
    virtual QImage PreviewFrame() const { return {}; }
    /// Background of the preview panel.
    virtual QColor BackgroundColor() const { return QColor(197, 209, 205); }
    /// Background picture and its draw mode (0 centre, 1 stretch, 2 tile); null for none.
    virtual QImage BackgroundImage() const { return {}; }
    virtual int BackgroundDrawMode() const { return 0; }

Q_SIGNALS:
    void started();
    void progress(int percent);
    void stopped();
    void error(int code, const QString& text);
    /// Something about the running file the user should know that does not make it fail (an
    /// input that ends well before its declared length, ...).
    void warning(const QString& text);
    /// The preview panel should repaint.
    void repaintRequested();
};

/// Stand-in for builds without the conversion engine: every start reports that no engine is
/// available (as an error, then the run's stop), so nothing is ever marked converted.
class UnavailableEngine : public EngineAdapter {
    Q_OBJECT
public:
    using EngineAdapter::EngineAdapter;
    bool IsFree() const override { return !m_pending; }
    void SetupConversion(const QString& inputPath, const QString& outputPath) override;
    void ClearInputs() override {}
    void Stop() override {}

private:
    bool m_pending = false;
};
