// Copying grid rows, selecting all of them, the grid's context menu and the record view,
// through the real window and a grid filled by real queries.
#include "app/querimo_dlg.h"
#include "ui/qt_prompt.h"
#include "ui/record_dlg.h"
#include "ui/result_grid_model.h"
#include "window_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTableView>
#include <QTableWidget>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

constexpr const char* kTenRows =
    "with recursive c(n) as (select 1 union all select n + 1 from c where n < 10) "
    "select n, 'r' || n as t from c";

// What a record view showed while it was open.
struct RecordSeen {
    Texts names;
    Texts values;
};

class GridClipboardTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        CQuerimoDlg::s_lastGridKey = 0;
        CRecordDlg::s_sortState = {};
        CRecordDlg::s_lastKey = 0;
        window = OpenWindow();
        window->show();
        window->m_runRecordView = [this](CRecordDlg& record) {
            record.show();
            records.push_back(Seen(record));
            if (inRecordView) {
                inRecordView(record);
            }
        };
    }

    void Execute(const std::string& sql) {
        window->m_strSql = sql;
        window->UpdateData(false);
        Click(*window, IDC_EXECUTE);
        ASSERT_GT(window->m_resultList->rowCount(), 0) << sql;
    }

    QTableView* Grid() { return qobject_cast<QTableView*>(window->Control(IDC_RESULT_LIST)); }

    QPoint RowCentre(int row) {
        QModelIndex index = Grid()->model()->index(row, 0);
        Grid()->scrollTo(index);
        return Grid()->visualRect(index).center();
    }

    QPoint BelowTheLastRow() {
        const int last = Grid()->model()->rowCount() - 1;
        QPoint point = RowCentre(last);
        point.ry() += Grid()->rowHeight(last) * 2;
        EXPECT_LT(point.y(), Grid()->viewport()->height());
        return point;
    }

    // As the window system delivers it: a click, then the second press as a double-click.
    void DoubleClick(QPoint point) {
        QTest::mouseClick(Grid()->viewport(), Qt::LeftButton, Qt::NoModifier, point);
        QTest::mouseDClick(Grid()->viewport(), Qt::LeftButton, Qt::NoModifier, point);
        QTest::mouseRelease(Grid()->viewport(), Qt::LeftButton, Qt::NoModifier, point);
    }

    void CtrlClickRows(std::initializer_list<int> rows) {
        Grid()->clearSelection();
        for (int row : rows) {
            QTest::mouseClick(Grid()->viewport(), Qt::LeftButton, Qt::ControlModifier,
                              RowCentre(row));
        }
    }

    std::vector<int> SelectedRows() {
        std::vector<int> rows;
        for (const QModelIndex& index : Grid()->selectionModel()->selectedRows()) {
            rows.push_back(index.row());
        }
        std::sort(rows.begin(), rows.end());
        return rows;
    }

    void PressCtrlC() { QTest::keyClick(Grid(), Qt::Key_C, Qt::ControlModifier); }

    // A right-click as the window system delivers it: the press, then the menu request.
    QMenu* RightClick(QPoint point) {
        QTest::mousePress(Grid()->viewport(), Qt::RightButton, Qt::NoModifier, point);
        QTest::mouseRelease(Grid()->viewport(), Qt::RightButton, Qt::NoModifier, point);
        QContextMenuEvent request(QContextMenuEvent::Mouse, point,
                                  Grid()->viewport()->mapToGlobal(point));
        QApplication::sendEvent(Grid()->viewport(), &request);
        auto* menu = window->findChild<QMenu*>(QStringLiteral("LV_SubMenu"));
        return menu != nullptr && menu->isVisible() ? menu : nullptr;
    }

    static void Choose(QMenu& menu, int command) {
        QAction* action = menu.findChild<QAction*>(QString::number(command));
        ASSERT_NE(action, nullptr) << command;
        QTest::mouseClick(&menu, Qt::LeftButton, Qt::NoModifier,
                          menu.actionGeometry(action).center());
    }

    static RecordSeen Seen(CRecordDlg& record) {
        RecordSeen seen;
        auto* list = record.findChild<QTableWidget*>(QString::number(CRecordDlg::IDC_LIST));
        for (int line = 0; line < list->rowCount(); ++line) {
            seen.names.push_back(list->item(line, 0)->text().toStdString());
            seen.values.push_back(list->item(line, 1)->text().toStdString());
        }
        return seen;
    }

    void ExportWithSeparator(const char* separator) {
        window->m_strSql = "select 1";
        window->UpdateData(false);
        qobject_cast<QLineEdit*>(window->Control(IDC_SEPARATOR))
            ->setText(QString::fromLatin1(separator));
        prompt.fileAnswers.push_back(dir.File("export.csv"));
        Click(*window, IDC_EXPORT);
        ASSERT_EQ(window->m_cDelimiter, separator[1] == 't' ? '\t' : '\n');
    }

    std::unique_ptr<CQuerimoDlg> window;
    std::vector<RecordSeen> records;
    std::function<void(CRecordDlg&)> inRecordView;
};

