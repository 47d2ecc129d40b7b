#include "app/frmReelvane.h"

#include "app/EnginePanel.h"
#include "app/FilePropertiesDialog.h"
#include "app/OpenDialog.h"
#include "app/StatusImages.h"
#include "app/batch/BatchQueue.h"
#include "app/batch/EngineAdapter.h"
#include "app/batch/PresetMapping.h"
#include "app/core/Language.h"
#include "editor/core/Presets.h"
#include "editor/frmEdit.h"
#include "settings/GlobalSettings.h"
#include "util/Utility.h"
#include "util/myutility.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <type_traits>

namespace {

constexpr int kClientWidth = 838;
constexpr int kClientHeight = 532;
constexpr int kStatusHeight = 22;
constexpr int kPagesHeight = 258;

const char* const kHotDirNote =
    "Monitor a directory in a server, when someone copies a avi files to the directory, the "
    "files will be converted to another format and sent to a destination folder automatically";

template <typename T> T* Named(T* object, const char* name) {
    object->setObjectName(QString::fromLatin1(name));
    return object;
}

QAction* MakeAction(QObject* parent, const char* name, const QString& caption) {
    auto* action = new QAction(caption, parent);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

/// Calls @p set with @p value when it differs from the value passed last (kept in @p last), so
/// a caption a language file gives the target itself stays until the source changes.
template <typename Set> void CopyWhenChanged(QString& last, const QString& value, Set set) {
    if (value != last) {
        last = value;
        set(value);
    }
}

/// A button that follows @p action (enabled state; caption, or hint for an icon-only tool
/// button) and triggers it. Captions follow the action also when they change later: the
/// language file retitles the actions after the buttons are built.
template <typename Button> void BindButton(Button* button, QAction* action) {
    constexpr bool iconOnly = std::is_base_of_v<QToolButton, Button>;
    struct Shown {
        QString text, tip;
    };
    auto shown = std::make_shared<Shown>();
    auto sync = [button, action, shown] {
        button->setEnabled(action->isEnabled());
        if (iconOnly) {
            CopyWhenChanged(shown->tip, action->toolTip(),
                            [button](const QString& tip) { button->setToolTip(tip); });
            return;
        }
        CopyWhenChanged(shown->text, action->text(),
                        [button](const QString& text) { button->setText(text); });
        if (!action->toolTip().isEmpty() && action->toolTip() != action->text())
            CopyWhenChanged(shown->tip, action->toolTip(),
                            [button](const QString& tip) { button->setToolTip(tip); });
    };
    sync();
    QObject::connect(action, &QAction::changed, button, sync);
    QObject::connect(button, &QAbstractButton::clicked, action, &QAction::trigger);
}

/// A menu item of its own state that triggers @p action and follows its enabled state and its
/// caption.
QAction* MenuItemFor(QMenu* menu, const char* name, QAction* action) {
    QAction* item = menu->addAction(action->text());
    item->setObjectName(QString::fromLatin1(name));
    item->setEnabled(action->isEnabled());
    QObject::connect(action, &QAction::enabledChanged, item, &QAction::setEnabled);
    QObject::connect(action, &QAction::changed, item,
                     [item, action, shown = std::make_shared<QString>(action->text())] {
                         CopyWhenChanged(*shown, action->text(),
                                         [item](const QString& text) { item->setText(text); });
                     });
    QObject::connect(item, &QAction::triggered, action, &QAction::trigger);
    return item;
}

/// The list's grid lines, drawn over the style's own painting of each cell, so selection and
/// focus stay the style's (an item style sheet would stop the selection being drawn).
class GridLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(QColor(0xd8, 0xd8, 0xd8));
        const QRect r = option.rect;
        painter->drawLine(r.topRight(), r.bottomRight());
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        painter->restore();
    }
};

int ImageOf(JobState state) {
    switch (state) {
    case JobState::Succeeded:
        return 2;
    case JobState::Failed:
    case JobState::Stopped:
        return 1;
    case JobState::Waiting:
    case JobState::Converting:
        break;
    }
    return 0;
}

/// Byte-order comparison of two texts (their UTF-8 bytes, then their lengths): -1, 0 or 1.
int CompareBytes(const QString& a, const QString& b) {
    const QByteArray x = a.toUtf8();
    const QByteArray y = b.toUtf8();
    const int c = std::memcmp(x.constData(), y.constData(), size_t(std::min(x.size(), y.size())));
    if (c != 0)
        return c < 0 ? -1 : 1;
    if (x.size() == y.size())
        return 0;
    return x.size() < y.size() ? -1 : 1;
}

/// The header picture of the mode page: a plain banner with the program's name.
class HeaderPicture : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        QLinearGradient gradient(rect().topLeft(), rect().topRight());
        gradient.setColorAt(0, QColor(40, 70, 120));
        gradient.setColorAt(1, QColor(120, 160, 200));
        p.fillRect(rect(), gradient);
        QFont big = font();
        big.setPointSizeF(font().pointSizeF() * 2.2);
        big.setBold(true);
        p.setFont(big);
        p.setPen(Qt::white);
        p.drawText(rect().adjusted(20, 0, -20, 0), Qt::AlignVCenter | Qt::AlignLeft,
                   ApplicationTitle());
    }
};

QIcon ToolIcon(QWidget* widget, QStyle::StandardPixmap pixmap) {
    return widget->style()->standardIcon(pixmap);
}

} // namespace

