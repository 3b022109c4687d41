// How a table view shows the result grid: the delegate that marks NULL values and the settings
// that keep a long result quick to scroll.
#include "ui/result_grid_model.h"

#include <QElapsedTimer>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>

namespace querimo {

namespace {

constexpr int kRowPadding = 6;
// No column can be dragged narrower than this (pixels).
constexpr int kLeastColumnWidth = 16;
// While lines stream in, the view is painted at most this often (milliseconds).
constexpr int kRepaintInterval = 100;

// Draws a faint "NULL" where the value was NULL; the cell's text itself stays empty.
class ResultGridDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (!index.data(kNullCellRole).toBool()) {
            return;
        }
        option->text = QStringLiteral("NULL");
        option->font.setItalic(true);
        const QColor faint = option->palette.color(QPalette::PlaceholderText);
        option->palette.setColor(QPalette::Text, faint);
        option->palette.setColor(QPalette::HighlightedText, faint);
    }
};

// Lines arrive in small batches, each of which would repaint the whole view; painting costs far
// more than the lines themselves, so while they stream in the view is painted a few times a
// second, and once more after the last batch.
class RepaintLimiter : public QObject {
  public:
    explicit RepaintLimiter(QTableView* view) : QObject(view), m_view(view) {
        m_resume.setSingleShot(true);
        connect(&m_resume, &QTimer::timeout, this, [this] {
            m_view->setUpdatesEnabled(true);
            m_sincePaint.restart();
        });
        m_sincePaint.start();
    }

    void OnLinesAdded() {
        if (m_resume.isActive()) {
            return;
        }
        const qint64 elapsed = m_sincePaint.elapsed();
        if (elapsed >= kRepaintInterval) {
            m_sincePaint.restart();
            return;
        }
        m_view->setUpdatesEnabled(false);
        m_resume.start(static_cast<int>(kRepaintInterval - elapsed));
    }

  private:
    QTableView* m_view;
    QTimer m_resume;
    QElapsedTimer m_sincePaint;
};

}  // namespace

void ConfigureResultGridView(QTableView* view) {
    view->setItemDelegate(new ResultGridDelegate(view));
    SetResultGridFont(view, QFontDatabase::systemFont(QFontDatabase::GeneralFont));
    view->setWordWrap(false);
    view->setTextElideMode(Qt::ElideRight);
    view->setAlternatingRowColors(true);
    view->setCornerButtonEnabled(false);
    view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Scrolling by item makes the view look up the position of the line at the scroll bar after
    // every batch of lines, which walks all of them.
    view->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);

    QHeaderView* headings = view->horizontalHeader();
    headings->setHighlightSections(false);
    headings->setStretchLastSection(false);
    headings->setSectionResizeMode(QHeaderView::Interactive);
    headings->setMinimumSectionSize(kLeastColumnWidth);

    if (QAbstractItemModel* model = view->model()) {
        auto* limiter = new RepaintLimiter(view);
        QObject::connect(model, &QAbstractItemModel::rowsInserted, limiter,
                         [limiter] { limiter->OnLinesAdded(); });
    }
}

void SetResultGridFont(QTableView* view, const QFont& font) {
    view->setFont(font);
    // Every line has the same height, so the view never measures a million of them.
    QHeaderView* lines = view->verticalHeader();
    const int rowHeight = QFontMetrics(font).height() + kRowPadding;
    lines->setMinimumSectionSize(rowHeight);
    lines->setDefaultSectionSize(rowHeight);
    lines->setSectionResizeMode(QHeaderView::Fixed);
}

}  // namespace querimo
