// The program as installed: `cmake --install` into a temporary DESTDIR with the prefix /usr, the
// installed files checked with the tools a distribution uses, and the installed reelvane-cli run
// on a generated clip. The data-file lookup is checked on relocated copies of a small program.

#include "tests/support/TestMedia.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

namespace {

struct Outcome {
    int code = -1; // -1: did not start, crashed or timed out
    QString out;
    QString err;
};

Outcome RunProgram(const QString& program, const QStringList& args,
                   const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
                   int timeoutMs = 90000) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    Outcome r;
    if (!p.waitForFinished(timeoutMs)) {
        r.err = program + ": " + p.errorString();
        p.kill();
        p.waitForFinished(5000);
        return r;
    }
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    if (p.exitStatus() == QProcess::NormalExit)
        r.code = p.exitCode();
    return r;
}

std::string Describe(const Outcome& r) {
    return QStringLiteral("exit %1\nstdout:\n%2\nstderr:\n%3")
        .arg(r.code)
        .arg(r.out, r.err)
        .toStdString();
}

QString Gunzip(const QString& path) {
    const Outcome r = RunProgram(QStringLiteral("gzip"), {QStringLiteral("-dc"), path});
    return r.code == 0 ? r.out : QString();
}

/// One install per test (ctest runs each test in a process of its own) into a folder of its own.
class InstalledTree : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        destdir_ = new QTemporaryDir;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DESTDIR"), destdir_->path());
        install_ = new Outcome(
            RunProgram(QStringLiteral(REELVANE_CMAKE),
                       {"--install", QStringLiteral(REELVANE_BUILD_DIR), "--prefix", "/usr"}, env));
    }
    static void TearDownTestSuite() {
        delete install_;
        delete destdir_;
    }
    void SetUp() override { ASSERT_EQ(install_->code, 0) << Describe(*install_); }

    static QString Usr(const QString& relative) { return destdir_->path() + "/usr/" + relative; }
    /// The one file in a folder of the installed tree with that name filter.
    static QString OnlyFile(const QString& folder, const QString& filter) {
        const QStringList found = QDir(Usr(folder)).entryList({filter}, QDir::Files);
        EXPECT_EQ(found.size(), 1) << folder.toStdString() << ": " << found.join(' ').toStdString();
        return found.isEmpty() ? QString() : Usr(folder + '/' + found.first());
    }
    /// A reelvane-cli environment that keeps its settings in the test's folder.
    QProcessEnvironment CliEnvironment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), work_.filePath(QStringLiteral("config")));
        return env;
    }

    static inline QTemporaryDir* destdir_ = nullptr;
    static inline Outcome* install_ = nullptr;
    QTemporaryDir work_;
};

