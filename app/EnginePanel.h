#pragma once

#include <QPointer>
#include <QWidget>

class EngineAdapter;

/// The engine's place in the window (inside pnlpreview): fills itself with the engine's
/// background colour, draws the background picture in its draw mode (centre, stretch, tile)
/// and, once a run has produced one, the latest frame scaled to fit. UI thread.
class EnginePanel : public QWidget {
    Q_OBJECT
public:
    explicit EnginePanel(EngineAdapter* engine, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<EngineAdapter> m_engine;
};
