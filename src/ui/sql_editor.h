#pragma once
// The SQL editor: a plain-text editor with line numbers in its left margin, a search that goes
// round to the start, and a zoom.

#include <QFont>
#include <QPlainTextEdit>

namespace querimo {

// base grown or shrunk by steps points; never below a readable size.
QFont ZoomedFont(const QFont& base, int steps);

class SqlEditor : public QPlainTextEdit {
  public:
    explicit SqlEditor(QWidget* parent = nullptr);

    // Selects the next occurrence of text after the cursor, ignoring case, going round to the
    // start once; false when the text holds none.
    bool FindNext(const QString& text);
    // One point larger (1), smaller (-1), or back to the starting size (0).
    void Zoom(int direction);
    int LineNumberWidth() const;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    class LineNumberArea;
    void PaintLineNumbers(const QRect& area);
    void UpdateMargin();

    LineNumberArea* m_lineNumbers = nullptr;
    QFont m_baseFont;
    int m_zoomSteps = 0;
};

}  // namespace querimo
