#include "cli/CliConverter.h"

#include "app/batch/PresetMapping.h"
#include "engine/KXVideoEdit.h"
#include "settings/cdSettings.h"
#include "util/myutility.h"

#include <QFileInfo>
#include <QLocale>
#include <QMutex>
#include <QMutexLocker>
#include <QTime>

namespace {

QString Stamp() {
    return QLatin1Char('[') + QLocale().toString(QTime::currentTime(), QLocale::LongFormat) +
           QLatin1Char(']');
}

} // namespace

CliConverter::CliConverter(TcdSettings& settings, QTextStream& log, QTextStream& progress,
                           bool showProgress)
    : settings_(settings)
    , log_(log)
    , progress_(progress)
    , showProgress_(showProgress) {}

void CliConverter::RequestStop() {
    stopped_ = true;
    if (engine_)
        engine_->Stop();
}

int CliConverter::ConvertAll(const QStringList& files, const QString& outputFolder) {
    TKXVideoEdit engine;
    engine.setBackground_Color(13488581);
    engine_ = &engine;

    // Errors come from the worker thread too; they are only collected here.
    QMutex errorsLock;
    QStringList errors; // guarded by errorsLock
    bool stopped = false;
    int lastPercent = -1;
    engine.OnError = [&](int, const QString& text) {
        QMutexLocker locker(&errorsLock);
        errors << text;
    };
    engine.OnStart = [&] { lastPercent = -1; };
    engine.OnProgress = [&](int percent) {
        percent = std::min(percent, 100);
        if (showProgress_ && percent != lastPercent) {
            progress_ << "\r" << percent << "%" << Qt::flush;
            lastPercent = percent;
        }
    };
    engine.OnStop = [&] { stopped = true; };

    log_ << "Task begin" << Qt::endl;
    int failed = 0;
    for (const QString& file : files) {
        if (stopped_) {
            ++failed;
            continue;
        }
        const QString output = IncludeBackslash(outputFolder) + OutputNameFor(settings_, file);
        log_ << Stamp() << "Load: " << file << " [Success]" << Qt::endl;
        {
            QMutexLocker locker(&errorsLock);
            errors.clear();
        }
        stopped = false;
        QString setupError;
        if (!QFileInfo(file).isFile()) {
            log_ << "[Error message]: Input file not found: " << file << Qt::endl;
            ++failed;
            continue;
        }
        if (!SetupConversion(engine, settings_, file, output, &setupError)) {
            log_ << "[Error message]: " << setupError << Qt::endl;
            ++failed;
            continue;
        }
        engine.WaitForFree(-1);
        if (showProgress_)
            progress_ << "\r" << Qt::flush;
        QStringList seen;
        {
            QMutexLocker locker(&errorsLock);
            seen = errors;
        }
        for (const QString& e : seen)
            log_ << "[Error message]: " << e << Qt::endl;
        if (stopped_) {
            log_ << Stamp() << "Stopped: " << file << " was not converted" << Qt::endl;
            ++failed;
        } else if (stopped && seen.isEmpty() && QFileInfo(output).size() > 0) {
            log_ << Stamp() << "Convert to: " << QFileInfo(output).fileName() << " [Success]"
                 << Qt::endl;
        } else {
            if (seen.isEmpty())
                log_ << "[Error message]: the conversion ended without writing " << output
                     << Qt::endl;
            ++failed;
        }
    }
    log_ << "Task End" << Qt::endl;
    engine_ = nullptr;
    return failed;
}
