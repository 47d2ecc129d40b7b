#include "app/core/SingleInstance.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

TEST(SingleInstance, SecondLockFailsUntilTheFirstIsGone) {
    QTemporaryDir dir;
    auto first =
        std::make_unique<SingleInstanceLock>(QStringLiteral("Quenza free Reelvane"), dir.path());
    ASSERT_EQ(first->State(), SingleInstanceLock::Acquired) << first->ErrorString().toStdString();
    EXPECT_EQ(first->LockFilePath(), dir.path() + "/Quenza free Reelvane.lock");
    {
        SingleInstanceLock second(QStringLiteral("Quenza free Reelvane"), dir.path());
        EXPECT_EQ(second.State(), SingleInstanceLock::AlreadyRunning);
        SingleInstanceLock other(QStringLiteral("Another name"), dir.path());
        EXPECT_EQ(other.State(), SingleInstanceLock::Acquired);
    }
    // The refused second instance did not take the first one's lock away.
    SingleInstanceLock third(QStringLiteral("Quenza free Reelvane"), dir.path());
    EXPECT_EQ(third.State(), SingleInstanceLock::AlreadyRunning);
    first.reset();
    SingleInstanceLock fourth(QStringLiteral("Quenza free Reelvane"), dir.path());
    EXPECT_EQ(fourth.State(), SingleInstanceLock::Acquired);
}

TEST(SingleInstance, ACrashedFirstInstanceReleasesTheLock) {
    QTemporaryDir dir;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SingleInstanceLock lock(QStringLiteral("Quenza free Reelvane"), dir.path());
        const char state = lock.State() == SingleInstanceLock::Acquired ? 'A' : 'X';
        (void)!::write(ready[1], &state, 1);
        for (;;)
            ::pause(); // killed below
    }
    ::close(ready[1]);
    char state = 0;
    ASSERT_EQ(::read(ready[0], &state, 1), 1);
    ::close(ready[0]);
    ASSERT_EQ(state, 'A');
    {
        SingleInstanceLock second(QStringLiteral("Quenza free Reelvane"), dir.path());
        EXPECT_EQ(second.State(), SingleInstanceLock::AlreadyRunning);
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    SingleInstanceLock after(QStringLiteral("Quenza free Reelvane"), dir.path());
    EXPECT_EQ(after.State(), SingleInstanceLock::Acquired);
}

TEST(SingleInstance, AnUnusableFolderIsReportedNotFatal) {
    SingleInstanceLock lock(QStringLiteral("Quenza free Reelvane"),
                            QStringLiteral("/nonexistent/folder"));
    EXPECT_EQ(lock.State(), SingleInstanceLock::Failed);
    EXPECT_FALSE(lock.ErrorString().isEmpty());
}
