#pragma once

#include "app/batch/EngineAdapter.h"

#include <QList>

#include <memory>
#include <mutex>
#include <utility>

class TKXVideoEdit;
class TcdSettings;

/// The real engine: a TKXVideoEdit configured by SetupConversion from the given settings
/// (nullptr: the program's Settings() at the time of the call). Its start, progress and stop
/// events come on the owning thread; its errors, which may come on the run's worker, are
/// passed to the owning thread in the order they were reported.
/// Create and use on a thread that runs an event loop; @p settings must outlive the adapter.
class VideoEditEngine : public EngineAdapter {
    Q_OBJECT
public:
    explicit VideoEditEngine(const TcdSettings* settings = nullptr, QObject* parent = nullptr);
    ~VideoEditEngine() override;

    bool IsFree() const override;
    void SetupConversion(const QString& inputPath, const QString& outputPath) override;
    void ClearInputs() override;
    void Stop() override;
    QImage PreviewFrame() const override;
    QColor BackgroundColor() const override;
    QImage BackgroundImage() const override;
    int BackgroundDrawMode() const override;

    TKXVideoEdit& Edit() { return *m_edit; }

private:
    /// Emits the errors the run's worker reported, in their order (owning thread).
    Q_INVOKABLE void DeliverPendingErrors();

    const TcdSettings* m_settings;
    std::unique_ptr<TKXVideoEdit> m_edit;
    std::mutex m_errorsLock; ///< guards m_pendingErrors
    /// Errors reported on the run's worker, not emitted yet.
    QList<std::pair<int, QString>> m_pendingErrors;
};