TfrmReelvane::TfrmReelvane(std::unique_ptr<EngineAdapter> engine, QWidget* parent)
    : QMainWindow(parent)
    , m_engine(std::move(engine))
    , m_qtOpenDialog(std::make_unique<QtFileOpenDialog>()) {
    if (!m_engine)
        m_engine = std::make_unique<UnavailableEngine>();
    m_queue = std::make_unique<BatchQueue>(*m_engine);
    m_hotQueue = std::make_unique<HotDirQueue>(*m_engine);
    m_openDialog = m_qtOpenDialog.get();
    setObjectName(QStringLiteral("frmReelvane"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);

    QFont formFont = font();
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma"), Qt::CaseInsensitive))
        formFont.setFamily(QStringLiteral("Tahoma"));
    else
        formFont = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    formFont.setPointSize(8);
    setFont(formFont);

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("pnlClient"));
    central->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(central);

    closeWaitTimer = new QTimer(this);
    closeWaitTimer->setInterval(50);
    connect(closeWaitTimer, &QTimer::timeout, this, &TfrmReelvane::ContinueClosing);

    BuildActions();
    BuildPages(central);
    BuildOperatePanel(central);
    BuildStatusBar();
    BuildMenus();
    BuildTray();

    // The list shows the queue's entries; the queue alone changes their states.
    BatchQueue* q = m_queue.get();
    connect(q, &ConversionQueue::jobInserted, this, &TfrmReelvane::InsertEntryRow);
    connect(q, &ConversionQueue::jobRemoved, this,
            [this](int row) { delete lvFiles->takeTopLevelItem(row); });
    connect(q, &ConversionQueue::jobsReset, this, &TfrmReelvane::RebuildEntryRows);
    connect(q, &ConversionQueue::jobChanged, this, &TfrmReelvane::ShowEntryState);
    connect(q, &ConversionQueue::runningChanged, this, &TfrmReelvane::BatchRunningChanged);
    connect(q, &ConversionQueue::progress, this, &TfrmReelvane::BatchProgress);
    connect(q, &ConversionQueue::jobDecided, this, &TfrmReelvane::HideBatchProgress);
    connect(q, &ConversionQueue::finished, this, &TfrmReelvane::BatchFinished);
    connect(q, &BatchQueue::logLine, this, &TfrmReelvane::Log);

    // The hot-directory jobs: their lines (and what goes wrong beside them) in the log; no
    // percentage is shown in this mode.
    HotDirQueue* hot = m_hotQueue.get();
    connect(hot, &HotDirQueue::logLine, this, &TfrmReelvane::Log);
    connect(hot, &HotDirQueue::problem, this, [this](const QString& text) {
        Log(text);
        std::fprintf(stderr, "reelvane: %s\n", text.toLocal8Bit().constData());
    });
    connect(hot, &ConversionQueue::progress, this, [this] { ProgressBar->hide(); });
    connect(hot, &ConversionQueue::runningChanged, this, [this](bool running) {
        SetHotRunState(running);
        UpdateMenusForMode(true);
    });

    FormCreate();

    menuBar()->ensurePolished();
    setFixedSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(0, 0), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

TfrmReelvane::~TfrmReelvane() {
    // A conversion must not outlive the window whose list it reports to.
    m_hotQueue.reset();
    m_queue.reset();
    if (m_engine)
        m_engine->Stop();
    if (m_cursorOverridden)
        QApplication::restoreOverrideCursor();
}

void TfrmReelvane::SetOpenDialog(FileOpenDialog* dialog) {
    m_openDialog = dialog ? dialog : m_qtOpenDialog.get();
}

// ---------------------------------------------------------------------------------- building

void TfrmReelvane::BuildActions() {
    actNext = MakeAction(this, "actNext", QStringLiteral("&Next"));
    actadd = MakeAction(this, "actadd", QStringLiteral("Add"));
    actAddFolder = MakeAction(this, "actAddFolder", QStringLiteral("Add Folder"));
    actRemove = MakeAction(this, "actRemove", QStringLiteral("Remove"));
    actRemove->setShortcut(QKeySequence::Delete);
    actClear = MakeAction(this, "actClear", QStringLiteral("Clear"));
    actOpenFolder = MakeAction(this, "actOpenFolder", QStringLiteral("&Open Folder"));
    actConvert = MakeAction(this, "actConvert", QStringLiteral("Convert"));
    actStopConvert = MakeAction(this, "actStopConvert", QStringLiteral("Stop Converter"));
    actHotDir = MakeAction(this, "actHotDir", QStringLiteral("Hot Directories &Mode"));
    actReturnmode = MakeAction(this, "actReturnmode", QStringLiteral("Ret&urn to Batch Mode"));
    actEdit = MakeAction(this, "actEdit", QStringLiteral("Edit..."));
    actSelIndir = MakeAction(this, "actSelIndir", QStringLiteral("Bro&wse.."));
    actSelOutdir = MakeAction(this, "actSelOutdir", QStringLiteral("Brows&e.."));
    actSelLogdir = MakeAction(this, "actSelLogdir", QStringLiteral("Browse&.."));
    actOpenIndir = MakeAction(this, "actOpenIndir", QStringLiteral("O&pen Dir"));
    actOpenOutdir = MakeAction(this, "actOpenOutdir", QStringLiteral("Ope&n Dir"));
    actOpenLogdir = MakeAction(this, "actOpenLogdir", QStringLiteral("Open &Dir"));

    connect(actNext, &QAction::triggered, this, &TfrmReelvane::actNextExecute);
    connect(actadd, &QAction::triggered, this, &TfrmReelvane::actaddExecute);
    connect(actAddFolder, &QAction::triggered, this, &TfrmReelvane::actAddFolderExecute);
    connect(actRemove, &QAction::triggered, this, &TfrmReelvane::actRemoveExecute);
    connect(actClear, &QAction::triggered, this, &TfrmReelvane::actClearExecute);
    connect(actOpenFolder, &QAction::triggered, this, &TfrmReelvane::actOpenFolderExecute);
    connect(actConvert, &QAction::triggered, this, &TfrmReelvane::actConvertExecute);
    connect(actStopConvert, &QAction::triggered, this, &TfrmReelvane::actStopConvertExecute);
    connect(actHotDir, &QAction::triggered, this, &TfrmReelvane::actHotDirExecute);
    connect(actReturnmode, &QAction::triggered, this, &TfrmReelvane::actReturnmodeExecute);
    connect(actEdit, &QAction::triggered, this, &TfrmReelvane::actEditExecute);
    connect(actSelIndir, &QAction::triggered, this, &TfrmReelvane::actSelIndirExecute);
    connect(actSelOutdir, &QAction::triggered, this, &TfrmReelvane::actSelOutdirExecute);
    connect(actSelLogdir, &QAction::triggered, this, &TfrmReelvane::actSelLogdirExecute);
    connect(actOpenIndir, &QAction::triggered, this, &TfrmReelvane::actOpenIndirExecute);
    connect(actOpenOutdir, &QAction::triggered, this, &TfrmReelvane::actOpenOutdirExecute);
    connect(actOpenLogdir, &QAction::triggered, this, &TfrmReelvane::actOpenLogdirExecute);
}

void TfrmReelvane::BuildPages(QWidget* central) {
    pageConvert = Named(new QStackedWidget(central), "pageConvert");
    pageConvert->setGeometry(0, 0, kClientWidth, kPagesHeight);
    BuildModePage();
    BuildConvertPage();
    BuildHotDirPage();
}

void TfrmReelvane::BuildModePage() {
    tsMode = Named(new QWidget, "tsMode");
    pageConvert->addWidget(tsMode);
    auto* header = Named(new HeaderPicture(tsMode), "imgHeader");
    header->setGeometry(0, 0, kClientWidth, 56);

    rbtbatch = Named(new QRadioButton(QStringLiteral("&Batch Convert Mode"), tsMode), "rbtbatch");
    rbtbatch->setGeometry(40, 70, 400, 22);
    rbtbatch->setChecked(true);
    auto* noteBatch =
        Named(new QLabel(QStringLiteral("Batch convert AVI files into another format"), tsMode),
              "lblbatchnote");
    noteBatch->setGeometry(62, 92, 740, 18);

    rbrdohotdir =
        Named(new QRadioButton(QStringLiteral("&Hot Directories Mode"), tsMode), "rbrdohotdir");
    rbrdohotdir->setGeometry(40, 120, 400, 22);
    auto* noteHot = Named(new QLabel(QString::fromLatin1(kHotDirNote), tsMode), "lblhotdirnote");
    noteHot->setWordWrap(true);
    noteHot->setGeometry(62, 142, 740, 34);

    auto* hint = Named(new QLabel(QStringLiteral("Please select a mode and click 'Next >' to "
                                                 "begin. or 'Exit' to exit wizard."),
                                  tsMode),
                       "lblhint");
    hint->setGeometry(40, 190, 600, 18);

    btnNext = Named(new QPushButton(tsMode), "btnNext");
    btnNext->setGeometry(630, 220, 94, 28);
    BindButton(btnNext, actNext);
    btnexit = Named(new QPushButton(QStringLiteral("&Exit"), tsMode), "btnexit");
    btnexit->setGeometry(732, 220, 94, 28);
    connect(btnexit, &QPushButton::clicked, this, &QWidget::close);
}

void TfrmReelvane::BuildConvertPage() {
    tsConvert = Named(new QWidget, "tsConvert");
    pageConvert->addWidget(tsConvert);

    struct ToolDef {
        QToolButton** button;
        const char* name;
        QAction* action;
        QStyle::StandardPixmap icon;
    };
    const ToolDef tools[] = {
        {&btnAdd, "btnAdd", actadd, QStyle::SP_FileIcon},
        {&btnAddFolder, "btnAddFolder", actAddFolder, QStyle::SP_DirOpenIcon},
        {&btnRemove, "btnRemove", actRemove, QStyle::SP_TrashIcon},
        {&btnClear, "btnClear", actClear, QStyle::SP_DialogResetButton},
    };
    int x = 4;
    for (const ToolDef& tool : tools) {
        auto* button = Named(new QToolButton(tsConvert), tool.name);
        button->setGeometry(x, 3, 30, 28);
        button->setIcon(ToolIcon(this, tool.icon));
        button->setIconSize(QSize(18, 18));
        button->setAutoRaise(true);
        BindButton(button, tool.action);
        *tool.button = button;
        x += 32;
    }

    lvFiles = Named(new QTreeWidget(tsConvert), "lvFiles");
    lvFiles->setGeometry(0, 34, kClientWidth, kPagesHeight - 34);
    lvFiles->setColumnCount(4);
    lvFiles->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Imformation"),
                              QStringLiteral("Size"), QStringLiteral("Full Name")});
    const int widths[] = {150, 150, 100, 200};
    for (int c = 0; c < 4; ++c)
        lvFiles->setColumnWidth(c, widths[c]);
    lvFiles->setRootIsDecorated(false);
    lvFiles->setUniformRowHeights(true);
    lvFiles->setItemsExpandable(false);
    lvFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvFiles->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvFiles->setSortingEnabled(false);
    lvFiles->header()->setSectionsClickable(true);
    lvFiles->header()->setSectionsMovable(false);
    lvFiles->header()->setStretchLastSection(false);
    lvFiles->setItemDelegate(new GridLineDelegate(lvFiles));
    QPalette palette = lvFiles->palette(); // the selection stays visible without focus
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    lvFiles->setPalette(palette);
    lvFiles->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lvFiles->header(), &QHeaderView::sectionClicked, this,
            &TfrmReelvane::lvFilesColumnClick);
    connect(lvFiles, &QTreeWidget::itemSelectionChanged, this, &TfrmReelvane::UpdateListActions);
    connect(lvFiles, &QTreeWidget::itemDoubleClicked, this, &TfrmReelvane::mniOpenClick);
    connect(lvFiles, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { pmFiles->popup(lvFiles->viewport()->mapToGlobal(pos)); });

    pnlempty = Named(new QWidget(tsConvert), "pnlempty");
    pnlempty->setGeometry(219, 110, 400, 56);
    pnlempty->setAutoFillBackground(true);
    auto* emptyText =
        Named(new QLabel(QStringLiteral("The list is empty. Please add some AVI file to begin ..."),
                         pnlempty),
              "lblempty");
    emptyText->setAlignment(Qt::AlignCenter);
    emptyText->setGeometry(0, 6, 400, 20);
    lblexample = Named(new QLabel(pnlempty), "lblexample");
    lblexample->setText(QStringLiteral("<a href=\"example\">Example</a>"));
    lblexample->setAlignment(Qt::AlignCenter);
    lblexample->setGeometry(0, 30, 400, 20);
    lblexample->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(lblexample, &QLabel::linkActivated, this, &TfrmReelvane::lblexampleClick);
    pnlempty->raise();
}

