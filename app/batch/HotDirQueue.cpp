#include "app/batch/HotDirQueue.h"

#include "app/batch/EngineAdapter.h"
#include "app/batch/PresetMapping.h"
#include "hotdir/FileProbe.h"
#include "settings/GlobalSettings.h"
#include "util/Utility.h"
#include "util/myutility.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace {

/// @p path with symbolic links resolved as far as it exists, without a trailing "/".
QString Resolved(const QString& path) {
    std::error_code ec;
    const std::filesystem::path absolute =
        std::filesystem::absolute(std::filesystem::path(QFile::encodeName(path).toStdString()), ec);
    std::filesystem::path resolved = std::filesystem::weakly_canonical(absolute, ec);
    if (ec)
        resolved = absolute.lexically_normal();
    QString text = QFile::decodeName(QByteArray::fromStdString(resolved.string()));
    while (text.size() > 1 && text.endsWith(QLatin1Char('/')))
        text.chop(1);
    return text;
}

QString Clean(const QString& path) {
    const QString trimmed = path.trimmed();
    return trimmed.isEmpty() ? QString() : QDir::cleanPath(QDir(trimmed).absolutePath());
}

/// The nearest folder of @p path that exists (the path itself when it does).
QString ExistingAncestor(QString path) {
    while (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink()) {
        const QString parent = QFileInfo(path).path();
        if (parent == path)
            break;
        path = parent;
    }
    return path;
}

/// Whether one folder the run writes into can serve, without changing anything: it is a
/// writable folder, or (with @p create) it is missing and its nearest existing parent is a
/// writable folder.
HotDirCheck CheckWritableFolder(const QString& folder, bool create, const char* what,
                                HotDirProblem missing, HotDirProblem unusable) {
    const QString name = QString::fromLatin1(what);
    if (folder.isEmpty())
        return {missing, QStringLiteral("No %1 folder given").arg(name)};
    const QString existing = ExistingAncestor(folder);
    const bool exists = existing == folder;
    if (!exists && !create)
        return {missing, QStringLiteral("The %1 folder %2 does not exist").arg(name, folder)};
    if (!QFileInfo(existing).isDir()) {
        if (exists)
            return {create ? unusable : missing,
                    QStringLiteral("The %1 folder %2 is not a folder").arg(name, folder)};
        return {unusable, QStringLiteral("The %1 folder %2 cannot be created: %3")
                              .arg(name, folder, SystemErrorText(ENOTDIR))};
    }
    if (::access(QFile::encodeName(existing).constData(), W_OK | X_OK) != 0) {
        const QString reason = SystemErrorText(errno);
        return {unusable, QString::fromLatin1(exists ? "The %1 folder %2 cannot be written: %3"
                                                     : "The %1 folder %2 cannot be created: %3")
                              .arg(name, folder, reason)};
    }
    return {};
}

/// Makes @p folder with its parents when missing.
HotDirCheck MakeFolder(const QString& folder, const char* what, HotDirProblem unusable) {
    std::error_code ec;
    if (!QFileInfo(folder).isDir() &&
        !std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), ec) && ec)
        return {unusable, QStringLiteral("The %1 folder %2 cannot be created: %3")
                              .arg(QString::fromLatin1(what), folder, SystemErrorText(ec.value()))};
    return {};
}

} // namespace

bool IsSameOrInside(const QString& path, const QString& folder) {
    if (path.trimmed().isEmpty() || folder.trimmed().isEmpty())
        return false;
    const QString p = Resolved(path);
    const QString f = Resolved(folder);
    return p == f || p.startsWith(IncludeBackslash(f));
}

bool AppendHotLog(const QString& line, const QString& file, QString* error) {
    QFile log(file);
    // Unbuffered: the one write below is the system's write, whose failure is seen here.
    if (!log.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        if (error)
            *error = log.errorString();
        return false;
    }
    const QByteArray bytes = line.toLocal8Bit() + "\r\n";
    if (log.write(bytes) != bytes.size()) {
        if (error)
            *error = log.errorString();
        return false;
    }
    return true;
}

HotDirQueue::HotDirQueue(EngineAdapter& engine, const TcdSettings* settings, QObject* parent)
    : ConversionQueue(engine, parent)
    , m_settings(settings)
    , m_clock([] { return QDateTime::currentDateTime(); }) {
    m_monitor.OnFileReady = [this](const QString& path, quintptr) { OnHotFileReady(path); };
    m_monitor.OnError = [this](const QString& text) { Q_EMIT problem(text); };
}

HotDirQueue::~HotDirQueue() {
    m_monitor.Stop();
    m_monitor.OnFileReady = nullptr;
    m_monitor.OnError = nullptr;
}

