#pragma once

#include "app/batch/BatchQueue.h"
#include "app/batch/EngineAdapter.h"
#include "app/batch/HotDirQueue.h"
#include "app/ui/TrayIcon.h"

#include <QList>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>

class EnginePanel;
class FileOpenDialog;
class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTabWidget;
class QTimer;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

/// The main window: the mode wizard, the batch page with its file list, the hot-directory
/// page, the operation panel with the engine, the six format pages, the batch buttons and the
/// log. The batch itself is a BatchQueue: it owns the list's entries and their states and
/// writes the log; the window shows them and offers the commands. The hot-directory mode is a
/// HotDirQueue (HotJobs()): the window gives it the folders of its page, starts and stops it
/// and shows its job lines in the log.
///
/// While a batch runs, every command that changes the list, the format or the mode is off
/// (their actions are disabled, so menus, buttons and keys follow); actadd's enabled state is
/// the one answer to "may the list be changed now", for anything that adds files. While the
/// hot-directory mode runs, the format, the mode and the folders stay as they are.
///
/// Everything runs on the UI thread; the engine's events arrive as EngineAdapter signals on
/// this thread. Message boxes and the folder picker go through the installed ShellServices,
/// the open dialog through FileOpenDialog, so tests can answer them.
class TfrmReelvane : public QMainWindow {
    Q_OBJECT
public:
    /// Takes ownership of @p engine (nullptr: an UnavailableEngine).
    explicit TfrmReelvane(std::unique_ptr<EngineAdapter> engine = {}, QWidget* parent = nullptr);
    ~TfrmReelvane() override;

    /// Replaces the open dialog (not owned; nullptr restores the Qt dialog).
    void SetOpenDialog(FileOpenDialog* dialog);

    // State, for the tray, the hot-directory mode and tests.
    int CurrentMode() const { return m_currentMode; }
    int CurrentFormat() const { return m_currentFormat; }
    /// A batch file is being converted.
    bool Busy() const;
    /// List index of the batch file taken last (-1 before the first of a batch).
    int CurrentItem() const;
    QString CurrentOutput() const;
    QString SaveFolder() const;
    int SortColumn() const { return m_sortColumn; }
    bool SortAscending() const { return m_sortAscending; }
    EngineAdapter* Engine() const { return m_engine.get(); }
    BatchQueue& Queue() const { return *m_queue; }
    /// The hot-directory mode's jobs and watcher.
    HotDirQueue& HotJobs() const { return *m_hotQueue; }

    // List operations.
    void AddFileToList(const QString& path);
    void AddFilesToList(const QStringList& paths);
    void RemoveDuplicateNames();
    /// Image index of entry @p row (0 waiting, 1 failed or stopped, 2 succeeded), -1 outside
    /// the list.
    int EntryImage(int row) const;
    /// The number read from the decimal digits of @p text, other characters skipped
    /// ("1,024 KB" → 1024); 32-bit wrap-around like the stored sizes always had.
    static int DigitsValue(const QString& text);
    /// True when @p path's extension (from its last point) is accepted as an AVI file.
    static bool IsAcceptedType(const QString& path);

