#include "editor/frmEdit.h"

#include "app/core/Language.h"
#include "editor/core/EditorLists.h"
#include "editor/core/Presets.h"
#include "settings/cdSettings.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMetaProperty>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QShowEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kClientWidth = 446;
constexpr int kClientHeight = 514;

// At most nine digits: every value fits the integer the Windows Media settings are read as.
const QRegularExpression kPeakDigits(QStringLiteral("[0-9]{0,9}"));

/// Row @p row when @p combo has it, else -1 (no selection).
int RowIn(const QComboBox* combo, int row) {
    return row >= 0 && row < combo->count() ? row : -1;
}

QGroupBox* AddGroup(QWidget* page, QVBoxLayout* column, const QString& name, const char* caption) {
    auto* group = new QGroupBox(QString::fromLatin1(caption), page);
    group->setObjectName(name);
    // The same columns in every group of a page, so the lists line up: the label column is
    // widened to the page's widest label once the captions are final (AlignLabelColumns).
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(8, 6, 8, 6);
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(2, 44);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    column->addWidget(group);
    return group;
}

QGridLayout* GridOf(QGroupBox* group) {
    return static_cast<QGridLayout*>(group->layout());
}

QLineEdit* HiddenEdit(QWidget* page, const char* name) {
    auto* edit = new QLineEdit(page);
    edit->setObjectName(QString::fromLatin1(name));
    edit->hide();
    return edit;
}

} // namespace

TfrmEdit::TfrmEdit(TcdSettings& settings, int currentFormat, int presetRow, QWidget* parent)
    : QDialog(parent)
    , m_settings(settings)
    , m_currentFormat(currentFormat) {
    setObjectName(QStringLiteral("frmEdit"));
    setWindowTitle(QStringLiteral("Edit"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kClientWidth, kClientHeight);
    BuildPages();
    FormCreate(presetRow);
}

TfrmEdit::~TfrmEdit() = default;

// ---------------------------------------------------------------------------------- building

QComboBox* TfrmEdit::AddCombo(QWidget* page, QGridLayout* grid, const char* caption,
                              const char* name, const QStringList& rows, const char* unit,
                              int columns) {
    const QString objectName = QString::fromLatin1(name);
    const int line = grid->rowCount();
    auto* label = new QLabel(QString::fromLatin1(caption), page);
    label->setObjectName(QStringLiteral("lbl") + objectName.mid(3));
    auto* combo = new QComboBox(page);
    combo->setObjectName(objectName);
    combo->setEditable(false);
    combo->addItems(rows);
    combo->setCurrentIndex(-1);
    combo->setMaxVisibleItems(16);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(8);
    label->setBuddy(combo);
    grid->addWidget(label, line, 0);
    grid->addWidget(combo, line, 1, 1, columns);
    // Every narrow row has its unit column, also an empty one, so all lists end alike.
    if (columns == 1) {
        auto* unitLabel = new QLabel(QString::fromLatin1(unit ? unit : ""), page);
        unitLabel->setObjectName(QStringLiteral("lblunit") + objectName.mid(3));
        grid->addWidget(unitLabel, line, 2);
    }
    return combo;
}

QLineEdit* TfrmEdit::AddPeakEdit(QWidget* page, QGridLayout* grid, const char* name) {
    const QString objectName = QString::fromLatin1(name);
    const int line = grid->rowCount();
    auto* label = new QLabel(QStringLiteral("Peak bit rate:"), page);
    label->setObjectName(QStringLiteral("lbl") + objectName.mid(3));
    auto* edit = new QLineEdit(page);
    edit->setObjectName(objectName);
    // Digits only, typed or pasted: the value is read as a number when the profile is built.
    edit->setValidator(new QRegularExpressionValidator(kPeakDigits, edit));
    label->setBuddy(edit);
    auto* unit = new QLabel(QStringLiteral("(kbps)"), page);
    unit->setObjectName(QStringLiteral("lblunit") + objectName.mid(3));
    grid->addWidget(label, line, 0);
    grid->addWidget(edit, line, 1);
    grid->addWidget(unit, line, 2);
    return edit;
}

void TfrmEdit::BuildPages() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 0);
    layout->setSpacing(0);

    pgcedit = new QTabWidget(this);
    pgcedit->setObjectName(QStringLiteral("pgcedit"));
    layout->addWidget(pgcedit, 1);

    m_mpeg = {"MPEG", "MPEGConstraint"};
    m_mp4 = {"MP4", "MP4constraint"};
    m_flv = {"FLV", "FLVConstraint"};
    m_mov = {"MOV", "MOVconstraint"};
    tsMPEG = BuildVideoPage(FormatMPEG, m_mpeg);
    tsMP4 = BuildVideoPage(FormatMP4, m_mp4);
    tsWMV = BuildWmvPage();
    tsFLV = BuildVideoPage(FormatFLV, m_flv);
    tsMOV = BuildVideoPage(FormatMOV, m_mov);
    tsMP3 = BuildMp3Page();
    const std::pair<QWidget*, const char*> pages[] = {{tsMPEG, "MPEG"}, {tsMP4, "MP4"},
                                                      {tsWMV, "WMV"},   {tsFLV, "FLV"},
                                                      {tsMOV, "MOV"},   {tsMP3, "MP3"}};
    for (const auto& [page, caption] : pages)
        pgcedit->addTab(page, QString::fromLatin1(caption));

    pnl1 = new QWidget(this);
    pnl1->setObjectName(QStringLiteral("pnl1"));
    pnl1->setFixedHeight(46);
    auto* buttons = new QHBoxLayout(pnl1);
    buttons->setContentsMargins(0, 8, 0, 10);
    buttons->addStretch(1);
    btnOK = new QPushButton(QStringLiteral("OK"), pnl1);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnOK->setMinimumWidth(86);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), pnl1);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);
    btnCancel->setMinimumWidth(86);
    buttons->addWidget(btnOK);
    buttons->addSpacing(8);
    buttons->addWidget(btnCancel);
    layout->addWidget(pnl1);

    connect(btnOK, &QPushButton::clicked, this, &TfrmEdit::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmEdit::btnCancelClick);
}