TEST_F(InstalledTree, EverythingLiesUnderThePrefixAndTheEntriesPointAtInstalledFiles) {
    EXPECT_EQ(QDir(destdir_->path())
                  .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)
                  .join(' ')
                  .toStdString(),
              "usr");
    for (const char* program : {"reelvane", "reelvane-cli"}) {
        const QString path = Usr(QStringLiteral("bin/") + program);
        EXPECT_TRUE(QFileInfo(path).isExecutable()) << program;
        EXPECT_TRUE(QFileInfo::exists(Usr(QStringLiteral("share/man/man1/%1.1.gz").arg(program))))
            << "no manual page for " << program;
    }
    EXPECT_TRUE(QFileInfo(Usr("share/reelvane/English.lng")).size() > 0);
    // The example clip made at build time is a playable AVI.
    const testsupport::MediaInfo example =
        testsupport::ProbeMedia(Usr("share/reelvane/Example.avi"));
    ASSERT_TRUE(example.ok) << example.error.toStdString();
    EXPECT_EQ(example.container.toStdString(), "avi");
    EXPECT_TRUE(example.hasVideo && example.hasAudio);

    // The menu entry starts an installed program and shows an installed icon ...
    const QString desktop = OnlyFile("share/applications", "*.desktop");
    QSettings entry(desktop, QSettings::IniFormat);
    entry.beginGroup(QStringLiteral("Desktop Entry"));
    const QString exec = entry.value(QStringLiteral("Exec")).toString().section(' ', 0, 0);
    EXPECT_TRUE(QFileInfo(Usr("bin/" + exec)).isExecutable()) << exec.toStdString();
    const QString icon = entry.value(QStringLiteral("Icon")).toString();
    EXPECT_TRUE(QFileInfo::exists(Usr("share/icons/hicolor/scalable/apps/" + icon + ".svg")));
    for (int size : {16, 32, 48, 64, 128, 256})
        EXPECT_TRUE(QFileInfo::exists(
            Usr(QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(icon))))
            << size;
    // ... and the software-centre metadata names that entry.
    QFile metainfo(OnlyFile("share/metainfo", "*.metainfo.xml"));
    ASSERT_TRUE(metainfo.open(QIODevice::ReadOnly));
    const QString launchable = QStringLiteral("<launchable type=\"desktop-id\">%1</launchable>")
                                   .arg(QFileInfo(desktop).fileName());
    EXPECT_TRUE(QString::fromUtf8(metainfo.readAll()).contains(launchable))
        << launchable.toStdString();
}

TEST_F(InstalledTree, DesktopEntryAndMetainfoPassTheirValidators) {
    const Outcome desktop = RunProgram(QStringLiteral("desktop-file-validate"),
                                       {OnlyFile("share/applications", "*.desktop")});
    EXPECT_EQ(desktop.code, 0) << "desktop-file-utils installed (scripts/deps.sh)?\n"
                               << Describe(desktop);
    EXPECT_EQ((desktop.out + desktop.err).toStdString(), "") << "warnings count too";
    // validate-tree also checks the metainfo against the desktop entry and icon of the tree.
    const Outcome appstream =
        RunProgram(QStringLiteral("appstreamcli"), {"validate-tree", "--no-net", destdir_->path()});
    EXPECT_EQ(appstream.code, 0) << "appstream installed (scripts/deps.sh)?\n"
                                 << Describe(appstream);
}

TEST_F(InstalledTree, ManualPageRendersCleanlyAndNamesEveryOptionOfHelp) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    env.insert(QStringLiteral("MANROFFSEQ"), QString());
    env.insert(QStringLiteral("MANWIDTH"), QStringLiteral("80"));
    for (const char* page : {"reelvane", "reelvane-cli"}) {
        // The check lintian makes: groff warnings are faults of the page.
        const Outcome render = RunProgram(QStringLiteral("man"),
                                          {"--warnings", "-E", "UTF-8", "-l", "-Tutf8", "-Z",
                                           Usr(QStringLiteral("share/man/man1/%1.1.gz").arg(page))},
                                          env);
        EXPECT_EQ(render.code, 0) << page << "\n" << Describe(render);
        EXPECT_EQ(render.err.toStdString(), "") << page;
    }

    const Outcome help = RunProgram(Usr("bin/reelvane-cli"), {"--help"}, CliEnvironment());
    ASSERT_EQ(help.code, 0) << Describe(help);
    // The page's source with roff escapes for dashes and fonts undone.
    QString source = Gunzip(Usr("share/man/man1/reelvane-cli.1.gz"));
    source.replace(QStringLiteral("\\-"), QStringLiteral("-"));
    source.remove(QRegularExpression(QStringLiteral(R"(\\f[BIRP])")));
    ASSERT_FALSE(source.isEmpty());
    QStringList options;
    const QRegularExpression option(QStringLiteral(R"((?<![\w-])(--?[a-z][a-z0-9-]*))"));
    for (auto it = option.globalMatch(help.out); it.hasNext();)
        options << it.next().captured(1);
    options.removeDuplicates();
    EXPECT_TRUE(options.contains(QStringLiteral("--help"))) << help.out.toStdString();
    for (const QString& o : options)
        EXPECT_TRUE(source.contains(QRegularExpression(
            QStringLiteral(R"((?<![\w-])%1(?![\w-]))").arg(QRegularExpression::escape(o)))))
            << "the manual page does not mention " << o.toStdString();
    const QRegularExpression command(QStringLiteral(R"(reelvane-cli ([a-z]+))"));
    for (auto it = command.globalMatch(help.out); it.hasNext();) {
        const QString name = it.next().captured(1);
        EXPECT_TRUE(source.contains(QStringLiteral("reelvane-cli ") + name))
            << "the synopsis lacks the command " << name.toStdString();
    }
}

