#include "app/core/Language.h"
#include "app/ui/ShellServicesQt.h"
#include "util/myutility.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(LanguageOnWidgets, FileNamesMapOntoQtProperties) {
    ShellServicesQt services;
    QWidget form;
    form.setObjectName(QStringLiteral("frmReelvane"));
    auto* label = new QLabel(QStringLiteral("old"), &form);
    label->setObjectName(QStringLiteral("lblTitle"));
    auto* button = new QPushButton(&form);
    button->setObjectName(QStringLiteral("btnConvert"));
    auto* group = new QGroupBox(&form);
    group->setObjectName(QStringLiteral("grpFolders"));
    auto* combo = new QComboBox(group);
    combo->setObjectName(QStringLiteral("cbbmpeg"));
    combo->addItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    combo->setCurrentIndex(1);
    auto* memo = new QPlainTextEdit(&form);
    memo->setObjectName(QStringLiteral("memLog"));
    auto* edit = new QLineEdit(&form);
    edit->setObjectName(QStringLiteral("edtoutdir"));
    auto* spin = new QSpinBox(&form);
    spin->setObjectName(QStringLiteral("spnCount"));
    spin->setValue(3);
    auto* tabs = new QTabWidget(&form);
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tsMPEG"));
    tabs->addTab(page, QStringLiteral("MPEG"));

    QStringList families = QFontDatabase::families();
    ASSERT_FALSE(families.isEmpty());
    const QString family = families.first();

    QTemporaryDir dir;
    const QString file = dir.path() + "/widgets.lng";
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("[Font]\nSize=15\nName=%1\nBiDiMode=1\n"
                           "[frmReelvane]\n"
                           "frmReelvane.Caption=Reelvane window\n"
                           "lblTitle.Caption=Title||line\n"
                           "lblTitle.Hint=explains\n"
                           "btnConvert.Caption=Convert\n"
                           "grpFolders.Caption=Folders\n"
                           "cbbmpeg.Items=one||two\n"
                           "memLog.Lines=first||second\n"
                           "edtoutdir.Text=/out\n"
                           "spnCount.Value=12\n"
                           "spnCount.maximum=oops\n"
                           "btnConvert.Enabled=0\n"
                           "btnConvert.Font=Serif\n"
                           "tsMPEG.Caption=Mpeg page\n")
                .arg(family.toUpper())
                .toUtf8());
    f.close();

    EXPECT_TRUE(ApplyLanguageToForm(&form, file));
    EXPECT_EQ(form.windowTitle(), "Reelvane window");
    EXPECT_EQ(label->text(), "Title\nline");
    EXPECT_EQ(label->toolTip(), "explains");
    EXPECT_EQ(button->text(), "Convert");
    EXPECT_TRUE(button->isEnabled());
    EXPECT_EQ(group->title(), "Folders");
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(0), "one");
    EXPECT_EQ(combo->currentIndex(), 1);
    EXPECT_EQ(memo->toPlainText(), "first\nsecond");
    EXPECT_EQ(edit->text(), "/out");
    EXPECT_EQ(spin->value(), 12);
    EXPECT_EQ(spin->maximum(), 99);
    EXPECT_EQ(tabs->tabText(0), "Mpeg page");
    EXPECT_EQ(form.font().pointSize(), 15);
    EXPECT_EQ(form.font().family(), family);
    EXPECT_EQ(form.layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(QGuiApplication::layoutDirection(), Qt::RightToLeft);
}

TEST(LanguageOnWidgets, ServicesInstallAndUninstall) {
    {
        ShellServicesQt services;
        EXPECT_EQ(&CurrentShellServices(), &services);
        EXPECT_EQ(CurrentFormToolkit(), &services);
    }
    EXPECT_NE(dynamic_cast<HeadlessShellServices*>(&CurrentShellServices()), nullptr);
    EXPECT_EQ(CurrentFormToolkit(), nullptr);
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen"); // also during test discovery
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
