#pragma once

#include <QDialog>
#include <QString>

#include <array>

class QComboBox;
class QGridLayout;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QWidget;
class TcdSettings;

/// The custom profile editor: a modal dialog showing the page of one target format (MPEG, MP4,
/// WMV, FLV, MOV or MP3, without tabs), filled from the settings when shown and written back to
/// them by OK. Cancel and the close box write nothing, apart from the WMV mode, which is stored
/// as soon as it is chosen. Every choice is a fixed-row drop-down list; the two WMV peak bit
/// rates are edits that take digits only.
///
/// A new editor is made for every use: its constructor applies the language section "frmEdit"
/// and copies the selected preset row of the current format into the settings, so the page
/// opens on the preset's values. UI thread only; @p settings must outlive the editor.
class TfrmEdit : public QDialog {
    Q_OBJECT
public:
    /// @p currentFormat: 0 MPEG, 1 MP4, 2 WMV, 3 FLV, 4 MOV, 5 MP3. @p presetRow: the selected
    /// row of that format's preset combo in the main window (-1 for none).
    TfrmEdit(TcdSettings& settings, int currentFormat, int presetRow, QWidget* parent = nullptr);
    ~TfrmEdit() override;

    int CurrentFormat() const { return m_currentFormat; }
    /// The page of @p format (tsMPEG ... tsMP3), or nullptr for an unknown format.
    QWidget* PageFor(int format) const;
    /// Makes @p page the only visible page; the tab headers stay hidden.
    void ShowPage(QWidget* page);

    /// "640*480" puts "640" and "480" into the two edits, "Original" puts "0" into both; any
    /// other text leaves them as they are.
    static void SplitFrameSize(const QString& frameSize, QLineEdit* width, QLineEdit* height);

public Q_SLOTS:
    void btnOKClick();
    void btnCancelClick();
    /// The user chose another WMV mode: stored at once; only "VBR(Peak)" enables the peak edit.
    void cbbwmvmodeChange(int row);
    /// The user chose another WMV audio codec: its format list is shown, on its first row.
    void cbbaudioCodecChange(int row);

protected:
    void showEvent(QShowEvent* event) override;

private:
    /// The combos and hidden edits of one of the four pages that share the MPEG layout.
    struct VideoPage {
        const char* prefix = "";         // settings prefix: "MPEG", "MP4", "FLV", "MOV"
        const char* constraintName = ""; // the constraint's settings name
        QComboBox* frameSize = nullptr;
        QComboBox* aspectRatio = nullptr;
        QComboBox* bitrate = nullptr;
        QComboBox* frameRate = nullptr;
        QComboBox* compression = nullptr;
        QComboBox* constraint = nullptr;
        QComboBox* audioCodec = nullptr;
        QComboBox* audioBitrate = nullptr;
        QComboBox* channels = nullptr;
        QComboBox* frequency = nullptr;
        QLineEdit* width = nullptr;
        QLineEdit* height = nullptr;
    };

    void BuildPages();
    QWidget* BuildVideoPage(int format, VideoPage& page);
    QWidget* BuildWmvPage();
    QWidget* BuildMp3Page();
    QComboBox* AddCombo(QWidget* page, QGridLayout* grid, const char* caption, const char* name,
                        const QStringList& rows, const char* unit = nullptr, int columns = 1);
    QLineEdit* AddPeakEdit(QWidget* page, QGridLayout* grid, const char* name);
    void FormCreate(int presetRow);
    void AlignLabelColumns();
    void FormShow();
    void ShowVideoPage(const VideoPage& page);
    void ShowWmvPage();
    void ShowMp3Page();
    void StoreVideoPage(const VideoPage& page);
    void StoreWmvPage();
    void StoreMp3Page();
    VideoPage* VideoPageFor(int format);
    QString Text(const QString& name) const;
    void Store(const QString& name, const QVariant& value);

    TcdSettings& m_settings;
    const int m_currentFormat;

    // Window parts (component names as objectName).
    QTabWidget* pgcedit = nullptr;
    QWidget* tsMPEG = nullptr;
    QWidget* tsMP4 = nullptr;
    QWidget* tsWMV = nullptr;
    QWidget* tsFLV = nullptr;
    QWidget* tsMOV = nullptr;
    QWidget* tsMP3 = nullptr;
    QWidget* pnl1 = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    VideoPage m_mpeg;
    VideoPage m_mp4;
    VideoPage m_flv;
    VideoPage m_mov;

    QComboBox* cbbwmvframesize = nullptr;
    QComboBox* cbbwmvmode = nullptr;
    QLineEdit* edtPeakbitrate = nullptr;
    QComboBox* cbbformat = nullptr;
    QComboBox* cbbwmvvediobitrate = nullptr;
    QComboBox* cbbwmvframerate = nullptr;
    QComboBox* cbbwmvcompression = nullptr;
    QComboBox* cbbaudioCodec = nullptr;
    std::array<QComboBox*, 3> cbbWMVFormat{}; // cbbWMVFormat1..3, one per audio codec row
    QLineEdit* edtauPeakbitrate = nullptr;
    QLineEdit* edtwmvwidth = nullptr;
    QLineEdit* edtwmvheight = nullptr;

    QComboBox* cbbMP3BitRate = nullptr;
    QComboBox* cbbMP3Channels = nullptr;
    QComboBox* cbbMP3SampleRate = nullptr;
};