    // Window operations.
    void ShowWizardPage(QWidget* page);
    void UpdateListActions();
    void UpdateMenusForMode(bool value = true);
    void SetBatchControlsEnabled(bool enabled);
    /// The hot-directory page and buttons for a running (or idle) mode.
    void SetHotRunState(bool running);
    /// The folder boxes and the sub-folder box from the stored settings.
    void LoadHotDirSettings();
    /// The folder boxes (those not empty) and the sub-folder box into the settings, saved.
    void SaveHotDirSettings();

public Q_SLOTS:
    void actNextExecute();
    void actHotDirExecute();
    void actReturnmodeExecute();
    void actaddExecute();
    void actAddFolderExecute();
    void actRemoveExecute();
    void actClearExecute();
    void actOpenFolderExecute();
    void actConvertExecute();
    void actStopConvertExecute();
    void actEditExecute();
    void lblexampleClick();
    void mniSelectAllClick();
    void mniRemoveFailedItemsClick();
    void mniRemoveSucceededItemsClick();
    void mniOpenClick();
    void mniPropertiseClick();
    void lvFilesColumnClick(int column);
    /// Picks format page @p page (0..5) as the "Format" menu does.
    void SelectFormatPage(int page);
    // The hot-directory page.
    void actSelIndirExecute();
    void actSelOutdirExecute();
    void actSelLogdirExecute();
    void actOpenIndirExecute();
    void actOpenOutdirExecute();
    void actOpenLogdirExecute();
    void btnsbtrunClick();
    void btnsbtendClick();

public:
    // Notification area, dropped files.
    /// Replaces the notification-area icon (not owned; nullptr restores the desktop's).
    void SetTrayIcon(TrayIcon* tray);
    /// True while the window is hidden with its icon in the notification area.
    bool InTray() const { return m_inTray; }
    /// The minimise command: hides the window in the notification area when the desktop has
    /// one, otherwise minimises it as usual.
    void HandleMinimize();
    /// Adds the dropped local files with an accepted extension, in order, names already listed
    /// dropped again; nothing while the list may not be changed (Add disabled) or outside the
    /// batch mode.
    void HandleDropFiles(const QList<QUrl>& urls);
    void btnminClick();
    void mniShowClick();
    void mniExitClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildActions();
    void BuildPages(QWidget* central);
    void BuildModePage();
    void BuildConvertPage();
    void BuildHotDirPage();
    void BuildOperatePanel(QWidget* central);
    void BuildMenus();
    void BuildStatusBar();
    void FormCreate();
    void FormShow();
    void pgcConvertChange();
    void cbbmpegClick();
    void SortList();
    int lvFilesCompare(QTreeWidgetItem* a, QTreeWidgetItem* b) const;
    void ResetHeaderImages();
    void InsertEntryRow(int row);
    void RebuildEntryRows();
    void RemoveEntriesWithImage(int image);
    void ShowEntryState(int row);
    void Log(const QString& line);
    void EndBatchCursor();
    void BatchRunningChanged(bool running);
    void BatchProgress(int percent);
    void HideBatchProgress();
    void BatchFinished();
    QComboBox* PresetCombo(int format) const;
    void ContinueClosing();
    /// A batch runs or the hot-directory mode watches: the format and the mode stay.
    bool AnyRunning() const;
    /// The log folder "Open Dir" shows: the running mode's, else the box's, else the stored one.
    QString ShownLogFolder() const;

    // Notification area and dropped files.
    void BuildTray();
    void HideInTray();
    void RestoreFromTray();
    void HandleTrayClick(TrayIcon::Button button);
    bool AcceptsDrops() const;

    std::unique_ptr<EngineAdapter> m_engine;
    std::unique_ptr<BatchQueue> m_queue;     // after the engine: it drives the engine
    std::unique_ptr<HotDirQueue> m_hotQueue; // likewise
    std::unique_ptr<FileOpenDialog> m_qtOpenDialog;
    FileOpenDialog* m_openDialog = nullptr;

    // State fields.
    int m_currentMode = 0;
    int m_currentFormat = 0;
    int m_sortColumn = 0;
    bool m_sortAscending = false;
    bool m_cursorOverridden = false;
    bool m_closeRequested = false;