QWidget* TfrmEdit::BuildVideoPage(int format, VideoPage& p) {
    struct Names {
        const char *page, *frameSize, *aspectRatio, *bitrate, *frameRate, *compression, *constraint,
            *audioCodec, *audioBitrate, *channels, *frequency, *width, *height;
    };
    static const Names kNames[] = {
        {"tsMPEG", "cbbFrameSize", "cbbAspectRatio", "cbbBitRate", "cbbmpegframerate",
         "cbbmpegkcompression", "cbbmpegconstraint", "cbbmpegcodec", "cbbAudioBitrate",
         "cbbAudioChannels", "cbbSampleRate", "edtWidth", "edtHeight"},
        {"tsMP4", "cbbmp4framesize", "cbbmp4aspectratio", "cbbmp4vediobitrate", "cbbmp4framerate",
         "cbbmp4compression", "cbbmp4constraint", "cbbmp4audiocodec", "cbbmp4audiobitrate",
         "cbbmp4channels", "cbbmp4frequency", "edtmp4width", "edtmp4height"},
        {},
        {"tsFLV", "cbbflvframesize", "cbbflvaspectratio", "cbbflvbitrate", "cbbflvframerate",
         "cbbflvcompression", "cbbflvconstraint", "cbbflvaudiocodec", "cbbflvaudiobitrate",
         "cbbflvchannels", "cbbflvfrequency", "edtflvwidth", "edtflvheight"},
        {"tsMOV", "cbbmovframesize", "cbbmovaspectratio", "cbbmovvediobitrate", "cbbmovframerate",
         "cbbmovvediocompression", "cbbmovconstraint", "cbbmovaudiocodec", "cbbmovbitrate",
         "cbbmovchannels", "cbbmovfrequency", "edtmovwidth", "edtmovheight"},
    };
    const Names& n = kNames[format];
    const bool flv = format == FormatFLV;
    QStringList compressions;
    if (format == FormatMPEG)
        compressions = {QStringLiteral("MPEG1"), QStringLiteral("MPEG2")};
    else if (flv)
        compressions = {QStringLiteral("Flash Video")};
    else
        compressions = {QStringLiteral("MPEG4")};

    auto* page = new QWidget;
    page->setObjectName(QString::fromLatin1(n.page));
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(6, 6, 6, 6);
    const QString prefix = QString::fromLatin1(n.page).mid(2);
    QGroupBox* image = AddGroup(page, column, "grp" + prefix + "Image", "Image");
    QGroupBox* video = AddGroup(page, column, "grp" + prefix + "Video", "Video");
    QGroupBox* audio = AddGroup(page, column, "grp" + prefix + "Audio", "Audio");
    column->addStretch(1);

    p.frameSize = AddCombo(page, GridOf(image), "Frame Size:", n.frameSize, FrameSizeRows());
    p.aspectRatio =
        AddCombo(page, GridOf(image), "Aspect Ratio:", n.aspectRatio, AspectRatioRows());
    p.bitrate =
        AddCombo(page, GridOf(video), flv ? "Video Bitrates:" : "Target Bitrates:", n.bitrate,
                 flv ? FlvVideoBitrateRows() : VideoBitrateRows(), "(kbps)");
    p.frameRate = AddCombo(page, GridOf(video), "Frame Rate:", n.frameRate, FrameRateRows());
    p.compression =
        AddCombo(page, GridOf(video), "Video Compression:", n.compression, compressions);
    p.constraint = AddCombo(page, GridOf(video), "Constraint:", n.constraint,
                            flv ? QStringList{QStringLiteral("PAL")} : ConstraintRows());
    p.audioCodec = AddCombo(page, GridOf(audio), "Audio Codec:", n.audioCodec, AudioCodecRows());
    const bool shortBitrates = format == FormatMP4 || format == FormatMOV;
    p.audioBitrate =
        AddCombo(page, GridOf(audio), flv ? "Audio Bitrates:" : "Bitrates:", n.audioBitrate,
                 shortBitrates ? ShortAudioBitrateRows() : AudioBitrateRows(), "(kbps)");
    p.channels = AddCombo(page, GridOf(audio), "Channels:", n.channels, ChannelRows());
    p.frequency =
        AddCombo(page, GridOf(audio), "Frequency:", n.frequency, SampleRateRows(), "(HZ)");
    p.width = HiddenEdit(page, n.width);
    p.height = HiddenEdit(page, n.height);
    return page;
}

