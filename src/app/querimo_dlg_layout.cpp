// The main window's frame: its controls as the dialog template lays them out, how they follow a
// change of size, the keys the window takes for itself, and the about command.
#include "app/querimo_dlg.h"

#include "ui/about_dlg.h"
#include "ui/artwork.h"
#include "ui/dialog_units.h"
#include "ui/result_grid_model.h"
#include "ui/sql_editor.h"
#include "ui/sql_highlighter.h"

#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QResizeEvent>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>

#include <algorithm>
#include <functional>

namespace {

constexpr const char* kAboutMenuText = "&About Querimo...";
constexpr const char* kWindowSection = "Window";
constexpr const char* kGeometryKey = "Geometry";
constexpr const char* kSplitterKey = "Splitter";

// The template's client area, in pixels, and the left edge of its right-hand buttons in units.
constexpr int kTemplateWidth = 735;
constexpr int kTemplateHeight = 470;
constexpr int kButtonsLeftUnits = 433;
// The editor pane ends and the grid pane starts where the template leaves the gap between the
// editor and the grid; the splitter's handle fills that gap.
constexpr int kSplitterHandle = 6;
constexpr int kEditorPaneHeight = 140;
// Room the template leaves around the grid and beside and below the editor, in pixels.
constexpr int kGridWidthMargin = 20;
constexpr int kGridBottomMargin = 10;
constexpr int kEditorWidthMargin = 200;
constexpr int kEditorHeightMargin = 10;
constexpr int kLeastGridPaneHeight = 60;
// The extra height of a taller window goes one part to the editor, two to the grid.
constexpr int kEditorStretch = 1;
constexpr int kGridStretch = 2;

template <typename Widget>
Widget* Place(Widget* widget, int id, QRect units) {
    if (id != 0) {
        widget->setObjectName(QString::number(id));
    }
    widget->setGeometry(querimo::DialogUnitsToPixels(units));
    return widget;
}

QPushButton* Button(QWidget* parent, int id, const char* text, QRect units, bool enabled) {
    auto* button = Place(new QPushButton(QString::fromLatin1(text), parent), id, units);
    button->setAutoDefault(false);
    button->setEnabled(enabled);
    return button;
}

// A part of the window whose controls its owner places whenever its size changes.
class Pane : public QWidget {
  public:
    Pane(const char* name, std::function<void(QSize)> layOut) : m_layOut(std::move(layOut)) {
        setObjectName(QString::fromLatin1(name));
    }

  protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        m_layOut(event->size());
    }

  private:
    std::function<void(QSize)> m_layOut;
};

}  // namespace

