#include "WindowTestSupport.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QRegularExpression>

namespace {

void WriteBytes(const QString& path, qint64 size) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(size, 'x'));
}

QStringList Names(QTreeWidget* list) {
    QStringList names;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        names << list->topLevelItem(i)->text(0);
    return names;
}

} // namespace

// Duplicates by file name: same name from another folder, other letter case, the same file
// twice; files of other types are not taken.
TEST_F(WindowTest, AddingFilesDropsDuplicateNames) {
    MakeWindow();
    Trigger("actNext");
    const QString a = work.filePath("one/clip.avi");
    const QString b = work.filePath("two/clip.avi");
    const QString c = work.filePath("two/CLIP.AVI");
    const QString d = work.filePath("two/other.avi");
    const QString text = work.filePath("two/readme.txt");
    for (const QString& p : {a, b, c, d, text})
        WriteBytes(p, 10);
    openDialog.nextFiles = {a, b, d, c, d, text};
    Trigger("actadd");
    EXPECT_EQ(openDialog.lastFilter, QStringLiteral("AVI Files(*.avi)"));
    ASSERT_EQ(Names(List()), (QStringList{"clip.avi", "other.avi"}));
    EXPECT_EQ(List()->topLevelItem(0)->text(3), a); // the first one added stays
    EXPECT_EQ(List()->topLevelItem(0)->text(2), QStringLiteral("1 KB"));
    EXPECT_EQ(window->EntryImage(0), 0);

    // A whole folder adds its accepted files, not those of sub-folders.
    WriteBytes(work.filePath("three/new.avi"), 10);
    WriteBytes(work.filePath("three/sub/deep.avi"), 10);
    shell.folders.push_back(work.filePath("three"));
    Trigger("actAddFolder");
    EXPECT_EQ(Names(List()), (QStringList{"clip.avi", "other.avi", "new.avi"}));
}

TEST_F(WindowTest, AcceptedTypesAndDigitsValue) {
    for (const char* name : {"a.avi", "a.AVI", "a.av", "a.a", "a."})
        EXPECT_TRUE(TfrmReelvane::IsAcceptedType(QString::fromLatin1(name))) << name;
    for (const char* name : {"a", "a.mp4", "a.avix", "dir.avi/a"})
        EXPECT_FALSE(TfrmReelvane::IsAcceptedType(QString::fromLatin1(name))) << name;
    EXPECT_EQ(TfrmReelvane::DigitsValue(QStringLiteral("1,024 KB")), 1024);
    EXPECT_EQ(TfrmReelvane::DigitsValue(QStringLiteral("900 KB")), 900);
    EXPECT_EQ(TfrmReelvane::DigitsValue(QString()), 0);
}

// Size sorts by number (900 KB before 1,024 KB), Name by bytes (capital B before small a);
// the direction flag is one for the whole list.
TEST_F(WindowTest, SortingBySizeAndName) {
    MakeWindow();
    Trigger("actNext");
    const QString big = work.filePath("a_big.avi");
    const QString small = work.filePath("B_small.avi");
    WriteBytes(big, 1024 * 1023 + 1);  // "1,024 KB"
    WriteBytes(small, 900 * 1024 - 1); // "900 KB"
    window->AddFilesToList({big, small});
    ASSERT_EQ(List()->topLevelItem(1)->text(2).remove(QRegularExpression("[^0-9]")),
              QStringLiteral("900"));

    window->lvFilesColumnClick(2); // first click: ascending
    EXPECT_TRUE(window->SortAscending());
    EXPECT_EQ(Names(List()), (QStringList{"B_small.avi", "a_big.avi"}));
    EXPECT_FALSE(List()->headerItem()->icon(2).isNull());

    window->lvFilesColumnClick(0); // another column: the flag flips, descending
    EXPECT_TRUE(List()->headerItem()->icon(2).isNull());
    EXPECT_EQ(Names(List()), (QStringList{"a_big.avi", "B_small.avi"}));
    window->lvFilesColumnClick(0);
    EXPECT_EQ(Names(List()), (QStringList{"B_small.avi", "a_big.avi"}));
}

TEST_F(WindowTest, ClearAndRemoveAskFirst) {
    MakeWindow();
    Trigger("actNext");
    window->AddFilesToList(
        {work.filePath("x.avi"), work.filePath("y.avi"), work.filePath("z.avi")});
    window->UpdateListActions();
    window->lvFilesColumnClick(0);

    Trigger("actClear"); // answered No
    EXPECT_EQ(List()->topLevelItemCount(), 3);
    EXPECT_TRUE(List()->headerItem()->icon(0).isNull()); // the sort mark is gone anyway
    ASSERT_EQ(shell.questions.size(), 1);

    List()->topLevelItem(0)->setSelected(true);
    List()->topLevelItem(2)->setSelected(true);
    shell.yesNoAnswers.push_back(true);
    Trigger("actRemove");
    EXPECT_TRUE(shell.questions.last().endsWith(QStringLiteral(" 2 items")));
    EXPECT_EQ(Names(List()), (QStringList{"y.avi"}));

    shell.yesNoAnswers.push_back(true);
    Trigger("actClear");
    EXPECT_EQ(List()->topLevelItemCount(), 0);
    EXPECT_TRUE(Child<QWidget>("pnlempty")->isVisible());
    EXPECT_FALSE(Child<QAction>("actConvert")->isEnabled());
}