QWidget* TfrmEdit::BuildWmvPage() {
    const WmvCodecLists lists = WmvEditorLists();
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tsWMV"));
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(6, 6, 6, 6);
    QGridLayout* image = GridOf(AddGroup(page, column, QStringLiteral("grpWMVImage"), "Image"));
    QGridLayout* video = GridOf(AddGroup(page, column, QStringLiteral("grpWMVVideo"), "Video"));
    QGridLayout* audio = GridOf(AddGroup(page, column, QStringLiteral("grpWMVAudio"), "Audio"));
    column->addStretch(1);

    cbbwmvframesize = AddCombo(page, image, "Frame Size:", "cbbwmvframesize", WmvFrameSizeRows());
    cbbwmvmode =
        AddCombo(page, video, "Mode:", "cbbwmvmode",
                 {QStringLiteral("CBR"), QStringLiteral("VBR"), QStringLiteral("VBR(Peak)")});
    edtPeakbitrate = AddPeakEdit(page, video, "edtPeakbitrate");
    cbbformat = AddCombo(page, video, "TV Format:", "cbbformat",
                         {QStringLiteral("PAL"), QStringLiteral("NTSC"), QStringLiteral("Other")});
    cbbwmvvediobitrate = AddCombo(page, video, "Target Bitrates:", "cbbwmvvediobitrate",
                                  VideoBitrateRows(), "(kbps)");
    cbbwmvframerate = AddCombo(page, video, "Frame Rate:", "cbbwmvframerate", FrameRateRows());
    // Codec names and format descriptions are long: their lists also take the unit column.
    cbbwmvcompression =
        AddCombo(page, video, "Video Codec:", "cbbwmvcompression", lists.videoCodecs, nullptr, 2);
    cbbaudioCodec =
        AddCombo(page, audio, "Audio Codec:", "cbbaudioCodec", lists.audioCodecs, nullptr, 2);

    // The three format lists share one place; only the selected codec's list is shown.
    const char* formatNames[] = {"cbbWMVFormat1", "cbbWMVFormat2", "cbbWMVFormat3"};
    const int formatLine = audio->rowCount();
    cbbWMVFormat[0] =
        AddCombo(page, audio, "Format:", formatNames[0], lists.audioFormats[0], nullptr, 2);
    page->findChild<QLabel*>(QStringLiteral("lblWMVFormat1"))
        ->setObjectName(QStringLiteral("lblWMVFormat"));
    for (int i = 1; i < 3; ++i) {
        auto* combo = new QComboBox(page);
        combo->setObjectName(QString::fromLatin1(formatNames[i]));
        combo->addItems(lists.audioFormats[size_t(i)]);
        combo->setCurrentIndex(-1);
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        combo->setMinimumContentsLength(8);
        audio->addWidget(combo, formatLine, 1, 1, 2);
        cbbWMVFormat[size_t(i)] = combo;
    }
    edtauPeakbitrate = AddPeakEdit(page, audio, "edtauPeakbitrate");
    edtwmvwidth = HiddenEdit(page, "edtwmvwidth");
    edtwmvheight = HiddenEdit(page, "edtwmvheight");

    connect(cbbwmvmode, &QComboBox::activated, this, &TfrmEdit::cbbwmvmodeChange);
    connect(cbbaudioCodec, &QComboBox::activated, this, &TfrmEdit::cbbaudioCodecChange);
    return page;
}

