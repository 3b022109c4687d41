// The main window's controls as the dialog template lays them out.
#include "app/querimo_dlg.h"

#include "ui/result_grid_model.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTableView>

#include <cmath>

namespace {

// Dialog units of the template's 8-point font at 96 dpi.
constexpr double kPixelsPerUnitX = 1.5;
constexpr double kPixelsPerUnitY = 1.625;

QRect DialogUnitsToPixels(int x, int y, int width, int height) {
    auto px = [](double units, double scale) {
        return static_cast<int>(std::lround(units * scale));
    };
    return QRect(px(x, kPixelsPerUnitX), px(y, kPixelsPerUnitY), px(width, kPixelsPerUnitX),
                 px(height, kPixelsPerUnitY));
}

template <typename Widget>
Widget* Place(Widget* widget, int id, QRect units) {
    if (id != 0) {
        widget->setObjectName(QString::number(id));
    }
    widget->setGeometry(DialogUnitsToPixels(units.x(), units.y(), units.width(), units.height()));
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
    setSizeGripEnabled(true);
    resize(DialogUnitsToPixels(0, 0, 490, 289).size());

    auto* dataSource = Button(this, IDC_DATASOURCE, "&DataSource...", {7, 3, 51, 14}, true);
    m_editor = Place(new QPlainTextEdit(this), IDC_SQL, {73, 3, 353, 80});
    m_editor->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_editor->setEnabled(false);
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

    m_separatorEdit = Place(new QLineEdit(this), IDC_SEPARATOR, {43, 68, 17, 14});
    m_separatorEdit->setMaxLength(2);
    auto* separatorLabel = Place(new QLabel(QStringLiteral("Separator"), this), 0, {7, 71, 32, 8});

    QWidget* tabOrder[] = {dataSource, m_editor,        execute,       open,          save,
                           clear,      exitButton,      maxRowsLabel,  m_maxRowsEdit, exportButton,
                           m_grid,     m_separatorEdit, separatorLabel};
    for (std::size_t i = 0; i + 1 < std::size(tabOrder); ++i) {
        setTabOrder(tabOrder[i], tabOrder[i + 1]);
    }

    connect(exitButton, &QPushButton::clicked, this, &QWidget::close);
    connect(m_editor, &QPlainTextEdit::textChanged, this, [this] { OnChangeSql(); });
}

QWidget* CQuerimoDlg::Control(int id) const {
    return findChild<QWidget*>(QString::number(id));
}