void TfrmReelvane::BuildHotDirPage() {
    tsHotDirectory = Named(new QWidget, "tsHotDirectory");
    pageConvert->addWidget(tsHotDirectory);
    grpHotDir =
        Named(new QGroupBox(QStringLiteral("Hot Directory Setting"), tsHotDirectory), "grpHotDir");
    grpHotDir->setGeometry(8, 4, kClientWidth - 16, kPagesHeight - 10);

    struct Row {
        QLineEdit** edit;
        const char* editName;
        const char* labelName;
        const char* caption;
        QAction* browse;
        const char* browseName;
        QAction* open;
        const char* openName;
    };
    const Row rows[] = {
        {&edtindir, "edtindir", "lblindir", "&Input Directory:", actSelIndir, "btnselectindir",
         actOpenIndir, "btnopenindir"},
        {&edtoutdir, "edtoutdir", "lbloutdir", "&Out Directory:", actSelOutdir, "btnselectoutdir",
         actOpenOutdir, "btnopenoutdir"},
        {&edtlog, "edtlog", "lbllog", "&Log File Path:", actSelLogdir, "btnselectlogfile",
         actOpenLogdir, "btnopenlogdir"},
    };
    int y = 26;
    for (const Row& row : rows) {
        auto* label = Named(new QLabel(QString::fromLatin1(row.caption), grpHotDir), row.labelName);
        label->setGeometry(14, y + 3, 110, 20);
        auto* edit = Named(new QLineEdit(grpHotDir), row.editName);
        edit->setGeometry(128, y, 470, 24);
        label->setBuddy(edit);
        auto* browse = Named(new QPushButton(grpHotDir), row.browseName);
        browse->setGeometry(606, y - 1, 92, 26);
        BindButton(browse, row.browse);
        auto* open = Named(new QPushButton(grpHotDir), row.openName);
        open->setGeometry(704, y - 1, 100, 26);
        BindButton(open, row.open);
        *row.edit = edit;
        y += 36;
    }
    chksubdir =
        Named(new QCheckBox(QStringLiteral("Include Sub-Director&y"), grpHotDir), "chksubdir");
    chksubdir->setGeometry(128, y, 300, 22);
    auto* note = Named(new QLabel(QString::fromLatin1(kHotDirNote), grpHotDir), "lblhotnote");
    note->setWordWrap(true);
    note->setGeometry(14, y + 34, 790, 40);
}

void TfrmReelvane::BuildOperatePanel(QWidget* central) {
    pnloperate = Named(new QWidget(central), "pnloperate");
    pnloperate->setGeometry(0, kPagesHeight, kClientWidth,
                            kClientHeight - kPagesHeight - kStatusHeight);

    pnlpreview = Named(new QWidget(pnloperate), "pnlpreview");
    pnlpreview->setGeometry(4, 4, 236, pnloperate->height() - 8);
    VideoEdit = new EnginePanel(m_engine.get(), pnlpreview);
    VideoEdit->setGeometry(0, 0, pnlpreview->width(), pnlpreview->height());

    pgcConvert = Named(new QTabWidget(pnloperate), "pgcConvert");
    pgcConvert->setGeometry(246, 2, 588, 84);
    pgcConvert->setDocumentMode(false);
    pgcConvert->tabBar()->setExpanding(false);
    struct Page {
        const char* name;
        const char* caption;
        const char* label;
        const char* comboName;
        QComboBox** combo;
    };
    const Page pages[] = {
        {"tsMPEG", "TO MPEG", "MPEG Profile:", "cbbmpeg", &cbbmpeg},
        {"tsMP4", "TO MP4", "MP4 Profile:", "cbbmp4profile", &cbbmp4profile},
        {"tsWMV", "TO WMV", "WMV Profile:", "cbbwmvprofile", &cbbwmvprofile},
        {"tsFLV", "TO FLV", "FLV Profile:", "cbbflvprofile", &cbbflvprofile},
        {"tsMOV", "TO MOV", "MOV Profile:", "cbbmovprofile", &cbbmovprofile},
        {"tsMP3", "TO MP3", "MP3 Profile:", "cbbMP3profile", &cbbMP3profile},
    };
    int format = 0;
    for (const Page& page : pages) {
        auto* tab = Named(new QWidget, page.name);
        auto* label = Named(new QLabel(QString::fromLatin1(page.label), tab),
                            (std::string("lbl") + page.comboName).c_str());
        label->setGeometry(8, 12, 84, 20);
        auto* combo = Named(new QComboBox(tab), page.comboName);
        combo->setGeometry(94, 10, 388, 24);
        combo->addItems(PresetRowCaptions(format));
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        connect(combo, &QComboBox::activated, this, &TfrmReelvane::cbbmpegClick);
        auto* edit = Named(new QPushButton(tab), (std::string("btnEdit") + page.name).c_str());
        edit->setGeometry(490, 9, 86, 26);
        BindButton(edit, actEdit);
        *page.combo = combo;
        pgcConvert->addTab(tab, QString::fromLatin1(page.caption));
        ++format;
    }
    connect(pgcConvert, &QTabWidget::currentChanged, this, [this](int index) {
        if (index != FormatFLV)
            pgcConvertChange();
    });
    connect(pgcConvert, &QTabWidget::tabBarClicked, this, [this](int) {
        // A click on the held page also counts as a page change.
        QTimer::singleShot(0, this, [this] { pgcConvertChange(); });
    });

    Panel1 = Named(new QWidget(pnloperate), "Panel1");
    Panel1->setGeometry(246, 88, 588, 36);
    btnConvert = Named(new QPushButton(Panel1), "btnConvert");
    btnConvert->setGeometry(0, 4, 120, 28);
    BindButton(btnConvert, actConvert);
    btnStopConvert = Named(new QPushButton(Panel1), "btnStopConvert");
    btnStopConvert->setGeometry(200, 4, 120, 28);
    BindButton(btnStopConvert, actStopConvert);
    btnHotdirectory = Named(new QPushButton(Panel1), "btnHotdirectory");
    btnHotdirectory->setGeometry(420, 4, 168, 28);
    BindButton(btnHotdirectory, actHotDir);

    pnllog = Named(new QWidget(pnloperate), "pnllog");
    pnllog->setGeometry(246, 126, 588, pnloperate->height() - 130);
    mmolog = Named(new QPlainTextEdit(pnllog), "mmolog");
    mmolog->setGeometry(0, 0, pnllog->width(), pnllog->height());
    mmolog->setReadOnly(true);
    mmolog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mmolog->setLineWrapMode(QPlainTextEdit::NoWrap);

    btnsbtrun = Named(new QPushButton(QStringLiteral("&Start"), pnloperate), "btnsbtrun");
    btnsbtrun->setGeometry(246, 92, 110, 28);
    btnsbtend = Named(new QPushButton(QStringLiteral("S&top"), pnloperate), "btnsbtend");
    btnsbtend->setGeometry(362, 92, 110, 28);
    btnsbtend->setEnabled(false);
    btnmin = Named(new QPushButton(QStringLiteral("Mi&nimize"), pnloperate), "btnmin");
    btnmin->setGeometry(478, 92, 110, 28);
    btnmin->setEnabled(false);
    btnsbtreturn = Named(new QPushButton(pnloperate), "btnsbtreturn");
    btnsbtreturn->setGeometry(640, 92, 194, 28);
    BindButton(btnsbtreturn, actReturnmode);
    connect(btnsbtrun, &QPushButton::clicked, this, &TfrmReelvane::btnsbtrunClick);
    connect(btnsbtend, &QPushButton::clicked, this, &TfrmReelvane::btnsbtendClick);
}