QWidget* TfrmEdit::BuildMp3Page() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tsMP3"));
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(6, 6, 6, 6);
    QGridLayout* audio = GridOf(AddGroup(page, column, QStringLiteral("grpMP3Audio"), "Audio"));
    column->addStretch(1);
    cbbMP3BitRate = AddCombo(page, audio, "BPS:", "cbbMP3BitRate",
                             {QStringLiteral("8"), QStringLiteral("16")}, "(bit)");
    cbbMP3Channels = AddCombo(page, audio, "Channels:", "cbbMP3Channels", ChannelRows());
    cbbMP3SampleRate =
        AddCombo(page, audio, "Frequency:", "cbbMP3SampleRate", SampleRateRows(), "(HZ)");
    return page;
}

// ------------------------------------------------------------------------ creation, showing

void TfrmEdit::FormCreate(int presetRow) {
    ApplyLanguageToForm(this, LangFile());
    AlignLabelColumns();
    // Replacing a combo's rows selects its first one; the editor opens with none selected.
    for (QComboBox* combo : findChildren<QComboBox*>())
        combo->setCurrentIndex(-1);
    for (QComboBox* combo : cbbWMVFormat)
        combo->setVisible(combo == cbbWMVFormat[1]);
    ApplyPresetToSettings(m_currentFormat, presetRow, m_settings);
}