    // Window parts (component names as objectName).
    QStackedWidget* pageConvert = nullptr;
    QWidget* tsMode = nullptr;
    QWidget* tsConvert = nullptr;
    QWidget* tsHotDirectory = nullptr;
    QRadioButton* rbtbatch = nullptr;
    QRadioButton* rbrdohotdir = nullptr;
    QPushButton* btnNext = nullptr;
    QPushButton* btnexit = nullptr;
    QTreeWidget* lvFiles = nullptr;
    QToolButton* btnAdd = nullptr;
    QToolButton* btnAddFolder = nullptr;
    QToolButton* btnRemove = nullptr;
    QToolButton* btnClear = nullptr;
    QWidget* pnlempty = nullptr;
    QLabel* lblexample = nullptr;
    QGroupBox* grpHotDir = nullptr;
    QLineEdit* edtindir = nullptr;
    QLineEdit* edtoutdir = nullptr;
    QLineEdit* edtlog = nullptr;
    QCheckBox* chksubdir = nullptr;
    QWidget* pnloperate = nullptr;
    QWidget* pnlpreview = nullptr;
    EnginePanel* VideoEdit = nullptr;
    QTabWidget* pgcConvert = nullptr;
    QComboBox* cbbmpeg = nullptr;
    QComboBox* cbbmp4profile = nullptr;
    QComboBox* cbbwmvprofile = nullptr;
    QComboBox* cbbflvprofile = nullptr;
    QComboBox* cbbmovprofile = nullptr;
    QComboBox* cbbMP3profile = nullptr;
    QWidget* Panel1 = nullptr;
    QPushButton* btnConvert = nullptr;
    QPushButton* btnStopConvert = nullptr;
    QPushButton* btnHotdirectory = nullptr;
    QWidget* pnllog = nullptr;
    QPlainTextEdit* mmolog = nullptr;
    QPushButton* btnsbtrun = nullptr;
    QPushButton* btnsbtend = nullptr;
    QPushButton* btnmin = nullptr;
    QPushButton* btnsbtreturn = nullptr;
    QWidget* stat1 = nullptr;
    QLabel* statPanels[5] = {};
    QProgressBar* ProgressBar = nullptr;
    QTimer* closeWaitTimer = nullptr;

    // Actions.
    QAction* actNext = nullptr;
    QAction* actadd = nullptr;
    QAction* actAddFolder = nullptr;
    QAction* actRemove = nullptr;
    QAction* actClear = nullptr;
    QAction* actOpenFolder = nullptr;
    QAction* actConvert = nullptr;
    QAction* actStopConvert = nullptr;
    QAction* actHotDir = nullptr;
    QAction* actReturnmode = nullptr;
    QAction* actEdit = nullptr;
    QAction* actSelIndir = nullptr;
    QAction* actSelOutdir = nullptr;
    QAction* actSelLogdir = nullptr;
    QAction* actOpenIndir = nullptr;
    QAction* actOpenOutdir = nullptr;
    QAction* actOpenLogdir = nullptr;

    // Main menu items (actions of their own where the menu state differs from the action's).
    QAction* mniAddfile = nullptr;
    QAction* mniAddFolder1 = nullptr;
    QAction* mniSelectAllfile = nullptr;
    QAction* mniRemovefile = nullptr;
    QAction* mniClearfile = nullptr;
    QAction* mniExit1 = nullptr;
    QMenu* mniformat = nullptr;
    QAction* mniConvert = nullptr;
    QAction* mniStopConvert = nullptr;
    QAction* mniHotDir = nullptr;
    QAction* mniReturntoBatchMode = nullptr;

    // List popup.
    QMenu* pmFiles = nullptr;
    QAction* mniOpen = nullptr;
    QAction* mniSelectAll = nullptr;
    QAction* mniRemoveFailedItems = nullptr;
    QAction* mniRemoveSucceededItems = nullptr;
    QAction* mniPropertise = nullptr;

    // Notification area: the desktop's icon unless a test put another in its place.
    std::unique_ptr<TrayIcon> m_qtTray;
    TrayIcon* m_tray = nullptr;
    bool m_inTray = false;
    QMenu* pmTray = nullptr;
    QAction* mniShow = nullptr;
    QAction* mniAbout = nullptr;
    QAction* mniExit = nullptr;
};