void TfrmReelvane::BuildStatusBar() {
    stat1 = Named(new QWidget(centralWidget()), "stat1");
    stat1->setGeometry(0, kClientHeight - kStatusHeight, kClientWidth, kStatusHeight);
    const int widths[] = {200, 200, 200, 10, 300};
    int x = 0;
    for (int i = 0; i < 5; ++i) {
        auto* panel = new QLabel(stat1);
        panel->setObjectName(QStringLiteral("statPanel%1").arg(i));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setGeometry(x, 1, std::min(widths[i], kClientWidth - x), kStatusHeight - 2);
        statPanels[i] = panel;
        x += widths[i] + 2;
    }
    ProgressBar = Named(new QProgressBar(stat1), "ProgressBar");
    ProgressBar->setRange(0, 100);
    ProgressBar->setTextVisible(false);
}

void TfrmReelvane::BuildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mniFile"));
    mniAddfile = MenuItemFor(file, "mniAddfile", actadd);
    mniAddFolder1 = MenuItemFor(file, "mniAddFolder1", actAddFolder);
    file->addSeparator();
    mniSelectAllfile = file->addAction(QStringLiteral("Select All"));
    mniSelectAllfile->setObjectName(QStringLiteral("mniSelectAllfile"));
    mniSelectAllfile->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    connect(mniSelectAllfile, &QAction::triggered, this, &TfrmReelvane::mniSelectAllClick);
    mniRemovefile = MenuItemFor(file, "mniRemovefile", actRemove);
    mniClearfile = MenuItemFor(file, "mniClearfile", actClear);
    file->addSeparator();
    mniExit1 = file->addAction(QStringLiteral("&Exit"));
    mniExit1->setObjectName(QStringLiteral("mniExit1"));
    connect(mniExit1, &QAction::triggered, this, &QWidget::close);

    QMenu* action = menuBar()->addMenu(QStringLiteral("&Action"));
    action->setObjectName(QStringLiteral("mniAction"));
    mniformat = action->addMenu(QStringLiteral("Format"));
    mniformat->setObjectName(QStringLiteral("mniformat"));
    const char* formatItems[][2] = {{"mniAVI", "To AVI"}, {"mniMPEG", "To MPEG"},
                                    {"mniWMV", "To WMV"}, {"mniFLV", "To FLV"},
                                    {"mniMOV", "To MOV"}, {"mniMP3", "To MP3"}};
    for (int page = 0; page < 6; ++page) {
        QAction* item = mniformat->addAction(QString::fromLatin1(formatItems[page][1]));
        item->setObjectName(QString::fromLatin1(formatItems[page][0]));
        connect(item, &QAction::triggered, this, [this, page] { SelectFormatPage(page); });
    }
    mniConvert = MenuItemFor(action, "mniConvert", actConvert);
    mniStopConvert = MenuItemFor(action, "mniStopConvert", actStopConvert);
    action->addSeparator();
    mniHotDir = MenuItemFor(action, "mniHotDir", actHotDir);
    mniReturntoBatchMode = action->addAction(QStringLiteral("T&urn to Batch Mode"));
    mniReturntoBatchMode->setObjectName(QStringLiteral("mniReturntoBatchMode"));
    connect(mniReturntoBatchMode, &QAction::triggered, actReturnmode, &QAction::trigger);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mniHelp"));
    QAction* about = help->addAction(QStringLiteral("&About"));
    about->setObjectName(QStringLiteral("mniAbout"));
    connect(about, &QAction::triggered, this, [] {
        ShowMessageBox(ApplicationTitle() + QStringLiteral("\nConverts AVI files into MPEG, MP4, "
                                                           "WMV, FLV, MOV and MP3."),
                       MB_IconInformation);
    });

    pmFiles = new QMenu(this);
    pmFiles->setObjectName(QStringLiteral("pmFiles"));
    mniOpen = pmFiles->addAction(QStringLiteral("&Open"));
    mniOpen->setObjectName(QStringLiteral("mniOpen"));
    connect(mniOpen, &QAction::triggered, this, &TfrmReelvane::mniOpenClick);
    MenuItemFor(pmFiles, "mniOpenFolder", actOpenFolder);
    pmFiles->addSeparator();
    MenuItemFor(pmFiles, "mniAdd", actadd);
    MenuItemFor(pmFiles, "mniAddFolder", actAddFolder);
    mniSelectAll = pmFiles->addAction(QStringLiteral("Select &All"));
    mniSelectAll->setObjectName(QStringLiteral("mniSelectAll"));
    mniSelectAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    connect(mniSelectAll, &QAction::triggered, this, &TfrmReelvane::mniSelectAllClick);
    QAction* remove = MenuItemFor(pmFiles, "mniRemove", actRemove);
    remove->setShortcut(QKeySequence::Delete);
    MenuItemFor(pmFiles, "mniClear", actClear);
    pmFiles->addSeparator();
    mniRemoveFailedItems = pmFiles->addAction(QStringLiteral("R&emove Failed Items"));
    mniRemoveFailedItems->setObjectName(QStringLiteral("mniRemoveFailedItems"));
    connect(mniRemoveFailedItems, &QAction::triggered, this,
            &TfrmReelvane::mniRemoveFailedItemsClick);
    mniRemoveSucceededItems = pmFiles->addAction(QStringLiteral("Re&move Succeeded Items"));
    mniRemoveSucceededItems->setObjectName(QStringLiteral("mniRemoveSucceededItems"));
    connect(mniRemoveSucceededItems, &QAction::triggered, this,
            &TfrmReelvane::mniRemoveSucceededItemsClick);
    pmFiles->addSeparator();
    mniPropertise = pmFiles->addAction(QStringLiteral("Properties"));
    mniPropertise->setObjectName(QStringLiteral("mniPropertise"));
    connect(mniPropertise, &QAction::triggered, this, &TfrmReelvane::mniPropertiseClick);

    // Del works in the whole window; Ctrl+A comes from the File menu item.
    addAction(actRemove);
}

