#include "cli/CliConverter.h"

#include "app/batch/BatchQueue.h"
#include "app/batch/VideoEditEngine.h"
#include "cli/JobReport.h"

#include <QEventLoop>

CliConverter::CliConverter(TcdSettings& settings, QTextStream& log, QTextStream& progress,
                           bool showProgress, QTextStream* json)
    : settings_(settings)
    , log_(log)
    , progress_(progress)
    , showProgress_(showProgress)
    , json_(json) {}

void CliConverter::RequestStop() {
    stopped_ = true;
    if (queue_)
        queue_->Stop();
}

int CliConverter::ConvertAll(const QStringList& files, const QString& outputFolder) {
    VideoEditEngine engine(&settings_);
    BatchQueue queue(engine, &settings_);
    queue.SetSaveFolder(outputFolder);
    // Nothing waits for a user here: the next file as soon as the engine is free.
    queue.SetTickInterval(20);
    for (const QString& file : files)
        queue.AddJob(file, file);

    int lastPercent = -1; // shown on the progress line, -1 none
    QObject::connect(&queue, &BatchQueue::logLine, &queue,
                     [this, &lastPercent](const QString& line) {
                         if (lastPercent >= 0) { // the progress line ends before a log line
                             progress_ << "\r" << Qt::flush;
                             lastPercent = -1;
                         }
                         // On a terminal a line ends with LF; a line's own CR LF is that end.
                         QString shown = line;
                         if (shown.endsWith(QLatin1String("\r\n")))
                             shown.chop(2);
                         log_ << shown << Qt::endl;
                     });
    QObject::connect(&queue, &ConversionQueue::progress, &queue, [this, &lastPercent](int percent) {
        if (showProgress_ && percent != lastPercent) {
            progress_ << "\r" << percent << "%" << Qt::flush;
            lastPercent = percent;
        }
    });
    JobClock clock(queue);
    if (json_) {
        QObject::connect(&queue, &ConversionQueue::jobDecided, &queue, [&](int index) {
            *json_ << JobJsonLine(queue.Job(index), clock.SecondsOf(index)) << Qt::endl;
        });
    }
    QEventLoop loop;
    QObject::connect(&queue, &ConversionQueue::runningChanged, &loop, [&loop](bool running) {
        if (!running)
            loop.quit();
    });

    queue_ = &queue;
    if (!stopped_ && queue.Start())
        loop.exec();
    queue_ = nullptr;
    if (json_) {
        for (int i = 0; i < queue.Count(); ++i)
            if (queue.Job(i).state == JobState::Waiting)
                *json_ << JobJsonLine(queue.Job(i), 0.0) << Qt::endl;
    }
    // The engine's destructor waits for a stopped run to end (no partial file is left).
    int failed = 0;
    for (const ConversionJob& job : queue.Jobs())
        failed += job.state == JobState::Succeeded ? 0 : 1;
    return failed;
}