TEST_F(InstalledTree, InstalledCliConvertsAGeneratedClip) {
    const QString clip = work_.filePath(QStringLiteral("clip.avi"));
    QString error;
    ASSERT_TRUE(testsupport::MakeTestAvi(clip, testsupport::TestAviOptions{}, &error))
        << error.toStdString();
    const QString out = work_.filePath(QStringLiteral("out"));
    // FLV runs the program's own video encoder element and LAME: the installed media layer whole.
    const Outcome r = RunProgram(
        Usr("bin/reelvane-cli"),
        {"convert", "--format", "flv", "--preset", "3", "--output", out, clip}, CliEnvironment());
    ASSERT_EQ(r.code, 0) << Describe(r);
    EXPECT_TRUE(r.out.contains(QStringLiteral("Convert to: clip.flv [Success]"))) << Describe(r);
    const testsupport::MediaInfo info = testsupport::ProbeMedia(out + QStringLiteral("/clip.flv"));
    ASSERT_TRUE(info.ok) << info.error.toStdString();
    EXPECT_EQ(info.container.toStdString(), "flv");
    EXPECT_EQ(info.videoCodec.toStdString(), "flv1");
    EXPECT_EQ(info.audioCodec.toStdString(), "mp3");
    EXPECT_EQ(info.width, 160);
    EXPECT_EQ(info.height, 120);
    EXPECT_NEAR(info.durationSec, 1.0, 0.15);
}

// The systemd unit runs the installed reelvane-cli watch: systemd's own check accepts it, and its
// command line, with the folders of its environment, watches and ends with 130 on SIGTERM,
// which the unit counts as success.
TEST_F(InstalledTree, WatchServiceUnitRunsTheInstalledWatch) {
    QFile unit(Usr("lib/systemd/system/reelvane-watch.service"));
    ASSERT_TRUE(unit.open(QIODevice::ReadOnly)) << unit.fileName().toStdString();
    const QString text = QString::fromUtf8(unit.readAll());
    QString exec;
    QHash<QString, QString> environment;
    for (const QString& line : text.split('\n')) {
        if (line.startsWith("ExecStart="))
            exec = line.mid(10);
        else if (line.startsWith("Environment=") && line.contains('='))
            environment.insert(line.mid(12).section('=', 0, 0), line.mid(12).section('=', 1));
    }
    EXPECT_TRUE(text.contains("\nSuccessExitStatus=130\n"));
    const QStringList words = exec.split(' ', Qt::SkipEmptyParts);
    ASSERT_GE(words.size(), 2) << exec.toStdString();
    ASSERT_EQ(words[0], "/usr/bin/reelvane-cli");
    EXPECT_EQ(words[1], "watch");

    const QString installed = Usr("bin/reelvane-cli");
    if (!QStandardPaths::findExecutable("systemd-analyze").isEmpty()) {
        // The unit as installed, with its program where this test installed it.
        const QString copy = work_.filePath("reelvane-watch.service");
        QFile out(copy);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(QString(text).replace("/usr/bin/reelvane-cli", installed).toUtf8());
        out.close();
        const Outcome verify =
            RunProgram(QStringLiteral("systemd-analyze"), {"verify", "--man=no", copy});
        EXPECT_EQ(verify.code, 0) << Describe(verify);
        EXPECT_EQ(verify.err.toStdString(), "") << "warnings count too";
    }

    // The command line with the unit's variables pointed at folders of the test.
    QStringList args;
    const QHash<QString, QString> folders{{"REELVANE_INPUT", work_.filePath("incoming")},
                                          {"REELVANE_OUTPUT", work_.filePath("converted")},
                                          {"REELVANE_LOG", work_.filePath("log")}};
    ASSERT_TRUE(QDir().mkpath(folders["REELVANE_INPUT"]));
    for (const QString& word : words.mid(1)) {
        if (word.startsWith("${") && word.endsWith('}')) {
            const QString name = word.mid(2, word.size() - 3);
            ASSERT_TRUE(environment.contains(name)) << name.toStdString();
            args << folders.value(name, environment.value(name));
        } else {
            args << word;
        }
    }
    QProcess watch;
    watch.setProcessEnvironment(CliEnvironment());
    watch.setReadChannel(QProcess::StandardError);
    watch.start(installed, args);
    QByteArray said;
    while (!said.contains("watching") && watch.waitForReadyRead(10000))
        said += watch.readAllStandardError();
    EXPECT_TRUE(said.contains("watching " + folders["REELVANE_INPUT"].toLocal8Bit()))
        << said.toStdString();
    ::kill(pid_t(watch.processId()), SIGTERM);
    ASSERT_TRUE(watch.waitForFinished(30000));
    EXPECT_EQ(watch.exitCode(), 130);
    EXPECT_TRUE(QFileInfo(folders["REELVANE_OUTPUT"]).isDir());
}