void TfrmEdit::AlignLabelColumns() {
    for (int i = 0; i < pgcedit->count(); ++i) {
        const QList<QGroupBox*> groups = pgcedit->widget(i)->findChildren<QGroupBox*>();
        int widest = 0;
        for (QGroupBox* group : groups) {
            const QGridLayout* grid = GridOf(group);
            for (int row = 0; row < grid->rowCount(); ++row)
                if (QLayoutItem* item = grid->itemAtPosition(row, 0); item && item->widget())
                    widest = std::max(widest, item->widget()->sizeHint().width());
        }
        for (QGroupBox* group : groups)
            GridOf(group)->setColumnMinimumWidth(0, widest);
    }
}

QWidget* TfrmEdit::PageFor(int format) const {
    QWidget* pages[] = {tsMPEG, tsMP4, tsWMV, tsFLV, tsMOV, tsMP3};
    return format >= 0 && format < 6 ? pages[format] : nullptr;
}

void TfrmEdit::ShowPage(QWidget* page) {
    pgcedit->tabBar()->hide();
    if (page && pgcedit->indexOf(page) >= 0)
        pgcedit->setCurrentWidget(page);
}

void TfrmEdit::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

TfrmEdit::VideoPage* TfrmEdit::VideoPageFor(int format) {
    switch (format) {
    case FormatMPEG:
        return &m_mpeg;
    case FormatMP4:
        return &m_mp4;
    case FormatFLV:
        return &m_flv;
    case FormatMOV:
        return &m_mov;
    default:
        return nullptr;
    }
}

QString TfrmEdit::Text(const QString& name) const {
    return m_settings.property(name.toLatin1().constData()).toString();
}

void TfrmEdit::Store(const QString& name, const QVariant& value) {
    const QMetaObject* meta = m_settings.metaObject();
    const int index = meta->indexOfProperty(name.toLatin1().constData());
    // Only the declared (persistent) properties: a misspelt name must not become a new value.
    Q_ASSERT_X(index >= 0, "TfrmEdit::Store", qPrintable(name));
    if (index >= 0)
        meta->property(index).write(&m_settings, value);
}

void TfrmEdit::SplitFrameSize(const QString& frameSize, QLineEdit* width, QLineEdit* height) {
    static const QRegularExpression kSize(QStringLiteral("^([0-9]+)\\*([0-9]+)$"));
    if (frameSize == QLatin1String("Original")) {
        width->setText(QStringLiteral("0"));
        height->setText(QStringLiteral("0"));
        return;
    }
    const QRegularExpressionMatch match = kSize.match(frameSize);
    if (match.hasMatch()) {
        width->setText(match.captured(1));
        height->setText(match.captured(2));
    }
}

void TfrmEdit::FormShow() {
    if (VideoPage* page = VideoPageFor(m_currentFormat))
        ShowVideoPage(*page);
    else if (m_currentFormat == FormatWMV)
        ShowWmvPage();
    else if (m_currentFormat == FormatMP3)
        ShowMp3Page();
}

void TfrmEdit::ShowVideoPage(const VideoPage& p) {
    const QString prefix = QString::fromLatin1(p.prefix);
    auto text = [&](const char* suffix) { return Text(prefix + QLatin1String(suffix)); };
    auto pick = [](QComboBox* combo, int row) { combo->setCurrentIndex(RowIn(combo, row)); };

    pick(p.frameSize, IndexOfFrameSize(text("FrameSize")));
    pick(p.aspectRatio, IndexOfAspectRatio(text("AspectRatio")));
    pick(p.bitrate, IndexOfVideoBitrate(text("TragetBitrate")));
    pick(p.frameRate, IndexOfFrameRate(text("FrameRate")));
    pick(p.audioCodec, IndexOfAudioCodec(text("AudioCodec")));
    pick(p.audioBitrate, IndexOfAudioBitrate(text("AudioBitrate")));
    pick(p.frequency, IndexOfSampleRate(text("AudioFrequency")));
    if (m_currentFormat == FormatFLV)
        pick(p.constraint, 0);
    else
        pick(p.constraint, IndexOfConstraint(Text(QString::fromLatin1(p.constraintName))));
    const QString channels = text("AudioChannels");
    if (channels == QLatin1String("Mono"))
        pick(p.channels, 0);
    else if (channels == QLatin1String("Stereo"))
        pick(p.channels, 1);
    if (m_currentFormat == FormatMPEG)
        pick(p.compression, text("Compression") == QLatin1String("MPEG1") ? 0 : 1);
    else
        pick(p.compression, 0);
}

