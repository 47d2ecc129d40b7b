// Runs a small batch in the main window and saves a picture of the window:
//     window_screenshot OUTPUT.png
// Used for the README picture (run under xvfb-run for real fonts). Not a test.

#include "WindowTestSupport.h"
#include "tests/support/TestMedia.h"
#include "util/myutility.h"

#ifdef REELVANE_WITH_ENGINE
#include "app/batch/VideoEditEngine.h"
#endif

#include <QApplication>
#include <QDir>
#include <QPixmap>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: window_screenshot OUTPUT.png\n");
        return 2;
    }
    QTemporaryDir config;
    QTemporaryDir work;
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

    QStringList files;
    for (const char* name : {"holiday.avi", "interview.avi"}) {
        const QString path = work.filePath(QString::fromLatin1(name));
        if (!testsupport::MakeTestAvi(path, 1.0, 160, 120, 25, true)) {
            std::fprintf(stderr, "could not generate %s\n", name);
            return 1;
        }
        files << path;
    }
    // The program's own example clip, as the "Example" link of the installed program adds it.
    window.AddFileToList(QStringLiteral(REELVANE_APP_DIR "/Example.avi"));
    window.AddFilesToList(files);
    window.RemoveDuplicateNames();
    window.UpdateListActions();
    const QString out = work.filePath("converted");
    QDir().mkpath(out);
    shell.folders.push_back(out);
    window.findChild<QAction*>(QStringLiteral("actConvert"))->trigger();
    auto* log = window.findChild<QPlainTextEdit*>(QStringLiteral("mmolog"));
    if (!WaitUntil([log] { return log->toPlainText().contains(QStringLiteral("Task End")); },
                   120000)) {
        std::fprintf(stderr, "the batch did not end\n");
        return 1;
    }
    WaitUntil([] { return false; }, 300);
    if (!window.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "could not save %s\n", argv[1]);
        return 1;
    }
    std::printf("%s\n", qPrintable(log->toPlainText()));
    InstallShellServices(nullptr);
    return 0;
}