TEST_F(GridClipboardTest, SelectedRowsAreCopiedInGridOrder) {
    Execute(kTenRows);
    CtrlClickRows({5, 2, 9});
    PressCtrlC();
    const std::string lines =
        "\"03\",\"3\",\"r3\"\r\n\"06\",\"6\",\"r6\"\r\n\"10\",\"10\",\"r10\"\r\n";
    ASSERT_TRUE(prompt.clipboard);
    EXPECT_EQ(*prompt.clipboard, lines);
    EXPECT_EQ(window->SelectionText(), lines + '\0');

    // The "&Copy" command of the menu and the standard copy key do the same.
    for (auto copy : {std::function<void()>([&] { Choose(*RightClick(RowCentre(2)), 32772); }),
                      std::function<void()>(
                          [&] { QTest::keyClick(Grid(), Qt::Key_Insert, Qt::ControlModifier); })}) {
        prompt.clipboard.reset();
        CtrlClickRows({5, 2, 9});
        copy();
        EXPECT_EQ(prompt.clipboard, lines);
    }
}

TEST_F(GridClipboardTest, CellTextsAreTrimmedAndQuotedAsTheyNeed) {
    Execute(
        "select 'two words   ' as a, 'two' || char(13, 10) || 'words' as b, "
        "'say \"hi\"' || char(10) || 'now' as c, 'only' || char(10) || 'feed' as d, "
        "null as e");
    // A fetched value never exceeds the column buffer, so the long cell is put in directly.
    const std::string longText(20000, 'w');
    window->m_resultList->InsertLine(1, Texts{"02", "", "", "", "", longText});
    window->m_resultList->Flush();
    CtrlClickRows({0, 1});
    PressCtrlC();
    ASSERT_TRUE(prompt.clipboard);
    EXPECT_EQ(*prompt.clipboard,
              "\"01\",\"two words\",\"twowords\",\"say \"\"hi\"\" now\",\"only\nfeed\",\"\"\r\n"
              "\"02\",\"\",\"\",\"\",\"\",\"" +
                  longText.substr(0, 16383) + "\"\r\n");

    DoubleClick(RowCentre(1));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].values.back(), longText);
}

TEST_F(GridClipboardTest, TheDelimiterIsTheOneTheLastExportTook) {
    Execute("select 'a' as x, 'b' as y");
    // Typing into the field alone changes nothing.
    qobject_cast<QLineEdit*>(window->Control(IDC_SEPARATOR))->setText(";");
    CtrlClickRows({0});
    PressCtrlC();
    EXPECT_EQ(prompt.clipboard, "\"01\",\"a\",\"b\"\r\n");

    struct Case {
        const char* separator;
        const char* line;
    };
    for (const Case& test :
         {Case{"\\t", "\"01\"\t\"a\"\t\"b\"\r\n"}, Case{"\\n", "\"01\"\n\"a\"\n\"b\"\r\n"}}) {
        ExportWithSeparator(test.separator);
        Execute("select 'a' as x, 'b' as y");
        CtrlClickRows({0});
        PressCtrlC();
        EXPECT_EQ(prompt.clipboard, test.line) << test.separator;

        // The record view keeps the comma.
        inRecordView = [&](CRecordDlg& record) {
            auto* list = record.findChild<QTableWidget*>(QString::number(CRecordDlg::IDC_LIST));
            list->selectRow(1);
            QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
        };
        DoubleClick(RowCentre(0));
        inRecordView = nullptr;
        EXPECT_EQ(prompt.clipboard, "\"x\",\"a\"\r\n") << test.separator;
    }
}

