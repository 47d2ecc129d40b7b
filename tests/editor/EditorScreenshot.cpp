// Saves pictures of the profile editor's MPEG and WMV pages as the program shows them (with the
// English language file):
//     editor_screenshot MPEG.png WMV.png
// Used for the pictures in docs/ (run under xvfb-run for real fonts). Not a test.

#include "app/core/Language.h"
#include "app/ui/ShellServicesQt.h"
#include "editor/core/Presets.h"
#include "editor/frmEdit.h"
#include "settings/cdSettings.h"

#include <QApplication>
#include <QComboBox>
#include <QPixmap>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: editor_screenshot MPEG.png WMV.png\n");
        return 2;
    }
    ShellServicesQt shell;
    LangFile() = QStringLiteral(REELVANE_APP_DIR "/English.lng");
    TcdSettings settings;
    settings.SetWMVVedioMode(2);  // VBR(Peak): both peak fields in use
    settings.SetWMVAudioCodec(2); // the longest format descriptions
    settings.SetWMVAudioFormat3(4);
    const std::pair<int, const char*> pages[] = {{FormatMPEG, argv[1]}, {FormatWMV, argv[2]}};
    const char* captions[] = {"Edit MPEG Profiles", "", "Edit WMV Profiles"};
    for (const auto& [format, file] : pages) {
        TfrmEdit editor(settings, format, CustomPresetRow(format));
        editor.setWindowTitle(QString::fromLatin1(captions[format]));
        editor.ShowPage(editor.PageFor(format));
        editor.show();
        QApplication::processEvents();
        if (!editor.grab().save(QString::fromLocal8Bit(file))) {
            std::fprintf(stderr, "could not save %s\n", file);
            return 1;
        }
    }
    return 0;
}
