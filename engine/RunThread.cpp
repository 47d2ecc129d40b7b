#include "engine/RunThread.h"

#include "engine/KXVideoEdit.h"

#include <QFile>

namespace engine {

RunThread::RunThread(TKXVideoEdit* engine, RunSettings settings)
    : engine_(engine)
    , settings_(std::move(settings)) {
    setObjectName(QStringLiteral("reelvane-run"));
}

void RunThread::NotifyStart() {
    started_ = true;
    engine_->DeliverStart();
}

void RunThread::NotifyProgress(int percent) {
    engine_->DeliverProgress(percent);
}

void RunThread::run() {
    RunOutcome outcome;
    try {
        outcome = ExecuteRun(settings_, *this);
    } catch (...) {
        // ExecuteRun cleans up after itself; this is the last line of defence.
        if (settings_.onError) {
            try {
                settings_.onError(0, QStringLiteral("Conversion failed: internal error"));
            } catch (...) {
            }
        }
        if (!settings_.writeFileName.isEmpty())
            QFile::remove(settings_.writeFileName);
        outcome.reachedGraph = started_;
    }
    engine_->status_.store(kx::Status_FREE);
    stop_.store(false);
    if (outcome.reachedGraph)
        engine_->DeliverStop(outcome);
}

} // namespace engine
