#pragma once
// The worker thread of one run. Created per run by TKXVideoEdit::Start; every media object of
// the run is created inside run().

#include "engine/ConversionRun.h"

#include <QThread>

#include <atomic>

class TKXVideoEdit;

namespace engine {

class RunThread final : public QThread, public RunHost {
public:
    RunThread(TKXVideoEdit* engine, RunSettings settings);

    /// Any thread: ask the run to end.
    void RequestStop() override { stop_.store(true); }
    bool StopRequested() const override { return stop_.load(); }

    void NotifyStart() override;
    void NotifyProgress(int percent) override;

protected:
    void run() override;

private:
    TKXVideoEdit* engine_;
    RunSettings settings_;
    std::atomic<bool> stop_{false};
    bool started_ = false; ///< worker thread only: OnStart was delivered
};

} // namespace engine
