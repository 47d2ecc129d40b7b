#include "cli/CliWatcher.h"

#include "app/batch/VideoEditEngine.h"
#include "cli/JobReport.h"

#include <QEventLoop>

CliWatcher::CliWatcher(TcdSettings& settings, QTextStream& log, QTextStream& errors,
                       QTextStream* json)
    : settings_(settings)
    , log_(log)
    , errors_(errors)
    , json_(json) {}

void CliWatcher::RequestStop() {
    stopped_ = true;
    if (queue_)
        queue_->StopWatching();
    if (loop_)
        loop_->quit();
}

int CliWatcher::Watch(const HotDirFolders& folders) {
    VideoEditEngine engine(&settings_);
    HotDirQueue queue(engine, &settings_);
    // Nobody waits for a window here: the next job as soon as the engine is free.
    queue.SetTickInterval(50);
    JobClock clock(queue);
    QObject::connect(&queue, &HotDirQueue::logLine, &queue, [this](const QString& line) {
        if (!json_)
            log_ << line << Qt::endl;
    });
    QObject::connect(&queue, &ConversionQueue::jobDecided, &queue, [&](int index) {
        if (json_)
            *json_ << JobJsonLine(queue.Job(index), clock.SecondsOf(index)) << Qt::endl;
    });
    QObject::connect(&queue, &HotDirQueue::problem, &queue, [this](const QString& text) {
        errors_ << "reelvane-cli: " << text << Qt::endl;
    });

    const HotDirCheck check = queue.StartWatching(folders, true);
    if (!check.Ok()) {
        errors_ << "reelvane-cli: " << check.text << Qt::endl;
        return 2;
    }
    const HotDirFolders& used = queue.Folders();
    errors_ << "reelvane-cli: watching " << used.input
            << (used.subFolders ? " with its sub-folders" : "") << ", converting into "
            << used.output << ", log in " << used.log << Qt::endl;
    QEventLoop loop;
    queue_ = &queue;
    loop_ = &loop;
    if (!stopped_)
        loop.exec();
    queue.StopWatching();
    queue_ = nullptr;
    loop_ = nullptr;
    // The engine's destructor waits for the stopped run to end: no partial file is left.
    return 130;
}