// ------------------------------------------------------------------------ creation, showing

void TfrmReelvane::FormCreate() {
    ApplyLanguageToForm(this, LangFile());
    QApplication::setApplicationName(ApplicationTitle());
    setWindowTitle(ApplicationTitle());
    mmolog->clear();
    m_currentFormat = HasSettings() ? Settings().PageIndex() : 0;
    for (QToolButton* button : {btnAdd, btnAddFolder, btnRemove, btnClear}) {
        button->setText(QString());
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    }
    m_currentMode = 0;
    btnStopConvert->move(btnConvert->pos());
    btnStopConvert->hide();
    ProgressBar->setGeometry(405, 2, statPanels[2]->width(), stat1->height() - 3);
    ProgressBar->hide();
    ProgressBar->raise();
    pnloperate->hide();
    ShowWizardPage(tsMode);
    m_sortAscending = false;
    m_sortColumn = 0;
    UpdateListActions();
    UpdateMenusForMode(true);
    LoadHotDirSettings();
}

void TfrmReelvane::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmReelvane::FormShow() {
    {
        const QSignalBlocker blocker(pgcConvert);
        pgcConvert->setCurrentIndex(FormatFLV);
    }
    if (HasSettings()) {
        TcdSettings& s = Settings();
        const std::pair<QComboBox*, int> rows[] = {
            {cbbmpeg, s.MPEGCbbIdx()},      {cbbmp4profile, s.MP4CbbIdx()},
            {cbbwmvprofile, s.WMVCbbIdx()}, {cbbmovprofile, s.MOVCbbIdx()},
            {cbbflvprofile, s.FLVCbbIdx()}, {cbbMP3profile, s.MP3CbbIdx()}};
        for (const auto& [combo, row] : rows)
            combo->setCurrentIndex(row >= 0 && row < combo->count() ? row : -1);
    }
    QWidget* pages[] = {tsMode, tsConvert, tsHotDirectory};
    ShowWizardPage(pages[std::clamp(m_currentMode, 0, 2)]);
}

// ------------------------------------------------------------------------------ modes, menus

void TfrmReelvane::ShowWizardPage(QWidget* page) {
    pageConvert->setCurrentWidget(page);
}

void TfrmReelvane::actNextExecute() {
    if (AnyRunning())
        return;
    pnloperate->show();
    if (rbtbatch->isChecked()) {
        ShowWizardPage(tsConvert);
        m_currentMode = 1;
        for (QWidget* w : {btnsbtrun, btnsbtend, btnsbtreturn, btnmin})
            w->hide();
        Panel1->show();
        pnllog->show();
        UpdateMenusForMode(true);
    }
    if (rbrdohotdir->isChecked()) {
        ShowWizardPage(tsHotDirectory);
        m_currentMode = 2;
        Panel1->hide();
        pnllog->show(); // the jobs' lines
        for (QWidget* w : {btnsbtrun, btnsbtend, btnsbtreturn, btnmin})
            w->show();
        UpdateMenusForMode(true);
    }
}

void TfrmReelvane::actHotDirExecute() {
    if (AnyRunning()) // a batch ends before the mode changes
        return;
    pnloperate->show();
    Panel1->hide();
    pnllog->show(); // the jobs' lines
    for (QWidget* w : {btnsbtrun, btnsbtend, btnsbtreturn, btnmin})
        w->show();
    m_currentMode = 2;
    ShowWizardPage(tsHotDirectory);
    UpdateMenusForMode(true);
}

void TfrmReelvane::actReturnmodeExecute() {
    if (AnyRunning()) // the hot-directory mode is stopped first
        return;
    pnloperate->show();
    for (QWidget* w : {btnsbtrun, btnsbtend, btnsbtreturn, btnmin})
        w->hide();
    Panel1->show();
    pnllog->show();
    m_currentMode = 1;
    ShowWizardPage(tsConvert);
    UpdateMenusForMode(true);
}

void TfrmReelvane::UpdateListActions() {
    const bool any = lvFiles->topLevelItemCount() > 0;
    // The list changes only while no batch runs: the queue keeps its entries for the whole run.
    const bool idle = !m_queue->IsRunning();
    for (QAction* a : {actadd, actAddFolder})
        a->setEnabled(idle);
    for (QAction* a :
         {actConvert, actRemove, actClear, mniRemoveFailedItems, mniRemoveSucceededItems})
        a->setEnabled(any && idle);
    for (QAction* a : {actOpenFolder, mniSelectAll, mniPropertise, mniOpen})
        a->setEnabled(any);
    pnlempty->setVisible(!any);
    // The main-menu items follow these actions, and the mode on top.
    UpdateMenusForMode(true);
}

void TfrmReelvane::UpdateMenusForMode(bool) {
    const bool any = lvFiles->topLevelItemCount() > 0;
    const int mode = m_currentMode;
    const bool batchRunning = m_queue->IsRunning();
    const bool running = AnyRunning();
    // Neither the mode, the format nor its profile changes under a running batch or a watched
    // hot directory.
    for (QAction* a : {actNext, actHotDir, actReturnmode, actEdit})
        a->setEnabled(!running);
    for (QAction* a : mniformat->actions())
        a->setEnabled(!running);
    actStopConvert->setEnabled(batchRunning);

    mniAddfile->setEnabled(mode == 1 && actadd->isEnabled());
    mniAddFolder1->setEnabled(mode == 1 && actAddFolder->isEnabled());
    mniSelectAllfile->setEnabled(mode == 1 && any && !running);
    mniRemovefile->setEnabled(mode == 1 && actRemove->isEnabled());
    mniClearfile->setEnabled(mode == 1 && actClear->isEnabled());
    mniformat->setEnabled((mode == 1 || mode == 2) && !running);
    mniConvert->setEnabled(mode == 1 && actConvert->isEnabled());
    mniStopConvert->setEnabled(batchRunning);
    mniHotDir->setEnabled(mode != 2 && actHotDir->isEnabled());
    mniReturntoBatchMode->setEnabled(mode != 1 && actReturnmode->isEnabled());
}

void TfrmReelvane::SetBatchControlsEnabled(bool enabled) {
    // The tool buttons and btnHotdirectory follow their actions (UpdateListActions).
    pgcConvert->setEnabled(enabled);
    lvFiles->setEnabled(enabled);
    if (enabled)
        UpdateListActions();
}

// ----------------------------------------------------------------------------- format pages

void TfrmReelvane::pgcConvertChange() {
    {
        const QSignalBlocker blocker(pgcConvert);
        pgcConvert->setCurrentIndex(FormatFLV);
    }
    if (AnyRunning()) // the rest of the batch, or the watched folder, keeps its format
        return;
    m_currentFormat = FormatFLV;
    if (HasSettings())
        Settings().SetPageIndex(FormatFLV);
}

void TfrmReelvane::SelectFormatPage(int page) {
    if (AnyRunning())
        return;
    {
        const QSignalBlocker blocker(pgcConvert);
        pgcConvert->setCurrentIndex(std::clamp(page, 0, 5));
    }
    pgcConvertChange();
}

QComboBox* TfrmReelvane::PresetCombo(int format) const {
    QComboBox* combos[] = {cbbmpeg,       cbbmp4profile, cbbwmvprofile,
                           cbbflvprofile, cbbmovprofile, cbbMP3profile};
    return format >= 0 && format < 6 ? combos[format] : nullptr;
}

void TfrmReelvane::cbbmpegClick() {
    // The row of the current format's combo goes into the settings, whichever combo was used;
    // not while a batch or the hot-directory mode converts with the settings.
    if (AnyRunning())
        return;
    if (QComboBox* combo = PresetCombo(m_currentFormat); combo && HasSettings())
        ApplyPresetToSettings(m_currentFormat, combo->currentIndex());
}

