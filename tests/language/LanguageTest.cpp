#include "app/core/Language.h"
#include "app/core/FormToolkit.h"
#include "settings/RegistryStore.h"
#include "util/myutility.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void WriteFile(const QString& path, const QByteArray& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(text);
}

// Language files must lie beside the program; each test names its own and removes them.
class ProgramFolderFiles {
public:
    ~ProgramFolderFiles() {
        for (const QString& f : m_files)
            QFile::remove(f);
    }
    QString Add(const QString& name, const QByteArray& text = "[Strings]\n") {
        const QString path = ModuleFolderFile(name);
        WriteFile(path, text);
        m_files << path;
        return path;
    }

private:
    QStringList m_files;
};

// A form of plain objects with the properties a language file may name.
class FakeComponent : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Caption MEMBER caption)
    Q_PROPERTY(int Tag MEMBER tag)
    Q_PROPERTY(QStringList Items MEMBER items)
    Q_PROPERTY(bool Enabled MEMBER enabled)
    Q_PROPERTY(double Ratio MEMBER ratio)
    Q_PROPERTY(QString toolTip MEMBER toolTip)

public:
    explicit FakeComponent(const QString& name, QObject* parent = nullptr)
        : QObject(parent) {
        setObjectName(name);
    }
    QString caption;
    int tag = 0;
    QStringList items{QStringLiteral("built in")};
    bool enabled = true;
    double ratio = 1.0;
    QString toolTip;
};

class RecordingToolkit : public FormToolkit {
public:
    void ApplyFormFont(QObject*, const FormFont& f) override {
        ++fontCalls;
        font = f;
    }
    bool SetListItems(QObject*, const QStringList&) override { return false; }
    bool SetPageCaption(QObject*, const QString&) override { return false; }
    int fontCalls = 0;
    FormFont font;
};

class LanguageFixture : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.path()));
        InstallFormToolkit(&toolkit);
    }
    void TearDown() override { InstallFormToolkit(nullptr); }
    void StoreLanguage(const RegistryValue& value) {
        RegistryStore store;
        store.SetValue(QStringLiteral("Software\\Quenza\\Reelvane"), QStringLiteral("Language"),
                       value);
        ASSERT_TRUE(store.Save());
    }
    QString Lng(const QByteArray& text) {
        const QString path = m_home.path() + "/test.lng";
        WriteFile(path, text);
        return path;
    }

    QTemporaryDir m_home;
    RecordingToolkit toolkit;
    ProgramFolderFiles files;
};

const QString kRegistryPath = QStringLiteral("Software\\Quenza\\Reelvane\\Language");

} // namespace