void TfrmEdit::ShowWmvPage() {
    const TcdSettings& s = m_settings;
    cbbwmvframesize->setCurrentIndex(
        cbbwmvframesize->findText(s.WMVFrameSize(), Qt::MatchExactly | Qt::MatchCaseSensitive));
    cbbwmvmode->setCurrentIndex(RowIn(cbbwmvmode, s.WMVVedioMode()));
    edtPeakbitrate->setEnabled(cbbwmvmode->currentIndex() == 2);
    edtPeakbitrate->setText(s.WMVPeakBitrate());
    cbbformat->setCurrentIndex(RowIn(cbbformat, s.WMVTVFormat()));
    cbbwmvvediobitrate->setCurrentIndex(
        RowIn(cbbwmvvediobitrate, IndexOfVideoBitrate(s.WMVTragetBitrate())));
    cbbwmvframerate->setCurrentIndex(RowIn(cbbwmvframerate, IndexOfFrameRate(s.WMVFramerate())));
    cbbwmvcompression->setCurrentIndex(RowIn(cbbwmvcompression, s.WMVVedioCodec()));
    cbbaudioCodec->setCurrentIndex(RowIn(cbbaudioCodec, s.WMVAudioCodec()));
    const int formatRows[] = {s.WMVAudioFormat1(), s.WMVAudioFormat2(), s.WMVAudioFormat3()};
    for (size_t i = 0; i < 3; ++i)
        cbbWMVFormat[i]->setCurrentIndex(RowIn(cbbWMVFormat[i], formatRows[i]));
    const int codec = cbbaudioCodec->currentIndex();
    if (codec >= 0 && codec < 3) {
        for (size_t i = 0; i < 3; ++i)
            cbbWMVFormat[i]->setVisible(int(i) == codec);
    }
    edtauPeakbitrate->setText(s.WMVAudioPeakBitrate());
}

void TfrmEdit::ShowMp3Page() {
    const QString bits = m_settings.MP3Bitrate();
    if (bits == QLatin1String("8"))
        cbbMP3BitRate->setCurrentIndex(0);
    else if (bits == QLatin1String("16"))
        cbbMP3BitRate->setCurrentIndex(1);
    cbbMP3Channels->setCurrentIndex(m_settings.MP3Channels() == QLatin1String("Mono") ? 0 : 1);
    cbbMP3SampleRate->setCurrentIndex(
        RowIn(cbbMP3SampleRate, IndexOfSampleRate(m_settings.MP3Samplerate())));
}

// ----------------------------------------------------------------------------------- buttons

void TfrmEdit::btnOKClick() {
    if (const VideoPage* page = VideoPageFor(m_currentFormat))
        StoreVideoPage(*page);
    else if (m_currentFormat == FormatWMV)
        StoreWmvPage();
    else if (m_currentFormat == FormatMP3)
        StoreMp3Page();
    accept();
}

void TfrmEdit::btnCancelClick() {
    reject();
}

