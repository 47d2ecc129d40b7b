// Runs a small batch in the main window and saves a picture of the window with a selected row:
//     window_screenshot OUTPUT.png [FOLDER]
// The clips are made in FOLDER (say /home/user/Videos; removed again when the program made it),
// else in a temporary folder. Used for the README picture (run under xvfb-run for real fonts).
// Not a test.

#include "WindowTestSupport.h"
#include "tests/support/TestMedia.h"
#include "util/myutility.h"

#ifdef REELVANE_WITH_ENGINE
#include "app/batch/VideoEditEngine.h"
#endif

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPixmap>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: window_screenshot OUTPUT.png [FOLDER]\n");
        return 2;
    }
    QTemporaryDir config;
    QTemporaryDir temporary;
    const QString folder =
        argc > 2 ? QDir(QString::fromLocal8Bit(argv[2])).absolutePath() : temporary.path();
    const bool madeFolder = !QFileInfo::exists(folder);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "could not make %s\n", qPrintable(folder));
        return 1;
    }
    struct RemoveMade {
        QString folder;
        ~RemoveMade() {
            if (!folder.isEmpty())
                QDir(folder).removeRecursively();
        }
    } removeMade{madeFolder ? folder : QString()};
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    SettingsHolder settings;
    AnsweringShell shell;
    InstallShellServices(&shell);
    std::unique_ptr<EngineAdapter> engine;
#ifdef REELVANE_WITH_ENGINE
    engine = std::make_unique<VideoEditEngine>();
#endif
    TfrmReelvane window(std::move(engine));
    window.show();
    window.findChild<QAction*>(QStringLiteral("actNext"))->trigger();
    window.findChild<QAction*>(QStringLiteral("mniFLV"))->trigger();

    // The program's own example clip, as the "Example" link adds it, copied beside the others.
    QStringList files = {QDir(folder).filePath(QStringLiteral("Example.avi"))};
    QFile::remove(files[0]);
    if (!QFile::copy(QStringLiteral(REELVANE_APP_DIR "/Example.avi"), files[0])) {
        std::fprintf(stderr, "could not copy Example.avi\n");
        return 1;
    }
    for (const char* name : {"holiday.avi", "interview.avi"}) {
        const QString path = QDir(folder).filePath(QString::fromLatin1(name));
        if (!testsupport::MakeTestAvi(path, 1.0, 160, 120, 25, true)) {
            std::fprintf(stderr, "could not generate %s\n", name);
            return 1;
        }
        files << path;
    }
    window.AddFilesToList(files);
    window.RemoveDuplicateNames();
    window.UpdateListActions();
    const QString out = QDir(folder).filePath(QStringLiteral("converted"));
    QDir().mkpath(out);
    shell.folders.push_back(out);
    window.findChild<QAction*>(QStringLiteral("actConvert"))->trigger();
    auto* log = window.findChild<QPlainTextEdit*>(QStringLiteral("mmolog"));
    if (!WaitUntil([log] { return log->toPlainText().contains(QStringLiteral("Task End")); },
                   120000)) {
        std::fprintf(stderr, "the batch did not end\n");
        return 1;
    }
    auto* list = window.findChild<QTreeWidget*>(QStringLiteral("lvFiles"));
    list->setCurrentItem(list->topLevelItem(1));
    list->setFocus();
    WaitUntil([] { return false; }, 300);
    if (!window.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "could not save %s\n", argv[1]);
        return 1;
    }
    std::printf("%s\n", qPrintable(log->toPlainText()));
    InstallShellServices(nullptr);
    return 0;
}