TEST_F(GridClipboardTest, CtrlAAndCtrlCFollowTheKeyPressedJustBefore) {
    // Connected but never run: no lines, no columns.
    QTest::keyClick(Grid(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(SelectedRows().empty());
    EXPECT_EQ(prompt.clipboard, std::nullopt);

    Execute(kTenRows);
    QTest::keyClick(Grid(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(SelectedRows(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(prompt.clipboard, std::nullopt);

    CtrlClickRows({4});
    QTest::keyPress(Grid(), Qt::Key_Control);
    QTest::keyRelease(Grid(), Qt::Key_Control);
    QTest::keyClick(Grid(), Qt::Key_C);
    EXPECT_EQ(prompt.clipboard, "\"05\",\"5\",\"r5\"\r\n");
    prompt.clipboard.reset();
    QTest::keyClick(Grid(), Qt::Key_C);
    EXPECT_EQ(prompt.clipboard, std::nullopt);

    // With nothing selected the clipboard's former text is replaced by an empty one.
    Grid()->clearSelection();
    PressCtrlC();
    EXPECT_EQ(prompt.clipboard, "");
}

TEST_F(GridClipboardTest, TheRecordViewOpensForARow) {
    Execute(
        "select 1 as a, 'x' as b, 2.5 as c, 'last' as d union all "
        "select 2, 'y', 3.5, 'end' union all select 3, 'z', 4.5, 'fin'");
    EXPECT_EQ(RightClick(BelowTheLastRow()), nullptr);
    DoubleClick(BelowTheLastRow());
    EXPECT_TRUE(records.empty());

    // "&Record View" opens the lowest selected row, whichever row was clicked.
    CtrlClickRows({2, 1});
    QMenu* menu = RightClick(RowCentre(2));
    ASSERT_NE(menu, nullptr);
    QStringList texts;
    for (QAction* action : menu->actions()) {
        texts << action->text();
    }
    EXPECT_EQ(texts, (QStringList{"&Record View", "&Copy"}));
    Choose(*menu, 32771);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].names, (Texts{"#", "a", "b", "c", "d"}));
    EXPECT_EQ(records[0].values, (Texts{"02", "2", "y", "3.5", "end"}));

    const std::string heading(300, 'h');
    window->InsertGridColumn(5, heading, Qt::AlignLeft, 50);
    DoubleClick(RowCentre(0));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].names, (Texts{"#", "a", "b", "c", "d", heading.substr(0, 255)}));
    EXPECT_EQ(records[1].values, (Texts{"01", "1", "x", "2.5", "last", ""}));

    Grid()->clearSelection();
    window->OnRecordView();
    EXPECT_EQ(records.size(), 2u);
}

TEST_F(GridClipboardTest, TheSystemClipboardGetsTheBytesWithoutTheTerminator) {
    Execute("select 'caf\xC3\xA9' as w, 'two  ' as x");
    querimo::QtPrompt qtPrompt;
    querimo::InstallPrompt(&qtPrompt);
    CtrlClickRows({0});
    PressCtrlC();
    querimo::InstallPrompt(&prompt);
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    const QByteArray bytes = data->data(QStringLiteral("text/plain"));
    EXPECT_EQ(std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())),
              "\"01\",\"caf\xC3\xA9\",\"two\"\r\n");
}

}  // namespace