void CQuerimoDlg::CreateControls() {
    setWindowTitle(QStringLiteral("Querimo"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    m_hIcon = querimo::ApplicationIcon();
    setWindowIcon(m_hIcon);
    setFont(querimo::DialogTemplateFont(font()));

    CreateSplitter();
    CreateEditorPane();
    CreateGrid();
    CreateStatusBar();
    // The template's tab order.
    const int tabOrder[] = {IDC_DATASOURCE, IDC_SQL,         IDC_EXECUTE,  IDC_OPEN,
                            IDC_SAVE,       IDC_CLEAR,       IDC_EXIT,     IDC_MAX_ROWS,
                            IDC_EXPORT,     IDC_RESULT_LIST, IDC_SEPARATOR};
    for (std::size_t i = 0; i + 1 < std::size(tabOrder); ++i) {
        setTabOrder(Control(tabOrder[i]), Control(tabOrder[i + 1]));
    }
    resize(kTemplateWidth, kTemplateHeight + m_statusBar->sizeHint().height());
    m_splitter->setGeometry(0, 0, kTemplateWidth, kTemplateHeight);
    m_splitter->setSizes(
        {kEditorPaneHeight, kTemplateHeight - kEditorPaneHeight - kSplitterHandle});

    m_systemMenu = new QMenu(this);
    QAction* about = m_systemMenu->addAction(QString::fromLatin1(kAboutMenuText));
    connect(about, &QAction::triggered, this, [this] { OnSysCommand(IDM_ABOUTBOX); });
    const std::pair<int, void (CQuerimoDlg::*)()> commands[] = {
        {IDC_DATASOURCE, &CQuerimoDlg::OnDataSource},
        {IDC_EXECUTE, &CQuerimoDlg::OnExecute},
        {IDC_OPEN, &CQuerimoDlg::OnOpen},
        {IDC_CLEAR, &CQuerimoDlg::OnClear},
        {IDC_EXPORT, &CQuerimoDlg::OnExport},
        {IDC_EXIT, &CQuerimoDlg::OnExit}};
    for (auto [id, handler] : commands) {
        connect(static_cast<QPushButton*>(Control(id)), &QPushButton::clicked, this, handler);
    }
    connect(static_cast<QPushButton*>(Control(IDC_SAVE)), &QPushButton::clicked, this,
            [this] { OnSave(); });
    connect(m_editor, &QPlainTextEdit::textChanged, this, [this] { OnChangeSql(); });
    connect(m_separatorEdit, &QLineEdit::textChanged, this, [this] { OnSeparatorEdited(); });
    ConnectGridHandlers();
    CreateShortcuts();
}

// The editor and the controls beside it above, the grid below, a handle between them.
void CQuerimoDlg::CreateSplitter() {
    m_splitter = new QSplitter(Qt::Vertical, this);
    m_splitter->setObjectName(QStringLiteral("splitter"));
    m_splitter->setHandleWidth(kSplitterHandle);
    m_splitter->setChildrenCollapsible(false);
    m_editorPane = new Pane("editorPane", [this](QSize size) { LayOutEditorPane(size); });
    m_editorPane->setMinimumHeight(kEditorPaneHeight);
    m_gridPane = new Pane("gridPane", [this](QSize size) { LayOutGridPane(size); });
    m_gridPane->setMinimumHeight(kLeastGridPaneHeight);
    m_splitter->addWidget(m_editorPane);
    m_splitter->addWidget(m_gridPane);
    m_splitter->setStretchFactor(0, kEditorStretch);
    m_splitter->setStretchFactor(1, kGridStretch);
}

void CQuerimoDlg::CreateEditorPane() {
    QWidget* pane = m_editorPane;
    Button(pane, IDC_DATASOURCE, "&DataSource...", {7, 3, 51, 14}, true);
    m_editor = Place(new querimo::SqlEditor(pane), IDC_SQL, {73, 3, 353, 80});
    m_editor->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_editor->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_editor->setEnabled(false);
    new querimo::SqlHighlighter(m_editor);
    Button(pane, IDC_EXECUTE, "&Execute", {433, 3, 50, 14}, false);
    Button(pane, IDC_OPEN, "&Open...", {433, 20, 50, 14}, false);
    Button(pane, IDC_SAVE, "&Save...", {433, 37, 50, 14}, false);
    Button(pane, IDC_CLEAR, "&Clear", {433, 54, 50, 14}, false);
    Button(pane, IDC_EXIT, "E&xit", {433, 71, 50, 14}, true);
    auto* maxRowsLabel = Place(new QLabel(QStringLiteral("Max Rows"), pane), 0, {7, 25, 34, 14});
    maxRowsLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_maxRowsEdit = Place(new QLineEdit(pane), IDC_MAX_ROWS, {43, 26, 25, 14});
    m_maxRowsEdit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
    Button(pane, IDC_EXPORT, "Ex&port", {7, 50, 50, 14}, false);
    m_separatorEdit = Place(new QLineEdit(pane), IDC_SEPARATOR, {43, 68, 17, 14});
    m_separatorEdit->setMaxLength(2);
    Place(new QLabel(QStringLiteral("Separator"), pane), 0, {7, 71, 32, 8});
}

void CQuerimoDlg::CreateGrid() {
    m_resultList = new querimo::ResultGridModel(this);
    m_grid = Place(new QTableView(m_gridPane), IDC_RESULT_LIST, {7, 0, 476, 193});
    m_grid->setModel(m_resultList);
    m_grid->setShowGrid(true);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->verticalHeader()->hide();
    m_grid->setEnabled(false);
    querimo::ConfigureResultGridView(m_grid);
    m_gridBaseFont = m_grid->font();
    connect(m_resultList, &QAbstractItemModel::rowsInserted, this,
            [this] { FitLineNumberColumn(); });
}

void CQuerimoDlg::CreateStatusBar() {
    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(QStringLiteral("statusBar"));
    m_statusBar->setSizeGripEnabled(true);
    auto label = [this](const char* name, bool permanent) {
        auto* text = new QLabel(m_statusBar);
        text->setObjectName(QString::fromLatin1(name));
        if (permanent) {
            m_statusBar->addPermanentWidget(text);
        } else {
            m_statusBar->addWidget(text, 1);
        }
        return text;
    };
    m_statusConnection = label("statusConnection", false);
    m_statusConnection->setText(QStringLiteral("Not connected"));
    m_statusRows = label("statusRows", true);
    m_statusTime = label("statusTime", true);
    m_statusLimit = label("statusLimit", true);
}

void CQuerimoDlg::CreateShortcuts() {
    auto add = [this](QKeySequence keys, auto handler) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, handler);
    };
    for (QKeySequence run : {QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_Return),
                             QKeySequence(Qt::CTRL | Qt::Key_Enter)}) {
        add(run, [this] { OnExecute(); });
    }
    add(QKeySequence(Qt::CTRL | Qt::Key_S), [this] { SaveToCurrentFile(); });
    add(QKeySequence(Qt::CTRL | Qt::Key_F), [this] { OnFind(); });
    add(QKeySequence(Qt::Key_F3), [this] { OnFindNext(); });
    for (QKeySequence larger :
         {QKeySequence(QKeySequence::ZoomIn), QKeySequence(Qt::CTRL | Qt::Key_Equal)}) {
        add(larger, [this] { Zoom(1); });
    }
    add(QKeySequence(QKeySequence::ZoomOut), [this] { Zoom(-1); });
    add(QKeySequence(Qt::CTRL | Qt::Key_0), [this] { Zoom(0); });
}

