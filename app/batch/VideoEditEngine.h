#pragma once

#include "app/batch/EngineAdapter.h"

#include <memory>

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
    const TcdSettings* m_settings;
    std::unique_ptr<TKXVideoEdit> m_edit;
};
