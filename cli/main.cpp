// reelvane-cli: converts AVI files with the program's settings and presets, without a window,
// or watches a folder tree and converts what is written into it.

#include "cli/CliConverter.h"
#include "cli/CliWatcher.h"
#include "editor/core/Presets.h"
#include "settings/RegistryStore.h"
#include "settings/cdSettings.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
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
    "  reelvane-cli convert [-f FORMAT] [-p ROW] [-o DIR] [--json] [--] FILE...\n"
    "  reelvane-cli watch --input DIR --output DIR --log DIR [--subdirs] [-f FORMAT] [-p ROW]\n"
    "                     [--json]\n"
    "  reelvane-cli presets [-f FORMAT]\n"
    "  reelvane-cli --help | --version\n"
    "\n"
    "Commands:\n"
    "  convert  converts the files one after another with the program's stored settings\n"
    "  watch    the hot-directory mode until SIGINT or SIGTERM: every .avi file written into\n"
    "           the input folder is converted, once complete, into the same sub-folder of the\n"
    "           output folder, and logged in the daily file yy-mm-dd.log of the log folder\n"
    "  presets  lists the preset rows with their numbers, for one format or all\n"
    "\n"
    "Options:\n"
    "  -f, --format FORMAT  the target format of this run: mpeg, mp4, wmv, flv, mov or mp3\n"
    "                       (default: the stored one)\n"
    "  -p, --preset ROW     applies preset ROW of that format (see 'presets'); without it the\n"
    "                       stored values, custom ones included, are used\n"
    "  -o, --output DIR     the output folder (convert: default the stored output folder;\n"
    "                       watch: created when missing)\n"
    "      --input DIR      watch: the folder to watch\n"
    "      --log DIR        watch: the folder of the daily log files (created when missing)\n"
    "      --subdirs        watch: the input folder's sub-folders too\n"
    "      --json           one JSON object per file on standard output (input, output,\n"
    "                       result, error, seconds); convert's log lines go to standard error\n"
    "  -h, --help           shows this text\n"
    "      --version        shows the program's version\n"
    "  --                   ends the options: every later argument is a file\n"
    "\n"
    "Log lines go to standard output, a progress figure to standard error when it is a\n"
    "terminal (convert). Settings changed by options are not saved.\n"
    "\n"
    "Exit status: 0 every file converted, 1 a file failed, 2 usage error or folders watch\n"
    "cannot use, 130 interrupted (SIGINT or SIGTERM stop the running conversion; no partial\n"
    "file is left).\n";

/// A usage error: one line naming the problem on standard error, and exit status 2.
int UsageError(QString problem) {
    if (problem.endsWith(QLatin1Char('.'))) // the parser's own texts end in a full stop
        problem.chop(1);
    std::fprintf(stderr, "reelvane-cli: %s; see 'reelvane-cli --help'\n",
                 problem.toLocal8Bit().constData());
    return 2;
}

/// The program's stored settings, as this run reads them. The one place where the command line
/// touches the settings store.
/// Read but never written back: a first run finds no key and keeps the defaults (loading would
/// create the key and write the store).
void LoadStoredSettings(TcdSettings& settings) {
    settings.SetAutoLoad(false);
    RegistryStore store;
    if (store.Load() && store.HasKey(TcdSettings::DefaultRegistryKey())) {
        settings.SetRegistryKey(TcdSettings::DefaultRegistryKey());
        settings.LoadFromRegistry();
    }
}

/// The options of every command; each command says which of them it takes.
struct Options {
    QCommandLineOption help{{"h", "help"}, "Shows the usage."};
    QCommandLineOption version{"version", "Shows the version."};
    QCommandLineOption format{{"f", "format"}, "Target format.", "FORMAT"};
    QCommandLineOption preset{{"p", "preset"}, "Preset row.", "ROW"};
    QCommandLineOption output{{"o", "output"}, "Output folder.", "DIR"};
    QCommandLineOption json{"json", "JSON lines."};
    QCommandLineOption input{"input", "Watched folder.", "DIR"};
    QCommandLineOption log{"log", "Log folder.", "DIR"};
    QCommandLineOption subdirs{"subdirs", "Sub-folders too."};
};