QWidget* CQuerimoDlg::Control(int id) const {
    return findChild<QWidget*>(QString::number(id));
}

// Once the window has its frame, so that the frame, not only the client area, is centred.
void CQuerimoDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_centred) {
        m_centred = true;
        if (!RestoreWindowState()) {
            CenterOnScreen();
        }
    }
}

void CQuerimoDlg::CenterOnScreen() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

void CQuerimoDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    OnSize(event->size().width(), event->size().height());
}

void CQuerimoDlg::OnSize(int cx, int cy) {
    if (!m_bInteractive || m_statusBar == nullptr) {
        return;
    }
    const int statusHeight = m_statusBar->sizeHint().height();
    m_splitter->setGeometry(0, 0, cx, std::max(0, cy - statusHeight));
    m_statusBar->setGeometry(0, std::max(0, cy - statusHeight), cx, statusHeight);
}

// The buttons on the right keep their distance from the right edge; the editor takes the width
// between them and the controls on the left, and the pane's height.
void CQuerimoDlg::LayOutEditorPane(QSize size) {
    const int fromRight =
        kTemplateWidth - querimo::DialogUnitsToPixels(kButtonsLeftUnits, 0, 0, 0).x();
    for (int id : {IDC_EXECUTE, IDC_SAVE, IDC_OPEN, IDC_CLEAR, IDC_EXIT}) {
        QWidget* button = Control(id);
        button->move(size.width() - fromRight, button->y());
    }
    m_editor->resize(std::max(0, size.width() - kEditorWidthMargin),
                     std::max(0, size.height() - kEditorHeightMargin));
}

void CQuerimoDlg::LayOutGridPane(QSize size) {
    m_grid->resize(std::max(0, size.width() - kGridWidthMargin),
                   std::max(0, size.height() - kGridBottomMargin));
}

void CQuerimoDlg::SaveWindowState() {
    querimo::Prompt& prompt = querimo::CurrentPrompt();
    prompt.WriteSetting(kWindowSection, kGeometryKey, saveGeometry().toBase64().toStdString());
    prompt.WriteSetting(kWindowSection, kSplitterKey,
                        m_splitter->saveState().toBase64().toStdString());
}

bool CQuerimoDlg::RestoreWindowState() {
    querimo::Prompt& prompt = querimo::CurrentPrompt();
    auto setting = [&prompt](const char* key) {
        return QByteArray::fromBase64(
            QByteArray::fromStdString(prompt.ReadSetting(kWindowSection, key)));
    };
    const QByteArray splitter = setting(kSplitterKey);
    if (!splitter.isEmpty()) {
        m_splitter->restoreState(splitter);
    }
    const QByteArray geometry = setting(kGeometryKey);
    return !geometry.isEmpty() && restoreGeometry(geometry);
}

void CQuerimoDlg::keyPressEvent(QKeyEvent* event) {
    if (PreTranslateMessage(*event)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool CQuerimoDlg::PreTranslateMessage(const QKeyEvent& event) {
    if (event.key() == Qt::Key_Escape) {
        return true;
    }
    if (event.key() == Qt::Key_F1 && event.modifiers() == Qt::NoModifier) {
        OnSysCommand(IDM_ABOUTBOX);
        return true;
    }
    return false;
}

// The background of the window stands in for the system menu that Linux cannot extend.
void CQuerimoDlg::contextMenuEvent(QContextMenuEvent* event) {
    QWidget* under = childAt(event->pos());
    if (under != nullptr && under != m_editorPane && under != m_gridPane && under != m_splitter) {
        event->ignore();
        return;
    }
    m_systemMenu->popup(event->globalPos());
}

void CQuerimoDlg::OnSysCommand(int command) {
    if ((command & 0xFFF0) == IDM_ABOUTBOX) {
        ShowAboutBox();
    }
}

// Window-modal without a nested event loop, so nothing waits on the box.
void CQuerimoDlg::ShowAboutBox() {
    auto* about = findChild<CAboutDlg*>();
    if (about == nullptr) {
        about = new CAboutDlg(this);
        about->setAttribute(Qt::WA_DeleteOnClose);
    }
    about->open();
}

void CQuerimoDlg::Zoom(int direction) {
    if (!m_grid->hasFocus()) {
        m_editor->Zoom(direction);
        return;
    }
    m_gridZoom = direction == 0 ? 0 : m_gridZoom + direction;
    querimo::SetResultGridFont(m_grid, querimo::ZoomedFont(m_gridBaseFont, m_gridZoom));
    FitLineNumberColumn();
}
