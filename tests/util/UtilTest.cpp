#include "util/ShellServices.h"
#include "util/StringValues.h"
#include "util/Utility.h"
#include "util/myutility.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

void Touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
}

// Records what the helpers asked of the desktop.
class RecordingShell : public ShellServices {
public:
    bool BrowseForFolder(const QString& title, const QString& root, QString& folder) override {
        calls << QStringLiteral("browse|%1|%2|%3").arg(title, root, folder);
        if (answer.isEmpty())
            return false;
        folder = answer;
        return true;
    }
    bool OpenDocument(const QString& path) override {
        calls << QStringLiteral("open|") + path;
        return true;
    }
    bool ShowInFileManager(const QString& filePath) override {
        calls << QStringLiteral("show|") + filePath;
        return true;
    }
    void ShowMessage(const QString& caption, const QString& text, MessageIcon icon) override {
        calls << QStringLiteral("message|%1|%2|%3").arg(caption, text).arg(int(icon));
    }
    bool AskYesNo(const QString& caption, const QString& text) override {
        calls << QStringLiteral("ask|%1|%2").arg(caption, text);
        return yes;
    }

    QStringList calls;
    QString answer;
    bool yes = false;
};

class ShellFixture : public ::testing::Test {
protected:
    void SetUp() override { InstallShellServices(&shell); }
    void TearDown() override { InstallShellServices(nullptr); }
    RecordingShell shell;
};

} // namespace

TEST(PathHelpers, TextCases) {
    struct Case {
        const char* function;
        QString a;
        QString b;
        QString expected;
    } cases[] = {
        {"IncludeBackslash", "", "", ""},
        {"IncludeBackslash", "/", "", "/"},
        {"IncludeBackslash", "/home/x/", "", "/home/x/"},
        {"IncludeBackslash", "/home/x", "", "/home/x/"},
        {"BaseName", "/data/v1.0/clip", "", "clip"},
        {"BaseName", "/data/a.b.avi", "", "a.b"},
        {"BaseName", "clip.avi", "", "clip"},
        {"NormalizedLower", " \tAbC.AVI\r\n", "", "abc.avi"},
        {"NormalizedLower", QStringLiteral("ÄB"), "", QStringLiteral("Äb")},
        {"RelativeToFolder", "/In/Sub/Clip.avi", "/in", "Sub/Clip.avi"},
        {"RelativeToFolder", "/In/Sub/Clip.avi", "/IN/", "Sub/Clip.avi"},
        {"RelativeToFolder", "/In/clip.avi", "/in", "clip.avi"},
        {"RelativeToFolder", "/other/sub/clip.avi", "/in", "clip.avi"},
        {"RelativeToFolder", "/inbox/clip.avi", "/in", "clip.avi"},
    };
    for (const Case& c : cases) {
        const QString f = QString::fromLatin1(c.function);
        QString got;
        if (f == QLatin1String("IncludeBackslash"))
            got = IncludeBackslash(c.a);
        else if (f == QLatin1String("BaseName"))
            got = BaseName(c.a);
        else if (f == QLatin1String("NormalizedLower"))
            got = NormalizedLower(c.a);
        else
            got = RelativeToFolder(c.a, c.b);
        EXPECT_EQ(got, c.expected)
            << c.function << "(" << c.a.toStdString() << ", " << c.b.toStdString() << ")";
    }
}

TEST(PathHelpers, SizeTextAddsOneKibAndGroupsByLocale) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(SizeText(0), "1 KB");
    EXPECT_EQ(SizeText(1000), "1 KB");
    EXPECT_EQ(SizeText(1023), "1 KB");
    EXPECT_EQ(SizeText(1024), "2 KB");
    EXPECT_EQ(SizeText(1024 * 1024 - 1), "1,024 KB");
    EXPECT_EQ(SizeText(qint64(5) * 1024 * 1024 * 1024), "5,242,881 KB");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(SizeText(1024 * 1024 - 1), "1.024 KB");
    QLocale::setDefault(saved);
}

TEST(PathHelpers, ModuleFolderFileIsBesideTheExecutable) {
    // A file found nowhere answers the path beside the program (the lookup order is tested on
    // relocated copies of a program in tests/install).
    EXPECT_EQ(ModuleFolderFile(QStringLiteral("RvNoSuchDataFile.lng")),
              QCoreApplication::applicationDirPath() + QStringLiteral("/RvNoSuchDataFile.lng"));
    EXPECT_TRUE(QFileInfo(ModuleFileName()).isExecutable());
}

TEST(StringValues, BoundsSafeAccess) {
    TStringValues v;
    EXPECT_EQ(v.Count(), 0);
    EXPECT_EQ(v.GetName(0), "");
    v.Add(QStringLiteral("/in/a.avi"), QString());
    v.Add(QStringLiteral("/in/b.avi"), QStringLiteral("1"));
    EXPECT_EQ(v.Count(), 2);
    EXPECT_EQ(v.GetName(1), "/in/b.avi");
    EXPECT_EQ(v.GetValue(1), "1");
    v.SetValue(0, QStringLiteral("2"));
    EXPECT_EQ(v.GetValue(0), "2");
    EXPECT_EQ(v.GetName(0), "/in/a.avi");
    for (int bad : {-1, 2, 1000}) {
        EXPECT_EQ(v.GetName(bad), "") << bad;
        EXPECT_EQ(v.GetValue(bad), "") << bad;
        v.SetValue(bad, QStringLiteral("x")); // ignored
    }
    EXPECT_EQ(v.Count(), 2);
    v.Clear();
    EXPECT_EQ(v.Count(), 0);
    EXPECT_EQ(v.GetValue(0), "");
}

