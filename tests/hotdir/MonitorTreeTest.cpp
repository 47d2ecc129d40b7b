#include "HotDirTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QStringList Sorted(QStringList list) {
    list.sort();
    return list;
}

} // namespace

TEST(MonitorTree, SubFoldersAreReportedOnlyWithWatchSubtree) {
    QTemporaryDir dir;
    QTemporaryDir outside;
    const QDir root(dir.path());
    root.mkpath("sub/deep");

    DirectoryMonitor withTree;
    DirectoryMonitor rootOnly;
    HandOverLog treeLog;
    HandOverLog rootLog;
    for (auto [monitor, log] : {std::pair{&withTree, &treeLog}, std::pair{&rootOnly, &rootLog}}) {
        monitor->Directory = dir.path();
        monitor->ExtensionFilter = ".avi";
        log->Attach(*monitor);
    }
    withTree.WatchSubtree = true;
    ASSERT_TRUE(withTree.Start());
    ASSERT_TRUE(rootOnly.Start());

    // Existing folders, folders made after Start (also several levels at once) and a folder
    // moved in with files already inside.
    WriteFile(root.filePath("top.avi"), 100);
    WriteFile(root.filePath("sub/a.avi"), 100);
    WriteFile(root.filePath("sub/deep/b.avi"), 100);
    root.mkpath("new");
    WriteFile(root.filePath("new/c.avi"), 100);
    root.mkpath("made/x/y");
    WriteFile(root.filePath("made/x/y/d.avi"), 100);
    QDir(outside.path()).mkpath("moved/inner");
    WriteFile(outside.filePath("moved/e.avi"), 100);
    WriteFile(outside.filePath("moved/inner/f.avi"), 100);
    WriteFile(outside.filePath("moved/inner/skip.mpg"), 100);
    ASSERT_TRUE(QDir().rename(outside.filePath("moved"), root.filePath("moved")));

    const QStringList expected{root.filePath("made/x/y/d.avi"),
                               root.filePath("moved/e.avi"),
                               root.filePath("moved/inner/f.avi"),
                               root.filePath("new/c.avi"),
                               root.filePath("sub/a.avi"),
                               root.filePath("sub/deep/b.avi"),
                               root.filePath("top.avi")};
    ASSERT_TRUE(
        SpinUntil([&] { return treeLog.Size() >= expected.size() && rootLog.Size() >= 1; }, 8000))
        << treeLog.Paths().join(' ').toStdString();
    SpinFor(600);
    EXPECT_EQ(Sorted(treeLog.Paths()), expected);
    EXPECT_EQ(rootLog.Paths(), QStringList{root.filePath("top.avi")});

    // A folder renamed inside the tree keeps being watched under its new name, without its
    // files being offered again; a folder moved out is no longer watched.
    ASSERT_TRUE(QDir().rename(root.filePath("sub/deep"), root.filePath("sub/deeper")));
    ASSERT_TRUE(QDir().rename(root.filePath("new"), outside.filePath("new")));
    WriteFile(root.filePath("sub/deeper/g.avi"), 100);
    WriteFile(outside.filePath("new/h.avi"), 100);
    ASSERT_TRUE(SpinUntil([&] { return treeLog.Size() > expected.size(); }, 6000));
    SpinFor(1000);
    EXPECT_EQ(treeLog.Size(), expected.size() + 1);
    EXPECT_EQ(treeLog.Paths().last(), root.filePath("sub/deeper/g.avi"));
    EXPECT_EQ(rootLog.Size(), 1);
}
