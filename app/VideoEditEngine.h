#pragma once

#include "app/EngineAdapter.h"

#include <memory>

class TKXVideoEdit;

/// The window's engine: a TKXVideoEdit configured from Settings() by SetupConversion. Its
/// start, progress and stop events come on this (the UI) thread; its errors, which may come on
/// the run's worker, are passed to the UI thread in the order they were reported.
/// Create and use on the UI thread.
class VideoEditEngine : public EngineAdapter {
    Q_OBJECT
public:
    explicit VideoEditEngine(QObject* parent = nullptr);
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
    std::unique_ptr<TKXVideoEdit> m_edit;
};