TEST(ListFiles, MaskOrderAndRecursion) {
    QTemporaryDir tmp;
    const QString root = tmp.path();
    Touch(root + "/a.AVI");
    Touch(root + "/b.txt");
    Touch(root + "/.hidden.avi");
    Touch(root + "/sub/c.avi");
    Touch(root + "/sub/deeper/d.Avi");
    QFile::link(root + "/sub", root + "/loop"); // a link to a folder is not entered

    QStringList flat{"kept"};
    ListFiles(root, flat, QStringLiteral("*.*"), false);
    flat.sort();
    EXPECT_EQ(flat, (QStringList{root + "/.hidden.avi", root + "/a.AVI", root + "/b.txt", "kept"}));

    QStringList avi;
    ListFiles(root + "/", avi, QStringLiteral("*.avi"), true);
    ASSERT_EQ(avi.size(), 4) << avi.join(", ").toStdString();
    // The folder's own files come before anything in its sub-folders.
    QStringList top = avi.mid(0, 2);
    top.sort();
    EXPECT_EQ(top, (QStringList{root + "/.hidden.avi", root + "/a.AVI"}));
    EXPECT_EQ(avi.mid(2), (QStringList{root + "/sub/c.avi", root + "/sub/deeper/d.Avi"}));

    QStringList none;
    ListFiles(root + "/missing", none, QStringLiteral("*.*"), true);
    ListFiles(QString(), none, QStringLiteral("*.*"), true);
    EXPECT_TRUE(none.isEmpty());
}

TEST(DroppedFiles, ExistingFilesWithAcceptedExtension) {
    QTemporaryDir tmp;
    const QString d = tmp.path();
    for (const char* name : {"a.avi", "b.AV", "c.", "d", "e.mp4", "f.avix"})
        Touch(d + "/" + name);
    QDir().mkpath(d + "/folder.avi");
    const QList<QUrl> urls{
        QUrl::fromLocalFile(d + "/a.avi"),
        QUrl::fromLocalFile(d + "/b.AV"),
        QUrl::fromLocalFile(d + "/c."),
        QUrl::fromLocalFile(d + "/d"),
        QUrl::fromLocalFile(d + "/e.mp4"),
        QUrl::fromLocalFile(d + "/f.avix"),
        QUrl::fromLocalFile(d + "/folder.avi"),
        QUrl::fromLocalFile(d + "/gone.avi"),
        QUrl(QStringLiteral("https://example.invalid/x.avi")),
    };
    QStringList list{"stale"};
    DroppedFiles(list, urls, QStringLiteral(".avi"));
    EXPECT_EQ(list, (QStringList{d + "/a.avi", d + "/b.AV", d + "/c."}));
    DroppedFiles(list, urls, QString());
    EXPECT_EQ(list.size(), 6);
}

TEST_F(ShellFixture, BrowseForFolderForgetsAMissingStartFolder) {
    QTemporaryDir tmp;
    QString folder = tmp.path() + "/missing";
    EXPECT_FALSE(BrowseForFolder(QStringLiteral("Pick"), QString(), folder));
    EXPECT_EQ(folder, "");
    folder = tmp.path();
    shell.answer = QStringLiteral("/chosen");
    EXPECT_TRUE(BrowseForFolder(QStringLiteral("Pick"), QStringLiteral("/root"), folder));
    EXPECT_EQ(folder, "/chosen");
    EXPECT_EQ(shell.calls, (QStringList{"browse|Pick||", "browse|Pick|/root|" + tmp.path()}));
}

TEST_F(ShellFixture, FileManagerAndMessageDispatch) {
    QTemporaryDir tmp;
    Touch(tmp.path() + "/out.mpeg");
    EXPECT_TRUE(ShowFileInFileManager(tmp.path() + "/out.mpeg"));
    EXPECT_TRUE(ShowFileInFileManager(tmp.path() + "/gone.mpeg"));
    EXPECT_TRUE(ShowFileInFileManager(tmp.path()));
    EXPECT_TRUE(OpenDocument(tmp.path() + "/out.mpeg"));
    EXPECT_TRUE(ShowMessageBox(QStringLiteral("careful"), MB_IconWarning));
    EXPECT_FALSE(ShowMessageBox(QStringLiteral("sure?"), MB_IconInformation | MB_YesNo));
    shell.yes = true;
    EXPECT_TRUE(ShowMessageBox(QStringLiteral("sure?"), MB_IconInformation | MB_YesNo));
    EXPECT_EQ(shell.calls, (QStringList{
                               "show|" + tmp.path() + "/out.mpeg",
                               "open|" + tmp.path(),
                               "open|" + tmp.path(),
                               "open|" + tmp.path() + "/out.mpeg",
                               "message|Quenza free Reelvane|careful|1",
                               "ask|Quenza free Reelvane|sure?",
                               "ask|Quenza free Reelvane|sure?",
                           }));
}

TEST(ShellOpen, RunsAnExecutableWithAnArgumentListNeverAShellLine) {
    QTemporaryDir tmp;
    // A file name a shell would expand or split; passed as one argument it stays literal.
    const QString target = tmp.path() + "/a b;$(echo x).txt";
    ASSERT_TRUE(ShellOpen(QStringLiteral("/usr/bin/touch"), {target}));
    QDeadlineTimer deadline(5000);
    while (!QFileInfo::exists(target) && !deadline.hasExpired())
        QThread::msleep(20);
    EXPECT_TRUE(QFileInfo::exists(target));
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files).size(), 1);

    Touch(tmp.path() + "/plain.txt");
    EXPECT_FALSE(ShellOpen(tmp.path() + "/plain.txt", {QStringLiteral("x")}));
    // Without a desktop installed nothing is opened, and that is reported.
    EXPECT_FALSE(OpenDocument(tmp.path() + "/plain.txt"));
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