// Where the program finds a data file, by where copies of it lie. One relocated program, one
// file name per case.
TEST(DataFileLookup, ProgramFolderThenInstalledShareThenXdgDataFolders) {
    QTemporaryDir dir;
    const QString beside = dir.filePath(QStringLiteral("prefix/bin"));
    const QString share = dir.filePath(QStringLiteral("prefix/share/reelvane"));
    const QString home = dir.filePath(QStringLiteral("home/reelvane"));
    const QString sys1 = dir.filePath(QStringLiteral("sys1/reelvane"));
    const QString sys2 = dir.filePath(QStringLiteral("sys2/reelvane"));
    for (const QString& folder : {beside, share, home, sys1, sys2})
        ASSERT_TRUE(QDir().mkpath(folder));
    const QString program = beside + QStringLiteral("/probe");
    ASSERT_TRUE(QFile::copy(QStringLiteral(DATA_FILE_PROBE), program));

    const struct Case {
        const char* file;
        QStringList placedIn;
        QString expected;          // folder of the answer
        bool folderBeside = false; // a folder of that name beside the program
    } cases[] = {
        {"a.lng", {beside, share, home, sys1}, beside},
        {"b.lng", {share, home, sys1}, share},
        {"c.lng", {home, sys1, sys2}, home},
        {"d.lng", {sys1, sys2}, sys1},
        {"e.lng", {sys2}, sys2},
        {"f.lng", {}, beside}, // nowhere: the path beside the program
        {"g.lng", {share}, share, true},
    };
    QStringList names;
    for (const Case& c : cases) {
        names << QString::fromLatin1(c.file);
        for (const QString& folder : c.placedIn) {
            QFile f(folder + '/' + c.file);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
        if (c.folderBeside) {
            ASSERT_TRUE(QDir(beside).mkdir(QString::fromLatin1(c.file)));
        }
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("home")));
    env.insert(QStringLiteral("XDG_DATA_DIRS"),
               dir.filePath(QStringLiteral("sys1")) + ':' + dir.filePath(QStringLiteral("sys2")));
    const Outcome r = RunProgram(program, names, env);
    ASSERT_EQ(r.code, 0) << Describe(r);
    const QStringList answers = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(answers.size(), names.size()) << r.out.toStdString();
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(answers[i].toStdString(),
                  (cases[i].expected + '/' + cases[i].file).toStdString());
}

} // namespace