void TfrmReelvane::actEditExecute() {
    static const char* const kCaptions[] = {"Edit MPEG Profiles", "Edit MP4 Profiles",
                                            "Edit WMV Profiles",  "Edit FLV Profiles",
                                            "Edit MOV Profiles",  "Edit MP3 Profiles"};
    const int format = m_currentFormat;
    QComboBox* combo = PresetCombo(format);
    // The remaining files of a running batch convert with the settings the editor writes.
    if (!combo || !HasSettings() || AnyRunning())
        return;
    TfrmEdit editor(Settings(), format, combo->currentIndex(), this);
    editor.setWindowTitle(QString::fromLatin1(kCaptions[format]));
    editor.ShowPage(editor.PageFor(format));
    if (editor.exec() != QDialog::Accepted)
        return;
    // The settings hold the custom profile now; the combo says so, also after a restart.
    const int custom = CustomPresetRow(format);
    combo->setCurrentIndex(custom);
    SetStoredPresetRow(Settings(), format, custom);
}

// -------------------------------------------------------------------------------- file list

bool TfrmReelvane::IsAcceptedType(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    return QStringLiteral(".avi").contains(NormalizedLower(name.mid(dot)));
}

int TfrmReelvane::DigitsValue(const QString& text) {
    quint32 value = 0; // wraps like the 32-bit signed original, without undefined behaviour
    for (QChar c : text)
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            value = value * 10u + quint32(c.unicode() - '0');
    return static_cast<int>(value);
}

void TfrmReelvane::AddFileToList(const QString& path) {
    if (NormalizedLower(path).isEmpty())
        return;
    m_queue->AddJob(path); // refused while a batch runs; the row follows the queue
}

void TfrmReelvane::AddFilesToList(const QStringList& paths) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    lvFiles->setUpdatesEnabled(false);
    for (const QString& path : paths)
        AddFileToList(path);
    lvFiles->setUpdatesEnabled(true);
    QApplication::restoreOverrideCursor();
}

void TfrmReelvane::RemoveDuplicateNames() {
    // Every entry whose name repeats an earlier one goes; the first of a name stays.
    QList<int> duplicates;
    for (int i = m_queue->Count() - 1; i >= 0; --i) {
        const QString name = m_queue->Job(i).caption.toLower();
        for (int j = 0; j < i; ++j) {
            if (m_queue->Job(j).caption.toLower() == name) {
                duplicates << i;
                break;
            }
        }
    }
    m_queue->RemoveJobs(duplicates);
}

int TfrmReelvane::EntryImage(int row) const {
    return row >= 0 && row < m_queue->Count() ? ImageOf(m_queue->Job(row).state) : -1;
}

void TfrmReelvane::InsertEntryRow(int row) {
    const ConversionJob& job = m_queue->Job(row);
    auto* item = new QTreeWidgetItem;
    item->setText(0, job.caption);
    item->setText(1, QString());
    item->setText(2, SizeText(QFileInfo(job.input).size()));
    item->setText(3, job.input);
    item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    item->setIcon(0, StatusImage(ImageOf(job.state)));
    lvFiles->insertTopLevelItem(row, item);
}

void TfrmReelvane::RebuildEntryRows() {
    lvFiles->clear();
    for (int row = 0; row < m_queue->Count(); ++row)
        InsertEntryRow(row);
}

void TfrmReelvane::ShowEntryState(int row) {
    if (QTreeWidgetItem* item = lvFiles->topLevelItem(row))
        item->setIcon(0, StatusImage(EntryImage(row)));
}

void TfrmReelvane::actaddExecute() {
    if (!actadd->isEnabled())
        return;
    pnlempty->hide();
    const QStringList files = m_openDialog->GetOpenFileNames(this, QStringLiteral("Open"),
                                                             QStringLiteral("AVI Files(*.avi)"));
    for (const QString& file : files)
        if (IsAcceptedType(file))
            AddFileToList(file);
    UpdateListActions();
    RemoveDuplicateNames();
    UpdateListActions();
}

void TfrmReelvane::actAddFolderExecute() {
    if (!actAddFolder->isEnabled())
        return;
    pnlempty->hide();
    QString folder;
    if (!BrowseForFolder(LangString(12), QString(), folder)) {
        UpdateListActions();
        return;
    }
    QStringList files;
    ListFiles(folder, files, QStringLiteral("*.*"), false);
    for (const QString& file : files)
        if (IsAcceptedType(file))
            AddFileToList(file);
    RemoveDuplicateNames();
    UpdateListActions();
}

void TfrmReelvane::lblexampleClick() {
    if (!actadd->isEnabled())
        return;
    AddFileToList(ModuleFolderFile(QStringLiteral("Example.avi")));
    RemoveDuplicateNames();
    UpdateListActions();
}

void TfrmReelvane::actRemoveExecute() {
    if (!actRemove->isEnabled())
        return;
    const QList<QTreeWidgetItem*> selected = lvFiles->selectedItems();
    if (!selected.isEmpty()) {
        const QString question = LangString(13) + QStringLiteral(" ") +
                                 QString::number(selected.size()) + QStringLiteral(" items");
        if (ShowMessageBox(question, MB_IconInformation | MB_YesNo)) {
            QList<int> rows;
            for (QTreeWidgetItem* item : selected)
                rows << lvFiles->indexOfTopLevelItem(item);
            m_queue->RemoveJobs(rows);
        }
    }
    UpdateListActions();
}

void TfrmReelvane::actClearExecute() {
    if (!actClear->isEnabled())
        return;
    if (lvFiles->topLevelItemCount() > 0) {
        ResetHeaderImages();
        if (ShowMessageBox(LangString(14), MB_IconInformation | MB_YesNo))
            m_queue->Clear();
    }
    UpdateListActions();
}

void TfrmReelvane::mniSelectAllClick() {
    lvFiles->selectAll();
}

void TfrmReelvane::RemoveEntriesWithImage(int image) {
    QList<int> rows;
    for (int i = 0; i < m_queue->Count(); ++i)
        if (EntryImage(i) == image)
            rows << i;
    m_queue->RemoveJobs(rows);
    UpdateListActions();
}

void TfrmReelvane::mniRemoveFailedItemsClick() {
    RemoveEntriesWithImage(1);
}

void TfrmReelvane::mniRemoveSucceededItemsClick() {
    RemoveEntriesWithImage(2);
}

void TfrmReelvane::mniOpenClick() {
    if (QTreeWidgetItem* item = lvFiles->currentItem(); item && item->isSelected())
        OpenDocument(item->text(3));
    else if (!lvFiles->selectedItems().isEmpty())
        OpenDocument(lvFiles->selectedItems().first()->text(3));
}

void TfrmReelvane::actOpenFolderExecute() {
    const QList<QTreeWidgetItem*> selected = lvFiles->selectedItems();
    if (!selected.isEmpty())
        ShowFileInFileManager(selected.first()->text(3));
}

void TfrmReelvane::mniPropertiseClick() {
    const QList<QTreeWidgetItem*> selected = lvFiles->selectedItems();
    if (!selected.isEmpty())
        ShowFileProperties(this, selected.first()->text(3));
}

void TfrmReelvane::ResetHeaderImages() {
    for (int c = 0; c < 4; ++c)
        lvFiles->headerItem()->setIcon(c, QIcon());
}

void TfrmReelvane::lvFilesColumnClick(int column) {
    if (column < 0 || column > 3 || m_queue->IsRunning())
        return;
    ResetHeaderImages();
    lvFiles->headerItem()->setIcon(column, StatusImage(m_sortAscending ? 3 : 4));
    m_sortColumn = column;
    m_sortAscending = !m_sortAscending;
    SortList();
}

