// reelvane-cli: converts AVI files with the program's settings and presets, without a window.

#include "cli/CliConverter.h"
#include "editor/core/Presets.h"
#include "settings/RegistryStore.h"
#include "settings/cdSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

std::atomic<bool> g_interrupted{false};

void OnSignal(int) {
    g_interrupted.store(true);
}

const char* const kFormats[] = {"mpeg", "mp4", "wmv", "flv", "mov", "mp3"};

int FormatIndex(const QString& name) {
    for (int i = 0; i < 6; ++i)
        if (name.compare(QLatin1String(kFormats[i]), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

const char kUsage[] =
    "Usage:\n"
    "  reelvane-cli convert [--format mpeg|mp4|wmv|flv|mov|mp3] [--preset ROW] [--output DIR] "
    "FILE...\n"
    "  reelvane-cli presets [--format F]\n"
    "  reelvane-cli --help\n"
    "\n"
    "convert  converts the files one after another with the program's stored settings.\n"
    "         --format  the target format for this run (default: the stored one)\n"
    "         --preset  applies preset ROW of that format (see 'presets'); without it the\n"
    "                   stored values, custom ones included, are used\n"
    "         --output  the output folder (default: the stored output folder)\n"
    "         Log lines go to standard output, a progress line to standard error when it\n"
    "         is a terminal. Changed settings are not saved.\n"
    "presets  lists the preset rows with their numbers, for one format or all.\n"
    "\n"
    "Exit status: 0 every file converted, 1 a file failed, 2 usage error,\n"
    "130 interrupted (Ctrl+C or SIGTERM stop the running conversion; no partial file is left).\n";

int Usage(const QString& problem) {
    std::fprintf(stderr, "reelvane-cli: %s\n\n%s", problem.toLocal8Bit().constData(), kUsage);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (args.isEmpty())
        return Usage(QStringLiteral("no command given"));
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        out << kUsage;
        return 0;
    }
    const QString command = args.takeFirst();
    int format = -2; // not given
    int preset = -1;
    QString outputFolder;
    QStringList files;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        auto value = [&](QString& target) {
            if (i + 1 >= args.size())
                return false;
            target = args[++i];
            return true;
        };
        QString v;
        if (a == QLatin1String("--format")) {
            if (!value(v) || (format = FormatIndex(v)) < 0)
                return Usage(QStringLiteral("--format takes one of mpeg, mp4, wmv, flv, mov, mp3"));
        } else if (a == QLatin1String("--preset")) {
            bool ok = false;
            if (!value(v) || (preset = v.toInt(&ok), !ok) || preset < 0)
                return Usage(
                    QStringLiteral("--preset takes a row number (see 'reelvane-cli presets')"));
        } else if (a == QLatin1String("--output")) {
            if (!value(outputFolder))
                return Usage(QStringLiteral("--output takes a folder"));
        } else if (a.startsWith(QLatin1String("--"))) {
            return Usage(QStringLiteral("unknown option %1").arg(a));
        } else {
            files << a;
        }
    }

    if (command == QLatin1String("presets")) {
        if (!files.isEmpty() || preset >= 0 || !outputFolder.isEmpty())
            return Usage(QStringLiteral("presets takes only --format"));
        for (int f = 0; f < 6; ++f) {
            if (format >= 0 && f != format)
                continue;
            out << kFormats[f] << ":\n";
            const QStringList rows = PresetRowCaptions(f);
            for (int r = 0; r < rows.size(); ++r)
                out << "  " << r << "  " << rows[r] << "\n";
        }
        return 0;
    }
    if (command != QLatin1String("convert"))
        return Usage(QStringLiteral("unknown command %1").arg(command));
    if (files.isEmpty())
        return Usage(QStringLiteral("convert needs at least one file"));

    // The program's stored settings, read but never written back: a first run finds no key
    // and keeps the defaults (loading would create the key and write the store).
    TcdSettings settings;
    settings.SetAutoLoad(false);
    RegistryStore store;
    if (store.Load() && store.HasKey(TcdSettings::DefaultRegistryKey())) {
        settings.SetRegistryKey(TcdSettings::DefaultRegistryKey());
        settings.LoadFromRegistry();
    }
    if (format >= 0)
        settings.SetPageIndex(format);
    if (preset >= 0 && !ApplyPresetToSettings(settings.PageIndex(), preset, settings))
        return Usage(
            QStringLiteral("format %1 has no preset row %2 (the last row is the custom profile)")
                .arg(QLatin1String(kFormats[qBound(0, settings.PageIndex(), 5)]))
                .arg(preset));
    if (outputFolder.isEmpty())
        outputFolder = settings.SavePath();
    outputFolder = QDir(outputFolder).absolutePath();
    QStringList absolute;
    for (const QString& f : files)
        absolute << QFileInfo(f).absoluteFilePath();

    CliConverter converter(settings, out, err, isatty(STDERR_FILENO) == 1);
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    QTimer watch;
    watch.setInterval(100);
    QObject::connect(&watch, &QTimer::timeout, &app, [&] {
        if (g_interrupted.load() && !converter.Stopped())
            converter.RequestStop();
    });
    watch.start();
    const int failed = converter.ConvertAll(absolute, outputFolder);
    out.flush();
    if (converter.Stopped())
        return 130;
    return failed == 0 ? 0 : 1;
}