HotDirCheck HotDirQueue::CheckFolders(const HotDirFolders& folders, bool createMissing) {
    const QString input = Clean(folders.input);
    const QString output = Clean(folders.output);
    const QString log = Clean(folders.log);
    if (input.isEmpty() || !QFileInfo(input).isDir())
        return {HotDirProblem::InputMissing,
                input.isEmpty() ? QStringLiteral("No input folder given")
                                : QStringLiteral("The input folder %1 does not exist").arg(input)};
    if (::access(QFile::encodeName(input).constData(), R_OK | X_OK) != 0) {
        const QString reason = SystemErrorText(errno);
        return {HotDirProblem::InputUnreadable,
                QStringLiteral("The input folder %1 cannot be read: %2").arg(input, reason)};
    }
    const HotDirCheck inside{
        HotDirProblem::OutputInsideInput,
        QStringLiteral("The output folder %1 lies inside the input folder %2").arg(output, input)};
    const bool outputInside = IsSameOrInside(output, input);
    if (createMissing && outputInside) // found before a folder would be made inside the input
        return inside;
    // Every check before anything is made: a refused run leaves no folder behind.
    if (HotDirCheck c =
            CheckWritableFolder(output, createMissing, "output", HotDirProblem::OutputMissing,
                                HotDirProblem::OutputUnusable);
        !c.Ok())
        return c;
    if (HotDirCheck c = CheckWritableFolder(log, createMissing, "log", HotDirProblem::LogMissing,
                                            HotDirProblem::LogUnwritable);
        !c.Ok())
        return c;
    if (outputInside)
        return inside;
    if (createMissing) {
        if (HotDirCheck c = MakeFolder(output, "output", HotDirProblem::OutputUnusable); !c.Ok())
            return c;
        if (HotDirCheck c = MakeFolder(log, "log", HotDirProblem::LogUnwritable); !c.Ok())
            return c;
    }
    return {};
}

HotDirCheck HotDirQueue::StartWatching(const HotDirFolders& folders, bool createMissing) {
    if (IsRunning())
        return {HotDirProblem::WatchFailed, QStringLiteral("The hot directory is watched already")};
    if (HotDirCheck c = CheckFolders(folders, createMissing); !c.Ok())
        return c;
    HotDirFolders used = folders;
    used.input = Clean(folders.input);
    used.output = Clean(folders.output);
    used.log = Clean(folders.log);
    m_monitor.Directory = used.input;
    m_monitor.WatchSubtree = used.subFolders;
    m_monitor.ExtensionFilter = QStringLiteral(".avi");
    if (!m_monitor.Start())
        return {HotDirProblem::WatchFailed,
                QStringLiteral("Cannot watch %1: %2").arg(used.input, m_monitor.LastError())};
    m_folders = used;
    m_logFailing = false;
    Clear();
    Start();
    return {};
}

void HotDirQueue::StopWatching() {
    // The queue first: the converting job is logged as stopped while its folders are known.
    Stop();
    m_monitor.Stop();
    Clear();
}

void HotDirQueue::OnHotFileReady(const QString& path) {
    if (!IsRunning())
        return;
    // A job that has not started yet converts the file as it is when taken: one job is enough.
    for (const ConversionJob& job : Jobs())
        if (job.state == JobState::Waiting && job.input == path)
            return;
    AddJob(path, path);
}

QString HotDirQueue::OutputPathFor(const QString& input) const {
    const QString relative = RelativeToFolder(input, m_folders.input);
    const QString subFolder = relative.left(relative.lastIndexOf(QLatin1Char('/')) + 1);
    return IncludeBackslash(m_folders.output) + subFolder +
           OutputNameFor(m_settings ? *m_settings : Settings(), input);
}

QString HotDirQueue::OutputPathFor(const ConversionJob& job) const {
    return OutputPathFor(job.input);
}

QString HotDirQueue::LogFileNameFor(const QString& logFolder, const QDate& day) {
    return IncludeBackslash(logFolder) + day.toString(QStringLiteral("yy-MM-dd")) +
           QStringLiteral(".log");
}

QString HotDirQueue::LogFileName() const {
    return LogFileNameFor(m_folders.log, m_clock().date());
}

QString HotDirQueue::TimeText(const QDateTime& now) const {
    return QLocale().toString(now.time(), QLocale::LongFormat);
}

void HotDirQueue::WriteLine(const QString& line, const QDateTime& now) {
    const QString file = LogFileNameFor(m_folders.log, now.date());
    QString error;
    if (AppendHotLog(line, file, &error)) {
        m_logFailing = false;
    } else if (!m_logFailing) {
        m_logFailing = true;
        Q_EMIT problem(QStringLiteral("Cannot write the log file %1: %2").arg(file, error));
    }
    Q_EMIT logLine(line);
}

void HotDirQueue::OnJobTaken(const ConversionJob& job) {
    // The output tree mirrors the input's sub-folders; a folder that cannot be made is reported
    // by the engine, which cannot create the file then.
    QDir().mkpath(QFileInfo(job.output).absolutePath());
    const QDateTime now = m_clock();
    WriteLine(QStringLiteral("Start: [") + TimeText(now) + QLatin1Char(']'), now);
    WriteLine(QStringLiteral("Load: ") + job.input + QStringLiteral(" [Success]"), now);
}

void HotDirQueue::OnJobWarning(const ConversionJob&, const QString& text) {
    WriteLine(QStringLiteral("[Warning]: ") + text, m_clock());
}

void HotDirQueue::OnJobDecided(const ConversionJob& job) {
    const QDateTime now = m_clock();
    switch (job.state) {
    case JobState::Succeeded:
        WriteLine(QStringLiteral("Save to: ") + job.output + QStringLiteral(" [Success]"), now);
        WriteLine(QStringLiteral("Finish: [") + TimeText(now) + QLatin1Char(']'), now);
        break;
    case JobState::Failed:
        WriteLine(QStringLiteral("[Error message]: ") + job.message, now);
        break;
    case JobState::Stopped:
        WriteLine(QStringLiteral("Stopped: ") + job.input + QStringLiteral(" [Not converted]"),
                  now);
        break;
    case JobState::Waiting:
    case JobState::Converting:
        break;
    }
}