/// The first option of @p offered that is set but not in @p taken, as it was written ("--json").
QString UnexpectedOption(const QCommandLineParser& parser,
                         const QList<const QCommandLineOption*>& offered,
                         const QList<const QCommandLineOption*>& taken) {
    for (const QCommandLineOption* option : offered) {
        if (taken.contains(option) || !parser.isSet(*option))
            continue;
        const QString name = option->names().last();
        return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    }
    return {};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(REELVANE_VERSION));
    QTextStream out(stdout);
    QTextStream err(stderr);

    Options o;
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    parser.addOptions(
        {o.help, o.version, o.format, o.preset, o.output, o.json, o.input, o.log, o.subdirs});
    if (!parser.parse(app.arguments()))
        return UsageError(parser.errorText());
    if (parser.isSet(o.help)) {
        out << kUsage;
        return 0;
    }
    if (parser.isSet(o.version)) {
        out << "reelvane-cli " << QCoreApplication::applicationVersion() << "\n";
        return 0;
    }
    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return UsageError(QStringLiteral("no command given"));
    const QString command = positional.takeFirst();
    const QList<const QCommandLineOption*> all{&o.format, &o.preset, &o.output, &o.json,
                                               &o.input,  &o.log,    &o.subdirs};

    int format = -2; // not given
    if (parser.isSet(o.format) && (format = FormatIndex(parser.value(o.format))) < 0)
        return UsageError(QStringLiteral("--format takes one of mpeg, mp4, wmv, flv, mov, mp3"));
    int preset = -1;
    if (parser.isSet(o.preset)) {
        bool ok = false;
        preset = parser.value(o.preset).toInt(&ok);
        if (!ok || preset < 0)
            return UsageError(
                QStringLiteral("--preset takes a row number (see 'reelvane-cli presets')"));
    }
    QString outputFolder = parser.value(o.output);
    for (const QCommandLineOption* folder : {&o.output, &o.input, &o.log})
        if (parser.isSet(*folder) && parser.value(*folder).isEmpty())
            return UsageError(QStringLiteral("--%1 takes a folder").arg(folder->names().last()));

    if (command == QLatin1String("presets")) {
        if (const QString extra = UnexpectedOption(parser, all, {&o.format}); !extra.isEmpty())
            return UsageError(QStringLiteral("presets takes only --format, not %1").arg(extra));
        if (!positional.isEmpty())
            return UsageError(QStringLiteral("presets takes no files"));
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
    const bool watch = command == QLatin1String("watch");
    if (!watch && command != QLatin1String("convert"))
        return UsageError(QStringLiteral("unknown command %1").arg(command));
    if (watch) {
        if (!positional.isEmpty())
            return UsageError(QStringLiteral("watch takes no files"));
        for (const QCommandLineOption* folder : {&o.input, &o.output, &o.log})
            if (!parser.isSet(*folder))
                return UsageError(
                    QStringLiteral("watch needs --%1 DIR").arg(folder->names().last()));
    } else {
        if (const QString extra =
                UnexpectedOption(parser, all, {&o.format, &o.preset, &o.output, &o.json});
            !extra.isEmpty())
            return UsageError(QStringLiteral("%1 is an option of watch").arg(extra));
        if (positional.isEmpty())
            return UsageError(QStringLiteral("convert needs at least one file"));
    }

    TcdSettings settings;
    LoadStoredSettings(settings);
    if (format >= 0)
        settings.SetPageIndex(format);
    if (preset >= 0 && !ApplyPresetToSettings(settings.PageIndex(), preset, settings))
        return UsageError(
            QStringLiteral("format %1 has no preset row %2 (the last row is the custom profile)")
                .arg(QLatin1String(kFormats[qBound(0, settings.PageIndex(), 5)]))
                .arg(preset));
    const bool json = parser.isSet(o.json);
    // A signal only sets a flag; this timer acts on it on the main thread.
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    QTimer interrupt;
    interrupt.setInterval(100);
    interrupt.start();

    if (watch) {
        CliWatcher watcher(settings, out, err, json ? &out : nullptr);
        QObject::connect(&interrupt, &QTimer::timeout, &app, [&] {
            if (g_interrupted.load() && !watcher.Stopped())
                watcher.RequestStop();
        });
        const HotDirFolders folders{parser.value(o.input), parser.value(o.output),
                                    parser.value(o.log), parser.isSet(o.subdirs)};
        const int status = watcher.Watch(folders);
        out.flush();
        err.flush();
        return status;
    }

    if (outputFolder.isEmpty())
        outputFolder = settings.SavePath();
    outputFolder = QDir(outputFolder).absolutePath();
    QStringList absolute;
    for (const QString& f : std::as_const(positional))
        absolute << QFileInfo(f).absoluteFilePath();

    // With --json standard output carries the JSON lines alone; the log goes to standard error.
    CliConverter converter(settings, json ? err : out, err, isatty(STDERR_FILENO) == 1,
                           json ? &out : nullptr);
    QObject::connect(&interrupt, &QTimer::timeout, &app, [&] {
        if (g_interrupted.load() && !converter.Stopped())
            converter.RequestStop();
    });
    const int failed = converter.ConvertAll(absolute, outputFolder);
    out.flush();
    err.flush();
    if (converter.Stopped())
        return 130;
    return failed == 0 ? 0 : 1;
}
