// Copying grid rows and record-view lines, however the keys are pressed, and the record view.
#include "ui/record_dlg.h"
#include "window_fixture.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QTableView>
#include <QTableWidget>

namespace {

class WindowGridTest : public WindowTest {
  protected:
    void SetUp() override {
        window = OpenWindow();
        Execute(*window,
                "select 'two words   ' as a, 'x' || char(13, 10) || 'y' as b union all "
                "select 'say \"hi\"' || char(10) || 'z', 'lone' || char(10) || 'lf' union all "
                "select 1, 2");
        grid = qobject_cast<QTableView*>(window->Control(IDC_RESULT_LIST));
    }

    std::unique_ptr<CQuerimoDlg> window;
    QTableView* grid = nullptr;
};

// A chord as a sequence of key presses: a key, and whether Ctrl is held while it goes down. The
// presses go out one by one, as a keyboard sends them.
using Strokes = std::vector<std::pair<Qt::Key, bool>>;

void Press(QWidget* target, Strokes strokes) {
    strokes.insert(strokes.begin(), {Qt::Key_Shift, false});
    for (auto [key, held] : strokes) {
        QKeyEvent press(QEvent::KeyPress, key, held ? Qt::ControlModifier : Qt::NoModifier);
        QApplication::sendEvent(target, &press);
    }
}

// The grid's storage grows in blocks, the next made ready beside the fetch: lines across many
// blocks read back whole and in order.
TEST_F(WindowGridTest, LinesSpanningManyStorageBlocksReadBack) {
    window->m_nMaxRows = 0;
    Execute(*window,
            "with recursive n(x) as (select 1 union all select x + 1 from n where x < "
            "30000) select printf('%0200d', x) as t from n");
    ASSERT_EQ(window->m_resultList->LineCount(), 30000);
    for (int line = 0; line < 30000; ++line) {
        const std::string number = std::to_string(line + 1);
        ASSERT_EQ(window->m_resultList->Cell(line, 1),
                  std::string(200 - number.size(), '0') + number);
    }
}

// Selected rows go out in grid order, each cell trimmed, quoted and its line breaks handled as
// the row-text rules say, with the delimiter the Separator field holds at that moment.
TEST_F(WindowGridTest, EveryWayOfPressingTheChordsCopiesTheRows) {
    const std::pair<Strokes, const char*> cases[] = {
        {{{Qt::Key_Control, true}, {Qt::Key_A, true}, {Qt::Key_C, true}}, ","},
        {{{Qt::Key_Control, true}, {Qt::Key_A, false}, {Qt::Key_Control, true}, {Qt::Key_C, false}},
         "\\t"},
        {{{Qt::Key_A, true}, {Qt::Key_C, true}}, ";"},
        {{{Qt::Key_A, false}, {Qt::Key_C, false}}, nullptr},
    };
    for (const auto& [strokes, separator] : cases) {
        grid->clearSelection();
        prompt.clipboard.reset();
        qobject_cast<QLineEdit*>(window->Control(IDC_SEPARATOR))->setText(separator);
        Press(grid, strokes);
        if (separator == nullptr) {
            EXPECT_EQ(prompt.clipboard, std::nullopt);
            continue;
        }
        const std::string d = separator[1] == 't' ? "\t" : separator;
        EXPECT_EQ(prompt.clipboard, "\"01\"" + d + "\"two words\"" + d + "\"xy\"\r\n\"02\"" + d +
                                        "\"say \"\"hi\"\" z\"" + d + "\"lone\nlf\"\r\n\"03\"" + d +
                                        "\"1\"" + d + "\"2\"\r\n");
    }
    for (int row : {2, 0}) {
        grid->selectionModel()->select(window->m_resultList->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    Press(grid, {{Qt::Key_Control, true}, {Qt::Key_C, true}});
    EXPECT_EQ(prompt.clipboard, "\"01\";\"two words\";\"xy\"\r\n\"03\";\"1\";\"2\"\r\n");
}

TEST_F(WindowGridTest, RecordViewShowsTheRowSortsAndCopiesWithCommas) {
    qobject_cast<QLineEdit*>(window->Control(IDC_SEPARATOR))->setText("\\t");
    std::vector<std::vector<std::string>> shown;
    window->m_runRecordView = [&](CRecordDlg& record) {
        record.show();
        auto* list = record.findChild<QTableWidget*>("1005");
        list->horizontalHeader()->sectionClicked(1);
        for (int line = 0; line < list->rowCount(); ++line) {
            shown.push_back({list->item(line, 0)->text().toStdString(),
                             list->item(line, 1)->text().toStdString()});
        }
        list->selectRow(0);
        Press(list, {{Qt::Key_Control, true}, {Qt::Key_A, true}, {Qt::Key_C, true}});
        record.close();
    };
    const QRect row = grid->visualRect(window->m_resultList->index(1, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, row.center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(shown, (std::vector<std::vector<std::string>>{
                         {"#", "02"}, {"b", "lone\nlf"}, {"a", "say \"hi\"\nz"}}));
    EXPECT_EQ(prompt.clipboard, "\"#\",\"02\"\r\n");
}

}  // namespace
