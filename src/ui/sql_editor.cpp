#include "ui/sql_editor.h"

#include <QPaintEvent>
#include <QPainter>
#include <QTextBlock>

#include <algorithm>

namespace querimo {

namespace {

constexpr double kSmallestPoints = 4.0;
constexpr int kMarginPadding = 8;

}  // namespace

QFont ZoomedFont(const QFont& base, int steps) {
    QFont font = base;
    font.setPointSizeF(std::max(kSmallestPoints, base.pointSizeF() + steps));
    return font;
}

class SqlEditor::LineNumberArea : public QWidget {
  public:
    explicit LineNumberArea(SqlEditor* editor) : QWidget(editor), m_editor(editor) {}

  protected:
    void paintEvent(QPaintEvent* event) override { m_editor->PaintLineNumbers(event->rect()); }

  private:
    SqlEditor* m_editor;
};

SqlEditor::SqlEditor(QWidget* parent) : QPlainTextEdit(parent) {
    m_lineNumbers = new LineNumberArea(this);
    connect(this, &QPlainTextEdit::blockCountChanged, this, [this] { UpdateMargin(); });
    connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect& rect, int dy) {
        if (dy != 0) {
            m_lineNumbers->scroll(0, dy);
        } else {
            m_lineNumbers->update(0, rect.y(), m_lineNumbers->width(), rect.height());
        }
    });
    UpdateMargin();
}

bool SqlEditor::FindNext(const QString& text) {
    if (text.isEmpty()) {
        return false;
    }
    if (find(text)) {
        return true;
    }
    const QTextCursor kept = textCursor();
    moveCursor(QTextCursor::Start);
    if (find(text)) {
        return true;
    }
    setTextCursor(kept);
    return false;
}

void SqlEditor::Zoom(int direction) {
    if (m_zoomSteps == 0) {
        m_baseFont = font();
    }
    m_zoomSteps = direction == 0 ? 0 : m_zoomSteps + direction;
    setFont(ZoomedFont(m_baseFont, m_zoomSteps));
    UpdateMargin();
}

int SqlEditor::LineNumberWidth() const {
    const int digits = static_cast<int>(QString::number(std::max(1, blockCount())).size());
    return kMarginPadding + fontMetrics().horizontalAdvance(QLatin1Char('9')) * digits;
}

void SqlEditor::UpdateMargin() {
    setViewportMargins(LineNumberWidth(), 0, 0, 0);
    const QRect area = contentsRect();
    m_lineNumbers->setGeometry(area.left(), area.top(), LineNumberWidth(), area.height());
}

void SqlEditor::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    UpdateMargin();
}

void SqlEditor::PaintLineNumbers(const QRect& area) {
    QPainter painter(m_lineNumbers);
    painter.fillRect(area, palette().color(QPalette::AlternateBase));
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.setFont(font());
    const int right = m_lineNumbers->width() - kMarginPadding / 2;
    for (QTextBlock block = firstVisibleBlock(); block.isValid(); block = block.next()) {
        const QRectF bounds = blockBoundingGeometry(block).translated(contentOffset());
        if (bounds.top() > area.bottom()) {
            break;
        }
        if (block.isVisible() && bounds.bottom() >= area.top()) {
            painter.drawText(0, static_cast<int>(bounds.top()), right, fontMetrics().height(),
                             Qt::AlignRight, QString::number(block.blockNumber() + 1));
        }
    }
}

}  // namespace querimo
