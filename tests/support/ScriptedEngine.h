#pragma once
// An engine adapter whose runs the test ends by hand, for the queue and window tests (link
// reelvane_batch). Header only.

#include "app/batch/EngineAdapter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

class ScriptedEngine : public EngineAdapter {
public:
    bool free = true;
    QStringList setups; // "input|output" per SetupConversion
    QString lastOutput; // output of the latest SetupConversion
    int stopRequests = 0;
    int setupWhileBusy = 0; // SetupConversion called while a run existed

    bool IsFree() const override { return free; }
    void SetupConversion(const QString& in, const QString& out) override {
        if (!free)
            ++setupWhileBusy;
        setups << in + QLatin1Char('|') + out;
        lastOutput = out;
        free = false;
    }
    void ClearInputs() override {}
    void Stop() override { ++stopRequests; }

    /// The run ends well: it writes its output, reports start, 100 % and its stop, and the
    /// engine is free again.
    void Finish() {
        QDir().mkpath(QFileInfo(lastOutput).absolutePath());
        QFile file(lastOutput);
        if (file.open(QIODevice::WriteOnly))
            file.write("converted");
        file.close();
        Q_EMIT started();
        Q_EMIT progress(100);
        Q_EMIT stopped();
        free = true;
    }
    /// The run reports @p text as an error and ends with its stop event.
    void Fail(const QString& text) {
        Q_EMIT error(5, text);
        Q_EMIT stopped();
        free = true;
    }
    /// The run's stop event arrives (after a Stop, say) and the engine is free.
    void Ended() {
        Q_EMIT stopped();
        free = true;
    }
};
