#include "settings/GlobalSettings.h"
#include "settings/RegistryStore.h"
#include "settings/cdSettings.h"

#include "util/myutility.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaProperty>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kKey = QStringLiteral("Software\\Quenza\\Reelvane\\Setting");

// The kinds TcdSettings lacks, for the walker and the store.
class TKindSettings : public TBaseSettings {
    Q_OBJECT
    Q_PROPERTY(qint64 Big READ Big WRITE SetBig)
    Q_PROPERTY(double Ratio READ Ratio WRITE SetRatio)
    Q_PROPERTY(QStringList Lines READ Lines WRITE SetLines)
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(int Count READ Count WRITE SetCount)
    Q_PROPERTY(QObject* Other READ Other WRITE SetOther)

public:
    using TBaseSettings::TBaseSettings;
    ~TKindSettings() override { SaveBeforeDestruction(); }

    qint64 Big() const { return m_big; }
    void SetBig(qint64 v) { m_big = v; }
    double Ratio() const { return m_ratio; }
    void SetRatio(double v) { m_ratio = v; }
    QStringList Lines() const { return m_lines; }
    void SetLines(const QStringList& v) { m_lines = v; }
    QString Text() const { return m_text; }
    void SetText(const QString& v) { m_text = v; }
    int Count() const { return m_count; }
    void SetCount(int v) { m_count = v; }
    QObject* Other() const { return m_other; }
    void SetOther(QObject* v) { m_other = v; }

private:
    qint64 m_big = 7;
    double m_ratio = 1.5;
    QStringList m_lines{QStringLiteral("default")};
    QString m_text = QStringLiteral("default");
    int m_count = 3;
    QObject* m_other = nullptr;
};

class TKindSettingsChild : public TKindSettings {
    Q_OBJECT
    Q_PROPERTY(QString Extra READ Extra WRITE SetExtra)
public:
    using TKindSettings::TKindSettings;
    ~TKindSettingsChild() override { SaveBeforeDestruction(); }
    QString Extra() const { return m_extra; }
    void SetExtra(const QString& v) { m_extra = v; }

private:
    QString m_extra;
};

class StoreFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_home.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.path()));
        ASSERT_TRUE(StorePath().startsWith(m_home.path()));
    }
    QString StorePath() const { return RegistryStore::DefaultFilePath(); }
    RegistryStore LoadedStore() const {
        RegistryStore store;
        EXPECT_TRUE(store.Load());
        return store;
    }
    void WriteStore(const QByteArray& text) const {
        QDir().mkpath(QFileInfo(StorePath()).absolutePath());
        QFile f(StorePath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }
    QByteArray ReadStore() const {
        QFile f(StorePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir m_home;
};

// Every persisted property of TcdSettings, walker order, without the excluded ones.
QStringList PersistedNames(const TBaseSettings& s) {
    QStringList names;
    for (int i = 0; i < PropertyCount(&s); ++i) {
        if (!s.IsExcluded(PropertyName(&s, i)))
            names << PropertyName(&s, i);
    }
    return names;
}

// A value of the property's type that differs from every default.
QVariant OtherValue(const QMetaProperty& p, int i) {
    switch (p.metaType().id()) {
    case QMetaType::Int:
        return i % 2 ? -1000 - i : 1000 + i;
    default:
        return QStringLiteral("välue %1 \"quoted\" back\\slash\nline").arg(i);
    }
}

} // namespace

TEST_F(StoreFixture, WalkerTableStartsWithTheBaseEntries) {
    TcdSettings s;
    ASSERT_GE(PropertyCount(&s), 4);
    EXPECT_EQ(PropertyName(&s, 0), "Name");
    EXPECT_EQ(PropertyName(&s, 1), "Tag");
    EXPECT_EQ(PropertyName(&s, 2), "RegistryKey");
    EXPECT_EQ(PropertyName(&s, 3), "AutoLoad");
    EXPECT_EQ(PropertyName(&s, 4), "LogDir");
    EXPECT_EQ(PersistedNames(s).size(), 81);
    EXPECT_EQ(s.ExcludedNames(), (QStringList{"RegistryKey", "AutoLoad", "Name", "Tag"}));
    EXPECT_TRUE(s.IsExcluded(QStringLiteral("autoload")));
    EXPECT_EQ(PropertyKindOf(&s, QStringLiteral("subdir")), PropertyKind::Enumeration);
    EXPECT_EQ(PropertyKindOf(&s, QStringLiteral("nosuch")), PropertyKind::Other);
}

TEST_F(StoreFixture, FirstRunCreatesTheKeyKeepsDefaultsAndSavesEveryValueOnce) {
    auto s = std::make_unique<TcdSettings>();
    s->SetRegistryKey(kKey);
    s->LoadFromRegistry();
    EXPECT_TRUE(s->LastProblems().isEmpty()) << s->LastProblems().join("; ").toStdString();
    {
        RegistryStore store = LoadedStore();
        EXPECT_TRUE(store.HasKey(kKey));
        EXPECT_TRUE(store.ValueNames(kKey).isEmpty());
    }
    EXPECT_EQ(s->SavePath(), QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
                                 "/Quenza free Reelvane");
    EXPECT_EQ(s->Applocation(), ModuleFileName());
    EXPECT_EQ(s->FLVCompression(), "Flash Vedio");
    EXPECT_EQ(s->WMVAudioFormat2(), 6);

    s.reset(); // saves
    RegistryStore store = LoadedStore();
    const QStringList names = store.ValueNames(kKey);
    EXPECT_EQ(names, PersistedNames(TcdSettings()));
    for (const char* excluded : {"RegistryKey", "AutoLoad", "Name", "Tag", "objectName"})
        EXPECT_FALSE(store.Value(kKey, QString::fromLatin1(excluded))) << excluded;
    EXPECT_EQ(store.Value(kKey, "SubDir"), RegistryValue::FromDword(0));
    EXPECT_EQ(store.Value(kKey, "PageIndex"), RegistryValue::FromDword(0));
    EXPECT_EQ(store.Value(kKey, "LogDir"), RegistryValue::FromText(QString()));
    EXPECT_EQ(store.Value(kKey, "MPEGFrameRate"), RegistryValue::FromText("29.97"));

    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(StorePath()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(StoreFixture, AllValuesRoundTripWithTheirTypes) {
    TcdSettings written;
    written.SetRegistryKey(kKey);
    const QMetaObject* meta = written.metaObject();
    QMap<QString, QVariant> expected;
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty p = meta->property(i);
        if (written.IsExcluded(PropertyName(&written, i)))
            continue;
        QVariant v = p.metaType().id() == QMetaType::Bool ? QVariant(!p.read(&written).toBool())
                                                          : OtherValue(p, i);
        if (QString::fromLatin1(p.name()) == QLatin1String("Indir"))
            v = QString(); // an empty text stays an empty text
        ASSERT_TRUE(p.write(&written, v)) << p.name();
        expected.insert(QString::fromLatin1(p.name()), v);
    }
    ASSERT_EQ(expected.size(), 81);
    written.SaveToRegistry();
    ASSERT_TRUE(written.LastProblems().isEmpty());

    RegistryStore store = LoadedStore();
    EXPECT_EQ(store.Value(kKey, "SubDir"), RegistryValue::FromDword(1));
    EXPECT_EQ(store.Value(kKey, "Indir"), RegistryValue::FromText(QString()));
    EXPECT_EQ(store.Value(kKey, "WMVVedioMode")->type, RegistryValue::Type::Dword);

    TcdSettings read;
    read.SetIndir(QStringLiteral("not empty"));
    read.SetRegistryKey(kKey);
    read.LoadFromRegistry();
    EXPECT_TRUE(read.LastProblems().isEmpty());
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        EXPECT_EQ(PropertyValue(&read, it.key()), it.value()) << it.key().toStdString();
    read.SetAutoLoad(false);
    written.SetAutoLoad(false);
}

TEST_F(StoreFixture, KindsBeyondTheConversionSettings) {
    const QStringList lines{QStringLiteral("first"), QString(), QStringLiteral("thïrd = 3")};
    {
        TKindSettings s;
        s.SetRegistryKey(kKey);
        s.SetBig(Q_INT64_C(-6000000000));
        s.SetRatio(0.1);
        s.SetLines(lines);
        s.SetText(QString());
    } // saved by the destructor
    RegistryStore store = LoadedStore();
    EXPECT_EQ(store.Value(kKey, "Big"), RegistryValue::FromText("-6000000000"));
    EXPECT_EQ(store.Value(kKey, "Ratio"), RegistryValue::FromText("0.1"));
    EXPECT_EQ(store.Value(kKey, "Lines"),
              RegistryValue::FromBinary(QStringLiteral("first\r\n\r\nthïrd = 3\r\n").toUtf8()));
    EXPECT_FALSE(store.Value(kKey, "Other")); // object properties are not stored

    TKindSettings r;
    r.SetAutoLoad(false);
    r.SetRegistryKey(kKey);
    r.LoadFromRegistry();
    EXPECT_EQ(r.Big(), Q_INT64_C(-6000000000));
    EXPECT_EQ(r.Ratio(), 0.1);
    EXPECT_EQ(r.Lines(), lines);
    EXPECT_EQ(r.Text(), "");
}

TEST_F(StoreFixture, WrongTypesAndDamagedLinesAreSkippedOthersLoad) {
    WriteStore("[Software\\Quenza\\Reelvane\\Setting]\n"
               "\"PageIndex\"=sz:\"3\"\n"     // wrong type
               "\"LogDir\"=dword:00000001\n"  // wrong type
               "\"SubDir\"=dword:00000001\n"  // good
               "\"MPEGWidth\"=sz:\"352\"\n"   // good
               "\"MP4Width\"=sz:\"bad\\q\"\n" // bad escape
               "garbage line\n"
               "\"MOVWidth\"=hex:3:4142\n"         // short binary, wrong type anyway
               "\"WMVCbbIdx\"=dword:0005\n"        // cut-off number
               "\"flvwidth\"=sz:\"176\"\n"         // names are matched without case
               "\"SavePath\"=sz:\"/media/cut-of"); // cut-off last line
    TcdSettings s;
    s.SetAutoLoad(false);
    s.SetRegistryKey(kKey);
    s.LoadFromRegistry();
    EXPECT_EQ(s.PageIndex(), 0);
    EXPECT_EQ(s.LogDir(), "");
    EXPECT_TRUE(s.SubDir());
    EXPECT_EQ(s.MPEGWidth(), "352");
    EXPECT_EQ(s.MP4Width(), "640");
    EXPECT_EQ(s.MOVWidth(), "640");
    EXPECT_EQ(s.WMVCbbIdx(), 0);
    EXPECT_EQ(s.FLVWidth(), "176");
    EXPECT_TRUE(s.SavePath().endsWith("/Quenza free Reelvane"));
    EXPECT_FALSE(s.LastProblems().isEmpty());

    TKindSettings k;
    k.SetAutoLoad(false);
    WriteStore("[Software\\Quenza\\Reelvane\\Setting]\n"
               "\"Ratio\"=sz:\"1,5\"\n"
               "\"Big\"=sz:\"12x\"\n"
               "\"Lines\"=sz:\"not binary\"\n"
               "\"Count\"=dword:ffffffff\n");
    k.SetRegistryKey(kKey);
    k.LoadFromRegistry();
    EXPECT_EQ(k.Ratio(), 1.5);
    EXPECT_EQ(k.Big(), 7);
    EXPECT_EQ(k.Lines(), QStringList{"default"});
    EXPECT_EQ(k.Count(), -1);
}

TEST_F(StoreFixture, ATruncatedStoreYieldsSavedOrDefaultValuesOnly) {
    TcdSettings defaults;
    defaults.SetAutoLoad(false);
    {
        TcdSettings s;
        s.SetRegistryKey(kKey);
        s.SetLogDir(QStringLiteral("/var/log/reelvane"));
        s.SetPageIndex(4);
        s.SetSubDir(true);
        s.SetMP3Samplerate(QStringLiteral("48000"));
        s.SetWMVAudioFormat1(12);
    }
    const QByteArray full = ReadStore();
    TcdSettings saved;
    saved.SetAutoLoad(false);
    saved.SetRegistryKey(kKey);
    saved.LoadFromRegistry();
    ASSERT_EQ(saved.PageIndex(), 4);
    const QStringList names = PersistedNames(saved);
    for (qsizetype cut = 0; cut < full.size(); cut += 7) {
        WriteStore(full.left(cut));
        TcdSettings s;
        s.SetAutoLoad(false);
        s.SetRegistryKey(kKey);
        s.LoadFromRegistry();
        for (const QString& n : names) {
            const QVariant v = PropertyValue(&s, n);
            ASSERT_TRUE(v == PropertyValue(&saved, n) || v == PropertyValue(&defaults, n))
                << "cut at " << cut << ": " << n.toStdString() << " = "
                << v.toString().toStdString();
        }
    }
}

TEST_F(StoreFixture, AnInterruptedSaveLeavesThePreviousValues) {
    {
        TcdSettings s;
        s.SetRegistryKey(kKey);
        s.SetOutDir(QStringLiteral("/old/out"));
    }
    const QByteArray before = ReadStore();
    ASSERT_FALSE(before.isEmpty());

    auto saveWithFileLimit = [](bool killOnLimit) {
        if (!killOnLimit)
            std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{200, 200}; // the new store does not fit: "disk full"
        setrlimit(RLIMIT_FSIZE, &limit);
        TcdSettings s;
        s.SetAutoLoad(false);
        s.SetRegistryKey(kKey);
        s.SetOutDir(QString(400, QLatin1Char('n')));
        s.SaveToRegistry();
        _exit(s.LastProblems().isEmpty() ? 1 : 0);
    };
    // Killed in the middle of writing, and a write that fails and is reported.
    EXPECT_EXIT(saveWithFileLimit(true), ::testing::KilledBySignal(SIGXFSZ), "");
    EXPECT_EXIT(saveWithFileLimit(false), ::testing::ExitedWithCode(0), "");

    EXPECT_EQ(ReadStore(), before);
    TcdSettings s;
    s.SetAutoLoad(false);
    s.SetRegistryKey(kKey);
    s.LoadFromRegistry();
    EXPECT_EQ(s.OutDir(), "/old/out");
}

TEST_F(StoreFixture, AnEmptyKeyTouchesNoStoreAndOtherKeysSurviveASave) {
    {
        TcdSettings s;
        s.SetPageIndex(2);
        s.LoadFromRegistry();
        EXPECT_EQ(s.PageIndex(), 2);
    }
    EXPECT_FALSE(QFileInfo::exists(StorePath()));

    RegistryStore store;
    store.SetValue(QStringLiteral("Software\\Quenza\\Reelvane"), QStringLiteral("Language"),
                   RegistryValue::FromText(QStringLiteral("Deutsch")));
    ASSERT_TRUE(store.Save());
    {
        TcdSettings s;
        s.SetRegistryKey(kKey);
    }
    EXPECT_EQ(LoadedStore().Value(QStringLiteral("software\\quenza\\reelvane"), "language"),
              RegistryValue::FromText(QStringLiteral("Deutsch")));
}

TEST_F(StoreFixture, AssignCopiesSharedPropertiesButNotNameOrWideKinds) {
    TKindSettingsChild source;
    source.SetAutoLoad(false);
    source.setObjectName(QStringLiteral("source"));
    source.SetTag(9);
    source.SetRegistryKey(QStringLiteral("Software\\Elsewhere"));
    source.SetBig(Q_INT64_C(1) << 40);
    source.SetRatio(2.25);
    source.SetLines({QStringLiteral("x"), QStringLiteral("y")});
    source.SetText(QStringLiteral("copied"));
    source.SetCount(11);

    TKindSettings destination;
    destination.setObjectName(QStringLiteral("destination"));
    QString error;
    ASSERT_TRUE(destination.Assign(&source, &error));
    EXPECT_EQ(destination.objectName(), "destination");
    EXPECT_EQ(destination.Tag(), 9);
    EXPECT_EQ(destination.RegistryKey(), "Software\\Elsewhere");
    EXPECT_FALSE(destination.AutoLoad());
    EXPECT_EQ(destination.Big(), 7);
    EXPECT_EQ(destination.Ratio(), 2.25);
    EXPECT_EQ(destination.Lines(), (QStringList{"x", "y"}));
    EXPECT_EQ(destination.Text(), "copied");
    EXPECT_EQ(destination.Count(), 11);

    TcdSettings unrelated;
    unrelated.SetAutoLoad(false);
    EXPECT_FALSE(destination.Assign(&unrelated, &error));
    EXPECT_EQ(error, "Cannot assign a TcdSettings to a TKindSettings");
    TKindSettingsChild child;
    child.SetAutoLoad(false);
    EXPECT_FALSE(child.Assign(&destination, &error)); // a base is not a subclass
}

TEST_F(StoreFixture, TheHolderLoadsAtStartAndSavesAtEnd) {
    RegistryStore store;
    store.SetValue(kKey, QStringLiteral("PageIndex"), RegistryValue::FromDword(5));
    ASSERT_TRUE(store.Save());
    EXPECT_FALSE(HasSettings());
    {
        SettingsHolder holder;
        ASSERT_TRUE(HasSettings());
        EXPECT_EQ(Settings().PageIndex(), 5);
        EXPECT_EQ(Settings().RegistryKey(), kKey);
        Settings().SetIndir(QStringLiteral("/watched"));
    }
    EXPECT_FALSE(HasSettings());
    EXPECT_EQ(LoadedStore().Value(kKey, "Indir"), RegistryValue::FromText("/watched"));
}

TEST(RegistryStoreText, EscapesSurviveARoundTrip) {
    QTemporaryDir tmp;
    RegistryStore a(tmp.path() + "/store");
    const QString text = QStringLiteral("tab\there \"q\" \\ \r\n end ü");
    const QByteArray bytes("\x00\x01\xff", 3);
    a.SetValue(QStringLiteral("\\K\\Sub\\"), QStringLiteral("n=\"1\""),
               RegistryValue::FromText(text));
    a.SetValue(QStringLiteral("K\\Sub"), QStringLiteral("b"), RegistryValue::FromBinary(bytes));
    a.SetValue(QStringLiteral("K\\Sub"), QStringLiteral("d"), RegistryValue::FromDword(0xfffffffe));
    ASSERT_TRUE(a.Save());
    RegistryStore b(tmp.path() + "/store");
    ASSERT_TRUE(b.Load());
    EXPECT_EQ(b.SkippedLineCount(), 0);
    EXPECT_TRUE(b.HasKey(QStringLiteral("K")));
    EXPECT_EQ(b.Value(QStringLiteral("k\\sub"), QStringLiteral("N=\"1\"")),
              RegistryValue::FromText(text));
    EXPECT_EQ(b.Value(QStringLiteral("K\\Sub"), QStringLiteral("b")),
              RegistryValue::FromBinary(bytes));
    EXPECT_EQ(b.Value(QStringLiteral("K\\Sub"), QStringLiteral("d")),
              RegistryValue::FromDword(0xfffffffe));
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include "SettingsTest.moc"