int TfrmReelvane::lvFilesCompare(QTreeWidgetItem* a, QTreeWidgetItem* b) const {
    int result = 0;
    switch (m_sortColumn) {
    case 0:
        result = CompareBytes(a->text(0), b->text(0));
        break;
    case 1:
        result = CompareBytes(a->text(1), b->text(1));
        break;
    case 2: {
        const int x = DigitsValue(a->text(2));
        const int y = DigitsValue(b->text(2));
        result = x < y ? -1 : (x > y ? 1 : 0);
        break;
    }
    case 3:
        result = CompareBytes(a->text(3), b->text(3));
        break;
    default:
        break;
    }
    return m_sortAscending ? result : -result;
}

void TfrmReelvane::SortList() {
    // The rows in the window's order, handed to the queue that owns them (never during a run).
    QList<int> order;
    for (int i = 0; i < lvFiles->topLevelItemCount(); ++i)
        order << i;
    std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
        return lvFilesCompare(lvFiles->topLevelItem(a), lvFiles->topLevelItem(b)) < 0;
    });
    m_queue->Reorder(order);
}

// ---------------------------------------------------------------------------- batch queue

bool TfrmReelvane::Busy() const {
    return m_queue->Busy();
}

int TfrmReelvane::CurrentItem() const {
    return m_queue->CurrentIndex();
}

QString TfrmReelvane::CurrentOutput() const {
    const int current = m_queue->CurrentIndex();
    return current >= 0 ? m_queue->Job(current).output : QString();
}

QString TfrmReelvane::SaveFolder() const {
    return m_queue->SaveFolder();
}

void TfrmReelvane::Log(const QString& line) {
    // A line's own CR LF ("Task End") shows as the empty line after it.
    QString shown = line;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    mmolog->appendPlainText(shown);
    mmolog->verticalScrollBar()->setValue(mmolog->verticalScrollBar()->maximum());
}

void TfrmReelvane::EndBatchCursor() {
    if (m_cursorOverridden) {
        QApplication::restoreOverrideCursor();
        m_cursorOverridden = false;
    }
}

void TfrmReelvane::actConvertExecute() {
    if (m_queue->IsRunning())
        return;
    if (!m_cursorOverridden) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_cursorOverridden = true;
    }
    QString saveFolder = HasSettings() ? Settings().SavePath() : QString();
    if (!BrowseForFolder(LangString(15), QString(), saveFolder)) {
        EndBatchCursor();
        return;
    }
    if (HasSettings()) {
        TcdSettings& s = Settings();
        s.SetMPEGCbbIdx(cbbmpeg->currentIndex());
        s.SetMP4CbbIdx(cbbmp4profile->currentIndex());
        s.SetWMVCbbIdx(cbbwmvprofile->currentIndex());
        s.SetMOVCbbIdx(cbbmovprofile->currentIndex());
        s.SetFLVCbbIdx(cbbflvprofile->currentIndex());
        s.SetMP3CbbIdx(cbbMP3profile->currentIndex());
    }
    // The converting layout, "Task begin" and every entry back to waiting.
    m_queue->SetSaveFolder(saveFolder);
    m_queue->Begin();
    for (const ConversionJob& job : m_queue->Jobs()) {
        if (!QFileInfo(job.input).isFile()) {
            // Nothing converts; the layout stays until "Stop Converter".
            ShowMessageBox(LangString(16), MB_IconWarning);
            EndBatchCursor();
            return;
        }
    }
    if (HasSettings()) {
        Settings().SetSavePath(saveFolder);
        Settings().SetPageIndex(m_currentFormat);
    }
    m_queue->Run();
}

void TfrmReelvane::actStopConvertExecute() {
    m_queue->Stop();
}

void TfrmReelvane::BatchRunningChanged(bool running) {
    btnConvert->setVisible(!running);
    btnStopConvert->setVisible(running);
    if (!running) {
        EndBatchCursor();
        HideBatchProgress();
    }
    SetBatchControlsEnabled(!running);
    UpdateListActions();
}

void TfrmReelvane::BatchProgress(int percent) {
    ProgressBar->show();
    ProgressBar->setValue(percent);
    statPanels[4]->setText(QString::asprintf("%d%%", percent));
}

void TfrmReelvane::HideBatchProgress() {
    ProgressBar->setValue(0);
    statPanels[4]->clear();
    ProgressBar->hide();
}

void TfrmReelvane::BatchFinished() {
    if (m_closeRequested)
        return;
    // The output of the last list entry, converted or not.
    const int count = m_queue->Count();
    const QString output =
        count > 0 ? m_queue->OutputPathFor(m_queue->Job(count - 1).input) : QString();
    if (ShowMessageBox(LangString(17), MB_IconInformation | MB_YesNo)) {
        if (QFileInfo(output).isFile())
            ShowFileInFileManager(output);
        else
            OpenDocument(IncludeBackslash(output.isEmpty() ? m_queue->SaveFolder()
                                                           : QFileInfo(output).absolutePath()));
    }
}

// ------------------------------------------------------------------------- hot directory

bool TfrmReelvane::AnyRunning() const {
    return m_queue->IsRunning() || (m_hotQueue && m_hotQueue->IsWatching());
}

void TfrmReelvane::LoadHotDirSettings() {
    if (!HasSettings())
        return;
    const TcdSettings& s = Settings();
    edtlog->setText(s.LogDir());
    edtindir->setText(s.Indir());
    edtoutdir->setText(s.OutDir());
    chksubdir->setChecked(s.SubDir());
}

void TfrmReelvane::SaveHotDirSettings() {
    if (!HasSettings())
        return;
    TcdSettings& s = Settings();
    // An empty box keeps the stored folder.
    if (!edtindir->text().isEmpty())
        s.SetIndir(edtindir->text());
    if (!edtoutdir->text().isEmpty())
        s.SetOutDir(edtoutdir->text());
    if (!edtlog->text().isEmpty())
        s.SetLogDir(edtlog->text());
    s.SetSubDir(chksubdir->isChecked());
    s.SaveToRegistry();
}

void TfrmReelvane::SetHotRunState(bool running) {
    btnsbtrun->setEnabled(!running);
    btnsbtend->setEnabled(running);
    btnmin->setEnabled(running);
    for (QWidget* w : {static_cast<QWidget*>(edtindir), static_cast<QWidget*>(edtoutdir),
                       static_cast<QWidget*>(edtlog), static_cast<QWidget*>(chksubdir),
                       static_cast<QWidget*>(pgcConvert)})
        w->setEnabled(!running);
    // The log browse button and btnsbtreturn follow their actions (actReturnmode: the menus).
    for (QAction* a : {actSelIndir, actSelOutdir, actSelLogdir})
        a->setEnabled(!running);
}

void TfrmReelvane::actSelIndirExecute() {
    QString folder;
    if (!BrowseForFolder(LangString(18), QString(), folder))
        return;
    // The output folder would be the chosen folder or lie inside it: said now, refused at Start.
    if (!edtoutdir->text().trimmed().isEmpty() && IsSameOrInside(edtoutdir->text(), folder))
        ShowMessageBox(LangString(19), MB_IconWarning);
    if (folder != edtoutdir->text())
        edtindir->setText(folder);
}

void TfrmReelvane::actSelOutdirExecute() {
    QString folder;
    if (!BrowseForFolder(LangString(20), QString(), folder))
        return;
    if (!edtindir->text().trimmed().isEmpty() && IsSameOrInside(edtindir->text(), folder))
        ShowMessageBox(LangString(21), MB_IconWarning);
    if (folder != edtindir->text())
        edtoutdir->setText(folder);
}

void TfrmReelvane::actSelLogdirExecute() {
    QString folder;
    if (BrowseForFolder(QStringLiteral("log path"), QString(), folder))
        edtlog->setText(folder);
}

void TfrmReelvane::actOpenIndirExecute() {
    OpenDocument(IncludeBackslash(edtindir->text()));
}

void TfrmReelvane::actOpenOutdirExecute() {
    OpenDocument(IncludeBackslash(edtoutdir->text()));
}

