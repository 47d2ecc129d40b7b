#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

class TcdSettings;

/// Converts files one after another with the batch rules: the output name from the target
/// format, one engine configured from the settings alone, the next file only once the engine
/// is free. Runs on the thread that owns the event loop.
class CliConverter {
public:
    CliConverter(TcdSettings& settings, QTextStream& log, QTextStream& progress, bool showProgress);

    /// Converts every file into `outputFolder`; answers how many failed.
    int ConvertAll(const QStringList& files, const QString& outputFolder);

    /// Asks the running conversion to stop; safe to call from a timer on the owning thread.
    void RequestStop();
    bool Stopped() const { return stopped_; }

private:
    TcdSettings& settings_;
    QTextStream& log_;
    QTextStream& progress_;
    bool showProgress_;
    bool stopped_ = false;
    class TKXVideoEdit* engine_ = nullptr;
};
