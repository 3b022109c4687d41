// The main window's frame: its controls as the dialog template lays them out, how they follow a
// change of size, the keys the window takes for itself, and the about command.
#include "app/querimo_dlg.h"

#include "ui/about_dlg.h"
#include "ui/artwork.h"
#include "ui/dialog_units.h"
#include "ui/result_grid_model.h"
#include "ui/sql_highlighter.h"

#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QResizeEvent>
#include <QScreen>
#include <QTableView>

#include <algorithm>

namespace {

constexpr const char* kAboutMenuText = "&About Querimo...";

// Room the template leaves around the grid and beside the editor, in pixels.
constexpr int kGridWidthMargin = 20;
constexpr int kGridHeightMargin = 156;
constexpr int kEditorWidthMargin = 200;

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

}  // namespace

void CQuerimoDlg::CreateControls() {
    setWindowTitle(QStringLiteral("Querimo"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    m_hIcon = querimo::ApplicationIcon();
    setWindowIcon(m_hIcon);
    setSizeGripEnabled(true);
    setFont(querimo::DialogTemplateFont(font()));
    resize(querimo::DialogUnitsToPixels(0, 0, 490, 289).size());

    auto* dataSource = Button(this, IDC_DATASOURCE, "&DataSource...", {7, 3, 51, 14}, true);
    m_editor = Place(new QPlainTextEdit(this), IDC_SQL, {73, 3, 353, 80});
    m_editor->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_editor->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_editor->setEnabled(false);
    new querimo::SqlHighlighter(m_editor);
    auto* execute = Button(this, IDC_EXECUTE, "&Execute", {433, 3, 50, 14}, false);
    auto* open = Button(this, IDC_OPEN, "&Open...", {433, 20, 50, 14}, false);
    auto* save = Button(this, IDC_SAVE, "&Save...", {433, 37, 50, 14}, false);
    auto* clear = Button(this, IDC_CLEAR, "&Clear", {433, 54, 50, 14}, false);
    auto* exitButton = Button(this, IDC_EXIT, "E&xit", {433, 71, 50, 14}, true);
    auto* maxRowsLabel = Place(new QLabel(QStringLiteral("Max Rows"), this), 0, {7, 25, 34, 14});
    maxRowsLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_maxRowsEdit = Place(new QLineEdit(this), IDC_MAX_ROWS, {43, 26, 25, 14});
    m_maxRowsEdit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
    auto* exportButton = Button(this, IDC_EXPORT, "Ex&port", {7, 50, 50, 14}, false);

    m_resultList = new querimo::ResultGridModel(this);
    m_grid = Place(new QTableView(this), IDC_RESULT_LIST, {7, 90, 476, 193});
    m_grid->setModel(m_resultList);
    m_grid->setShowGrid(true);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->verticalHeader()->hide();
    m_grid->setEnabled(false);
    querimo::ConfigureResultGridView(m_grid);

    m_separatorEdit = Place(new QLineEdit(this), IDC_SEPARATOR, {43, 68, 17, 14});
    m_separatorEdit->setMaxLength(2);
    auto* separatorLabel = Place(new QLabel(QStringLiteral("Separator"), this), 0, {7, 71, 32, 8});

    QWidget* tabOrder[] = {dataSource, m_editor,        execute,       open,          save,
                           clear,      exitButton,      maxRowsLabel,  m_maxRowsEdit, exportButton,
                           m_grid,     m_separatorEdit, separatorLabel};
    for (std::size_t i = 0; i + 1 < std::size(tabOrder); ++i) {
        setTabOrder(tabOrder[i], tabOrder[i + 1]);
    }

    m_systemMenu = new QMenu(this);
    QAction* about = m_systemMenu->addAction(QString::fromLatin1(kAboutMenuText));
    connect(about, &QAction::triggered, this, [this] { OnSysCommand(IDM_ABOUTBOX); });

    connect(dataSource, &QPushButton::clicked, this, [this] { OnDataSource(); });
    connect(execute, &QPushButton::clicked, this, [this] { OnExecute(); });
    connect(open, &QPushButton::clicked, this, [this] { OnOpen(); });
    connect(save, &QPushButton::clicked, this, [this] { OnSave(); });
    connect(clear, &QPushButton::clicked, this, [this] { OnClear(); });
    connect(exportButton, &QPushButton::clicked, this, [this] { OnExport(); });
    connect(exitButton, &QPushButton::clicked, this, [this] { OnExit(); });
    connect(m_editor, &QPlainTextEdit::textChanged, this, [this] { OnChangeSql(); });
    ConnectGridHandlers();
}

QWidget* CQuerimoDlg::Control(int id) const {
    return findChild<QWidget*>(QString::number(id));
}

// Once the window has its frame, so that the frame, not only the client area, is centred.
void CQuerimoDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_centred) {
        m_centred = true;
        CenterOnScreen();
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
    if (!m_bInteractive || m_grid == nullptr) {
        return;
    }
    if (!m_size.handled) {
        m_size = {true, cx, m_editor->height()};
    }
    m_grid->resize(std::max(0, cx - kGridWidthMargin), std::max(0, cy - kGridHeightMargin));
    const int moved = cx - m_size.previousWidth;
    for (int id : {IDC_EXECUTE, IDC_SAVE, IDC_OPEN, IDC_CLEAR, IDC_EXIT}) {
        QWidget* button = Control(id);
        button->move(button->x() + moved, button->y());
    }
    m_editor->resize(std::max(0, cx - kEditorWidthMargin), m_size.editorHeight);
    m_size.previousWidth = cx;
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
    if (childAt(event->pos()) != nullptr) {
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