QString TfrmReelvane::ShownLogFolder() const {
    if (m_hotQueue->IsWatching())
        return m_hotQueue->Folders().log;
    if (!edtlog->text().trimmed().isEmpty())
        return edtlog->text().trimmed();
    return HasSettings() ? Settings().LogDir() : QString();
}

void TfrmReelvane::actOpenLogdirExecute() {
    // Today's log selected in the file manager when there is one, else its folder.
    const QString folder = ShownLogFolder();
    const QString today = HotDirQueue::LogFileNameFor(folder, QDate::currentDate());
    if (QFileInfo(today).isFile())
        ShowFileInFileManager(today);
    else
        OpenDocument(IncludeBackslash(folder));
}

void TfrmReelvane::btnsbtrunClick() {
    if (AnyRunning())
        return;
    const HotDirFolders folders{edtindir->text(), edtoutdir->text(), edtlog->text(),
                                chksubdir->isChecked()};
    const HotDirCheck check = m_hotQueue->StartWatching(folders, false);
    if (!check.Ok()) {
        // The message of the problem; the box in question gets the focus.
        QLineEdit* box = edtindir;
        QString text = check.text;
        unsigned flags = MB_IconInformation;
        switch (check.problem) {
        case HotDirProblem::InputMissing:
            text = LangString(22);
            break;
        case HotDirProblem::OutputMissing:
            text = LangString(23);
            box = edtoutdir;
            break;
        case HotDirProblem::OutputUnusable:
            box = edtoutdir;
            break;
        case HotDirProblem::LogMissing:
            text = LangString(24);
            box = edtlog;
            break;
        case HotDirProblem::LogUnwritable:
            box = edtlog;
            break;
        case HotDirProblem::OutputInsideInput:
            text = LangString(19);
            break;
        case HotDirProblem::WatchFailed:
            flags = MB_IconError;
            break;
        case HotDirProblem::InputUnreadable:
        case HotDirProblem::None:
            break;
        }
        ShowMessageBox(text, flags);
        box->setFocus();
        return;
    }
    SaveHotDirSettings();
    Log(QStringLiteral("Watching ") + m_hotQueue->Folders().input);
}

void TfrmReelvane::btnsbtendClick() {
    if (!m_hotQueue->IsWatching())
        return;
    m_hotQueue->StopWatching();
}

// --------------------------------------------------------------------------------- closing

void TfrmReelvane::closeEvent(QCloseEvent* event) {
    const bool running = AnyRunning() || !m_engine->IsFree();
    if (!running) {
        closeWaitTimer->stop();
        event->accept();
        return;
    }
    // Stop the conversion and close once the engine has ended; the event loop keeps running.
    event->ignore();
    if (!m_closeRequested) {
        m_closeRequested = true;
        if (m_queue->IsRunning())
            actStopConvertExecute();
        else if (m_hotQueue->IsWatching())
            btnsbtendClick();
        else
            m_engine->Stop();
        setEnabled(false);
        statPanels[0]->setText(QStringLiteral("Stopping the conversion..."));
        closeWaitTimer->start();
    }
}

void TfrmReelvane::ContinueClosing() {
    if (!m_engine->IsFree())
        return;
    closeWaitTimer->stop();
    close();
}

// ------------------------------------------------------- notification area, dropped files

void TfrmReelvane::BuildTray() {
    m_qtTray = std::make_unique<QtTrayIcon>();
    SetTrayIcon(nullptr);

    pmTray = new QMenu(this);
    pmTray->setObjectName(QStringLiteral("pmTray"));
    mniShow = pmTray->addAction(QStringLiteral("&Show"));
    mniShow->setObjectName(QStringLiteral("mniShow"));
    pmTray->addSeparator();
    mniAbout = pmTray->addAction(QStringLiteral("&About"));
    mniAbout->setObjectName(QStringLiteral("mniAbout"));
    pmTray->addSeparator();
    mniExit = pmTray->addAction(QStringLiteral("&Close"));
    mniExit->setObjectName(QStringLiteral("mniExit"));
    connect(mniShow, &QAction::triggered, this, &TfrmReelvane::mniShowClick);
    connect(mniExit, &QAction::triggered, this, &TfrmReelvane::mniExitClick);
    connect(btnmin, &QPushButton::clicked, this, &TfrmReelvane::btnminClick);

    setAcceptDrops(true);
}

void TfrmReelvane::SetTrayIcon(TrayIcon* tray) {
    if (m_tray)
        disconnect(m_tray, nullptr, this, nullptr);
    m_tray = tray ? tray : m_qtTray.get();
    connect(m_tray, &TrayIcon::clicked, this, &TfrmReelvane::HandleTrayClick);
}

void TfrmReelvane::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // Minimised from the title bar or the window menu. Without a notification area the window
    // stays minimised on the task bar, where the user can reach it again.
    if (event->type() == QEvent::WindowStateChange && isMinimized() && isVisible() &&
        m_tray->IsAvailable())
        QTimer::singleShot(0, this, &TfrmReelvane::HideInTray);
}

void TfrmReelvane::HandleMinimize() {
    if (m_tray->IsAvailable())
        HideInTray();
    else
        showMinimized();
}

void TfrmReelvane::btnminClick() {
    HandleMinimize();
}

void TfrmReelvane::HideInTray() {
    if (m_inTray || !isVisible())
        return;
    m_inTray = true;
    // Message boxes that come up meanwhile (the end of a batch) must not end the program when
    // they close while no window is visible.
    QApplication::setQuitOnLastWindowClosed(false);
    // The minimised state stays until the window comes back: leaving it while hidden would map
    // the window again on X11.
    hide();
    m_tray->Add(windowIcon().isNull() ? ReelvaneIcon() : windowIcon(), ApplicationTitle());
}

void TfrmReelvane::RestoreFromTray() {
    m_tray->Delete();
    if (!m_inTray)
        return;
    m_inTray = false;
    QApplication::setQuitOnLastWindowClosed(true);
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
}

void TfrmReelvane::HandleTrayClick(TrayIcon::Button button) {
    if (button == TrayIcon::Button::Left)
        RestoreFromTray();
    else
        pmTray->popup(QCursor::pos());
}

void TfrmReelvane::mniShowClick() {
    RestoreFromTray();
    raise();
    activateWindow();
}

void TfrmReelvane::mniExitClick() {
    m_tray->Delete();
    const bool wasInTray = std::exchange(m_inTray, false);
    QApplication::setQuitOnLastWindowClosed(true);
    if (close()) {
        // A window closed while hidden does not count as the last one closing.
        if (wasInTray)
            QCoreApplication::quit();
        return;
    }
    // A running conversion is being stopped first: show how far that is. The window then
    // closes as a visible one, which ends the program.
    if (wasInTray)
        show();
}

bool TfrmReelvane::AcceptsDrops() const {
    // The same switch as the Add command: off while the list may not be changed.
    return m_currentMode == 1 && actadd->isEnabled();
}

void TfrmReelvane::dragEnterEvent(QDragEnterEvent* event) {
    if (AcceptsDrops() && event->mimeData()->hasUrls()) {
        // Always a copy: a file manager offering to move would otherwise delete the files.
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void TfrmReelvane::dragMoveEvent(QDragMoveEvent* event) {
    if (AcceptsDrops() && event->mimeData()->hasUrls()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void TfrmReelvane::dropEvent(QDropEvent* event) {
    if (!AcceptsDrops() || !event->mimeData()->hasUrls()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    HandleDropFiles(event->mimeData()->urls());
}

void TfrmReelvane::HandleDropFiles(const QList<QUrl>& urls) {
    if (!AcceptsDrops())
        return;
    QStringList files;
    DroppedFiles(files, urls, QStringLiteral(".avi"));
    AddFilesToList(files);
    RemoveDuplicateNames();
    UpdateListActions();
    UpdateMenusForMode(true);
}
