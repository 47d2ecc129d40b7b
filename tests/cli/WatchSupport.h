#pragma once
// `reelvane-cli watch` run as a child process: its standard output read line by line as it
// comes, each line with the time it arrived. QtCore only; header only.

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <vector>

class WatchProcess {
public:
    struct Line {
        QString text;
        qint64 atMs; ///< since the process was started
    };

    /// Starts reelvane-cli with @p args and a settings store in @p configFolder.
    void Start(const QStringList& args, const QString& configFolder) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", configFolder);
        m_process.setProcessEnvironment(env);
        m_process.start(REELVANE_CLI, args);
        m_clock.start();
        ASSERT_TRUE(m_process.waitForStarted());
    }
    qint64 NowMs() const { return m_clock.elapsed(); }

    /// Reads what arrived until @p done holds for the lines so far, or @p timeoutMs passed.
    bool WaitFor(const std::function<bool(const std::vector<Line>&)>& done, int timeoutMs) {
        QElapsedTimer waited;
        waited.start();
        for (;;) {
            Drain();
            if (done(m_lines))
                return true;
            if (waited.elapsed() > timeoutMs || m_process.state() == QProcess::NotRunning)
                return done(m_lines);
            m_process.waitForReadyRead(50);
        }
    }
    /// Waits for a line that contains @p part; answers its arrival time or -1.
    qint64 WaitForLine(const QString& part, int timeoutMs) {
        qint64 at = -1;
        WaitFor(
            [&](const std::vector<Line>& lines) {
                for (const Line& line : lines)
                    if (line.text.contains(part)) {
                        at = line.atMs;
                        return true;
                    }
                return false;
            },
            timeoutMs);
        return at;
    }
    int Count(const QString& part) {
        Drain();
        int n = 0;
        for (const Line& line : m_lines)
            n += line.text.contains(part) ? 1 : 0;
        return n;
    }
    QString Text() {
        Drain();
        QStringList all;
        for (const Line& line : m_lines)
            all << line.text;
        return all.join('\n') + "\n--- stderr:\n" + m_stderr;
    }
    /// Sends @p signal and waits for the end; answers the exit status (-1: did not end).
    int Signal(int signal, int timeoutMs = 60000) {
        ::kill(pid_t(m_process.processId()), signal);
        if (!m_process.waitForFinished(timeoutMs))
            return -1;
        Drain();
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }
    /// For a process that ends by itself.
    int Wait(int timeoutMs = 30000) {
        if (!m_process.waitForFinished(timeoutMs))
            return -1;
        Drain();
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }
    QString Stderr() {
        Drain();
        return m_stderr;
    }
    ~WatchProcess() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(10000);
        }
    }

private:
    void Drain() {
        m_pending += m_process.readAllStandardOutput();
        m_stderr += QString::fromLocal8Bit(m_process.readAllStandardError());
        qsizetype end;
        while ((end = m_pending.indexOf('\n')) >= 0) {
            m_lines.push_back({QString::fromLocal8Bit(m_pending.left(end)), m_clock.elapsed()});
            m_pending.remove(0, end + 1);
        }
    }

    QProcess m_process;
    QElapsedTimer m_clock;
    QByteArray m_pending;
    QString m_stderr;
    std::vector<Line> m_lines;
};