TEST(SplitQuoted, Cases) {
    struct Case {
        QString text;
        QString separator;
        QStringList expected;
    } cases[] = {
        {"", "=", {""}},
        {"a=b", "=", {"a", "b"}},
        {"a==b", "=", {"a", "", "b"}},
        {"=", "=", {"", ""}},
        {R"("x=y"=z)", "=", {"x=y", "z"}},
        {R"(say \"hi\"=\\path)", "=", {R"(say "hi")", R"(\path)"}},
        {R"("in \" quote")", "=", {R"(in " quote)"}},
        {R"(end\)", "=", {"end"}},
        {"one||two|||three", "||", {"one", "two", "|three"}},
        {R"("a||b"||c)", "||", {"a||b", "c"}},
        {"lbl.Caption", ".", {"lbl", "Caption"}},
        {"no separator", "", {"no separator"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitQuoted(c.text, c.separator), c.expected) << c.text.toStdString();
}

TEST(CharsetFromName, Cases) {
    const std::pair<const char*, int> cases[] = {
        {"russian", 204}, {"RUSSIAN_CHARSET", 204}, {"Ansi", 0},          {"", 1},
        {"default", 1},   {"oem_charset", 255},     {"ChineseBig5", 136}, {"EastEurope", 238},
        {"klingon", 1},   {"_CHARSETRUSSIAN", 1},   {"symbol", 2},        {"mac", 77},
    };
    for (const auto& [name, value] : cases)
        EXPECT_EQ(CharsetFromName(QString::fromLatin1(name)), value) << name;
}

TEST_F(LanguageFixture, LoadLanguageStringsReadsZeroTo450) {
    LangStringTable table;
    table[7] = QStringLiteral("kept");
    const QString file = Lng("[Other]\n1=wrong section\n"
                             "[strings]\n"
                             "0=first\n"
                             " 12 = Add||folder \n"
                             "7=\n"
                             "450=last\n"
                             "451=beyond\n"
                             "12=second definition\n");
    EXPECT_TRUE(LoadLanguageStrings(table, 450, file, QStringLiteral("Strings")));
    EXPECT_EQ(table[0], "first");
    EXPECT_EQ(table[1], "");
    EXPECT_EQ(table[7], "kept");
    EXPECT_EQ(table[12], "Add\nfolder");
    EXPECT_EQ(table[450], "last");
    EXPECT_EQ(LangString(451), "");
    EXPECT_EQ(LangString(-1), "");

    LangStringTable empty;
    EXPECT_TRUE(LoadLanguageStrings(empty, 450, m_home.path() + "/missing.lng", "Strings"));
    EXPECT_TRUE(
        std::all_of(empty.begin(), empty.end(), [](const QString& s) { return s.isEmpty(); }));
    // A last index beyond the table stops at its end.
    std::array<QString, 3> small;
    EXPECT_TRUE(LoadLanguageStrings(small, 450, file, "Strings"));
    EXPECT_EQ(small[0], "first");
}

TEST_F(LanguageFixture, LanguageFileFromRegistryCases) {
    const QString english = ModuleFolderFile(QStringLiteral("English.lng"));
    files.Add(QStringLiteral("RvTestDeutsch.lng"));
    files.Add(QStringLiteral("RvTestUpper.LNG"));

    // No store at all: English.
    EXPECT_EQ(LanguageFileFromRegistry(kRegistryPath), english);
    struct Case {
        RegistryValue stored;
        QString expected;
    } cases[] = {
        {RegistryValue::FromText("RvTestDeutsch"), ModuleFolderFile("RvTestDeutsch.lng")},
        {RegistryValue::FromText("RvTestDeutsch.lng"), ModuleFolderFile("RvTestDeutsch.lng")},
        {RegistryValue::FromText("RvTestUpper.LNG"), ModuleFolderFile("RvTestUpper.LNG")},
        {RegistryValue::FromText("RvTestMissing"), english},
        {RegistryValue::FromText(""), english},
        {RegistryValue::FromDword(3), english},
    };
    for (const Case& c : cases) {
        StoreLanguage(c.stored);
        EXPECT_EQ(LanguageFileFromRegistry(kRegistryPath), c.expected)
            << c.stored.text.toStdString();
    }
    // "RvTestUpper.LNG" gets no second extension, "RvTestUpper" would look for ".lng".
    StoreLanguage(RegistryValue::FromText("RvTestUpper"));
    EXPECT_EQ(LanguageFileFromRegistry(kRegistryPath), english);
}

TEST_F(LanguageFixture, InitializeLanguageFillsTheProcessTable) {
    files.Add(QStringLiteral("RvTestInit.lng"), "[Strings]\n16=gone||really\n");
    StoreLanguage(RegistryValue::FromText("RvTestInit"));
    InitializeLanguage();
    EXPECT_EQ(LangFile(), ModuleFolderFile("RvTestInit.lng"));
    EXPECT_EQ(LangString(16), "gone\nreally");
}

TEST_F(LanguageFixture, ApplyLanguageToFormSetsAddressedProperties) {
    FakeComponent form(QStringLiteral("frmTest"));
    auto* label = new FakeComponent(QStringLiteral("lblTitle"), &form);
    auto* nested = new FakeComponent(QStringLiteral("cbbRows"), new QObject(&form));
    const QString file = Lng(R"([frmTest]
.Caption=Window title
FRMTEST.Tag=5
lblTitle.Caption=  two||lines  
lbltitle.toolTip="a = b"
lblTitle.Tag=not a number
lblTitle.Enabled=0
lblTitle.Ratio=2.5
lblTitle.Nothing=x
lblMissing.Caption=nobody
cbbRows.Items=one||t\\\"wo||"x=y"||
cbbRows.Caption=a=b
cbbRows.Tag.Extra=1
 = 
cbbRows.caption="quoted \\ back"
[frmOther]
lblTitle.Caption=other form
)");
    EXPECT_TRUE(ApplyLanguageToForm(&form, file));
    EXPECT_EQ(form.caption, "Window title");
    EXPECT_EQ(form.tag, 5);
    EXPECT_EQ(label->caption, "  two\nlines  ");
    EXPECT_EQ(label->toolTip, "a = b");
    EXPECT_EQ(label->tag, 0);
    EXPECT_TRUE(label->enabled);
    EXPECT_EQ(label->ratio, 1.0);
    EXPECT_EQ(nested->items, (QStringList{"one", "t\"wo", "x=y", ""}));
    EXPECT_EQ(nested->caption, "quoted \\ back");
}

TEST_F(LanguageFixture, FontSectionIsCheckedBeforeItReachesTheToolkit) {
    FakeComponent form(QStringLiteral("frmTest"));
    struct Case {
        QByteArray section;
        int sizePt;
        QString name;
        int charset;
        int bidiMode;
    } cases[] = {
        {"Size=12\nName=Serif\nCharSet=russian\nBiDiMode=1\n", 12, "Serif", 204, 1},
        {"Size=0\nBiDiMode=4\n", 0, "", 1, -1},
        {"Size=-3\nBiDiMode=-1\nCharSet=\n", 0, "", 1, -1},
        {"Size=big\nBiDiMode=3\nCharSet=Arabic_Charset\n", 0, "", 178, 3},
        {"", 0, "", 1, 0},
    };
    for (const Case& c : cases) {
        toolkit.fontCalls = 0;
        ApplyLanguageToForm(&form, Lng("[Font]\n" + c.section));
        ASSERT_EQ(toolkit.fontCalls, 1);
        EXPECT_EQ(toolkit.font.sizePt, c.sizePt) << c.section.toStdString();
        EXPECT_EQ(toolkit.font.name, c.name) << c.section.toStdString();
        EXPECT_EQ(toolkit.font.charset, c.charset) << c.section.toStdString();
        EXPECT_EQ(toolkit.font.bidiMode, c.bidiMode) << c.section.toStdString();
    }
    // A missing file changes no property either.
    form.caption = QStringLiteral("built in");
    EXPECT_TRUE(ApplyLanguageToForm(&form, m_home.path() + "/none.lng"));
    EXPECT_EQ(form.caption, "built in");
}

TEST(ShippedLanguageFile, EnglishHasTheUsedMessagesAndAFont) {
    const QString english = QStringLiteral(REELVANE_DATA_DIR "/English.lng");
    ASSERT_TRUE(QFile::exists(english));
    LangStringTable table;
    LoadLanguageStrings(table, 450, english, QStringLiteral("Strings"));
    for (int i = 0; i < kLangStringCount; ++i) {
        if (i >= 12 && i <= 24)
            EXPECT_FALSE(table[i].isEmpty()) << i;
        else
            EXPECT_TRUE(table[i].isEmpty()) << i;
    }
    RecordingToolkit toolkit;
    InstallFormToolkit(&toolkit);
    QObject form;
    ApplyLanguageToForm(&form, english);
    InstallFormToolkit(nullptr);
    EXPECT_GT(toolkit.font.sizePt, 0);
    EXPECT_FALSE(toolkit.font.name.isEmpty());
    EXPECT_EQ(toolkit.font.bidiMode, 0);
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include "LanguageTest.moc"