void TfrmEdit::StoreVideoPage(const VideoPage& p) {
    const QString prefix = QString::fromLatin1(p.prefix);
    auto store = [&](const char* suffix, const QString& value) {
        Store(prefix + QLatin1String(suffix), value);
    };
    store("FrameSize", p.frameSize->currentText());
    store("AspectRatio", p.aspectRatio->currentText());
    store("TragetBitrate", p.bitrate->currentText());
    store("FrameRate", p.frameRate->currentText());
    store("AudioCodec", p.audioCodec->currentText());
    store("AudioBitrate", p.audioBitrate->currentText());
    store("AudioChannels", p.channels->currentText());
    store("AudioFrequency", p.frequency->currentText());
    if (m_currentFormat == FormatFLV) {
        store("Compression", QStringLiteral("Flash Video"));
        Store(QString::fromLatin1(p.constraintName), QStringLiteral("PAL"));
    } else {
        store("Compression", p.compression->currentText());
        Store(QString::fromLatin1(p.constraintName), p.constraint->currentText());
    }
    SplitFrameSize(Text(prefix + QLatin1String("FrameSize")), p.width, p.height);
    store("Width", p.width->text());
    store("Height", p.height->text());
}

void TfrmEdit::StoreWmvPage() {
    TcdSettings& s = m_settings;
    const WmvCodecLists lists = WmvEditorLists();
    s.SetWMVFrameSize(cbbwmvframesize->currentText());
    s.SetWMVVedioMode(cbbwmvmode->currentIndex());
    s.SetWMVPeakBitrate(edtPeakbitrate->text());
    s.SetWMVTVFormat(cbbformat->currentIndex());
    s.SetWMVTragetBitrate(cbbwmvvediobitrate->currentText());
    s.SetWMVFramerate(cbbwmvframerate->currentText());
    s.SetWMVVedioCodec(cbbwmvcompression->currentIndex());
    s.SetWMVAudioCodec(cbbaudioCodec->currentIndex());
    s.SetWMVAudioFormat1(cbbWMVFormat[0]->currentIndex());
    s.SetWMVAudioFormat2(cbbWMVFormat[1]->currentIndex());
    s.SetWMVAudioFormat3(cbbWMVFormat[2]->currentIndex());
    s.SetWMVAudioPeakBitrate(edtauPeakbitrate->text());
    SplitFrameSize(s.WMVFrameSize(), edtwmvwidth, edtwmvheight);
    s.SetWMVWidth(edtwmvwidth->text());
    s.SetWMVHeight(edtwmvheight->text());
    // The names a conversion looks the codecs up by come from the fixed lists, not from the
    // (translatable) rows; without a selection the last names stay.
    const int video = s.WMVVedioCodec();
    if (video >= 0 && video < lists.videoCodecs.size())
        s.SetG_WMVVedioCodec(lists.videoCodecs.at(video));
    const int audio = s.WMVAudioCodec();
    if (audio >= 0 && audio < lists.audioCodecs.size()) {
        s.SetG_WMVAudioCodec(lists.audioCodecs.at(audio));
        const QStringList& formats = lists.audioFormats[size_t(audio)];
        const int format = cbbWMVFormat[size_t(audio)]->currentIndex();
        s.SetG_WMVAudioFormat(format >= 0 && format < formats.size() ? formats.at(format)
                                                                     : QString());
    }
}

void TfrmEdit::StoreMp3Page() {
    m_settings.SetMP3Bitrate(cbbMP3BitRate->currentText());
    m_settings.SetMP3Samplerate(cbbMP3SampleRate->currentText());
    m_settings.SetMP3Channels(cbbMP3Channels->currentText());
}

// ------------------------------------------------------------------------------- WMV page

void TfrmEdit::cbbwmvmodeChange(int row) {
    m_settings.SetWMVVedioMode(row);
    cbbwmvvediobitrate->setEnabled(true);
    edtPeakbitrate->setEnabled(row == 2);
}

void TfrmEdit::cbbaudioCodecChange(int row) {
    if (row < 0 || row > 2)
        return;
    for (size_t i = 0; i < 3; ++i)
        cbbWMVFormat[i]->setVisible(int(i) == row);
    cbbWMVFormat[size_t(row)]->setCurrentIndex(RowIn(cbbWMVFormat[size_t(row)], 0));
}
