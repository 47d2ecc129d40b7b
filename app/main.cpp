// The program's entry: settings, language, single instance, the main window.

#include "app/batch/EngineAdapter.h"
#include "app/core/Language.h"
#include "app/core/SingleInstance.h"
#include "app/frmReelvane.h"
#include "app/ui/ShellServicesQt.h"
#include "settings/GlobalSettings.h"
#include "util/myutility.h"

#ifdef REELVANE_WITH_ENGINE
#include "app/batch/VideoEditEngine.h"
#endif

#include <QApplication>
#include <QIcon>
#include <QMessageBox>

#include <exception>

int main(int argc, char* argv[]) {
    // The settings live for the whole of main() and are saved when it ends.
    SettingsHolder settings;
    QApplication application(argc, argv);
#ifdef REELVANE_APP_ID
    // Ties the windows to the installed menu entry (Wayland app id) and its theme icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(REELVANE_APP_ID));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("reelvane")));
#endif
    try {
        InitializeLanguage();
        SingleInstanceLock instance;
        if (instance.State() == SingleInstanceLock::AlreadyRunning)
            return 0;
        ShellServicesQt shell;
        std::unique_ptr<EngineAdapter> engine;
#ifdef REELVANE_WITH_ENGINE
        engine = std::make_unique<VideoEditEngine>();
#endif
        TfrmReelvane window(std::move(engine));
        window.show();
        return application.exec();
    } catch (const std::exception& error) {
        QMessageBox box(QMessageBox::Critical, ApplicationTitle(), QString::fromUtf8(error.what()));
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
        box.exec();
        return 1;
    }
}
