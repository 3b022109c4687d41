// The record view through its real list: lines, sorting, copying and resizing.
#include "ui/record_dlg.h"

#include "support/scripted_prompt.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTableWidget>
#include <QTest>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using Texts = std::vector<std::string>;
using Fields = std::vector<std::pair<std::string, std::string>>;

class RecordDlgTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CRecordDlg::s_sortState = {};
        CRecordDlg::s_lastKey = 0;
    }

    static std::unique_ptr<CRecordDlg> Open(const Fields& fields) {
        auto dialog = std::make_unique<CRecordDlg>();
        for (const auto& [name, value] : fields) {
            dialog->AddField(name, value);
        }
        dialog->show();
        return dialog;
    }

    static QTableWidget* List(CRecordDlg& dialog) {
        return dialog.findChild<QTableWidget*>(QString::number(CRecordDlg::IDC_LIST));
    }

    static Texts Column(CRecordDlg& dialog, int column) {
        Texts texts;
        QTableWidget* list = List(dialog);
        for (int line = 0; line < list->rowCount(); ++line) {
            texts.push_back(list->item(line, column)->text().toStdString());
        }
        return texts;
    }

    static std::vector<int> ItemValues(CRecordDlg& dialog) {
        std::vector<int> values;
        QTableWidget* list = List(dialog);
        for (int line = 0; line < list->rowCount(); ++line) {
            values.push_back(list->item(line, 0)->data(CRecordDlg::kItemValueRole).toInt());
        }
        return values;
    }

    static void ClickHeading(CRecordDlg& dialog, int column) {
        QHeaderView* header = List(dialog)->horizontalHeader();
        const QPoint middle(header->sectionViewportPosition(column) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, middle);
    }

    static void SelectLines(CRecordDlg& dialog, std::initializer_list<int> lines) {
        QTableWidget* list = List(dialog);
        list->clearSelection();
        for (int line : lines) {
            list->selectionModel()->select(list->model()->index(line, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }

    // Without the press of Ctrl that Qt Test sends before a key given with a modifier.
    static void PressWithCtrlHeld(QWidget* widget, Qt::Key key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::ControlModifier);
        QCoreApplication::sendEvent(widget, &press);
    }

    ScriptedPrompt prompt;
};

TEST_F(RecordDlgTest, ShowsOneLinePerFieldInTheOrderGiven) {
    auto dialog = Open({{"#", "01"}, {"id", "7"}, {"name", "Ann"}, {"city", ""}, {"note", "x"}});
    EXPECT_EQ(dialog->windowTitle(), "Record View");
    QTableWidget* list = List(*dialog);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->horizontalHeaderItem(0)->text(), "Column Name");
    EXPECT_EQ(list->horizontalHeaderItem(1)->text(), "Value");
    EXPECT_EQ(Column(*dialog, 0), (Texts{"#", "id", "name", "city", "note"}));
    EXPECT_EQ(Column(*dialog, 1), (Texts{"01", "7", "Ann", "", "x"}));
    EXPECT_EQ(ItemValues(*dialog), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_FALSE(list->horizontalHeader()->isSortIndicatorShown());
    // The first column fits its longest text and heading; the second takes the rest.
    EXPECT_GE(list->columnWidth(0), list->fontMetrics().horizontalAdvance("Column Name"));
    EXPECT_EQ(list->columnWidth(0) + list->columnWidth(1), list->viewport()->width());
}

// Clicks on "Value": ascending, descending, ascending. Case does not count, texts are not
// numbers, and lines that compare equal keep their order.
TEST_F(RecordDlgTest, ClickingAHeadingSortsByItsTextWithoutRegardToCase) {
    auto dialog = Open({{"n1", "b"},
                        {"n2", "10"},
                        {"n3", "9"},
                        {"n4", "B"},
                        {"n5", "a"},
                        {"n6", "\xC3\x89t\xC3\xA9"},
                        {"n7", "\xC3\xA9T\xC3\x89"},
                        {"n8", "Z"}});
    const Texts ascending{"n2", "n3", "n5", "n1", "n4", "n8", "n6", "n7"};
    const Texts descending{"n6", "n7", "n8", "n1", "n4", "n5", "n3", "n2"};
    for (const Texts* expected : {&ascending, &descending, &ascending}) {
        ClickHeading(*dialog, 1);
        EXPECT_EQ(Column(*dialog, 0), *expected);
        EXPECT_EQ(ItemValues(*dialog), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    }
    ClickHeading(*dialog, 0);
    EXPECT_EQ(Column(*dialog, 0), (Texts{"n1", "n2", "n3", "n4", "n5", "n6", "n7", "n8"}));
}

TEST_F(RecordDlgTest, ALaterRecordViewContinuesTheSortState) {
    const Fields fields{{"a", "1"}, {"b", "3"}, {"c", "2"}};
    {
        auto first = Open(fields);
        ClickHeading(*first, 1);
        EXPECT_EQ(Column(*first, 1), (Texts{"1", "2", "3"}));
    }
    auto second = Open(fields);
    EXPECT_EQ(Column(*second, 1), (Texts{"1", "3", "2"}));
    ClickHeading(*second, 1);
    EXPECT_EQ(Column(*second, 1), (Texts{"3", "2", "1"}));
}

TEST_F(RecordDlgTest, CtrlCCopiesTheSelectedLinesWithCommas) {
    auto dialog = Open({{"id", "7"}, {"name", "Ann   "}, {"note", "say \"hi\""}});
    QTableWidget* list = List(*dialog);
    EXPECT_EQ(list->item(1, 1)->text(), "Ann   ");
    SelectLines(*dialog, {2, 1});
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    ASSERT_TRUE(prompt.clipboard);
    EXPECT_EQ(*prompt.clipboard, "\"name\",\"Ann\"\r\n\"note\",\"say \"\"hi\"\"\"\r\n");

    // The selection moves with its lines when they are sorted.
    SelectLines(*dialog, {0});
    ClickHeading(*dialog, 1);
    ASSERT_EQ(Column(*dialog, 0), (Texts{"id", "name", "note"}));
    ClickHeading(*dialog, 1);
    ASSERT_EQ(Column(*dialog, 0), (Texts{"note", "name", "id"}));
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(*prompt.clipboard, "\"id\",\"7\"\r\n");

    list->clearSelection();
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(*prompt.clipboard, "");
}

// The key pressed just before decides, not whether Ctrl is held.
TEST_F(RecordDlgTest, CtrlCountsOnlyForTheNextKey) {
    auto dialog = Open({{"id", "7"}});
    QTableWidget* list = List(*dialog);
    SelectLines(*dialog, {0});
    QTest::keyPress(list, Qt::Key_Control);
    QTest::keyRelease(list, Qt::Key_Control);
    QTest::keyClick(list, Qt::Key_C);
    ASSERT_TRUE(prompt.clipboard);
    EXPECT_EQ(*prompt.clipboard, "\"id\",\"7\"\r\n");

    prompt.clipboard.reset();
    QTest::keyClick(list, Qt::Key_C);
    // Ctrl held down over two keys counts for the first of them only.
    QTest::keyPress(list, Qt::Key_Control);
    PressWithCtrlHeld(list, Qt::Key_X);
    PressWithCtrlHeld(list, Qt::Key_C);
    EXPECT_EQ(prompt.clipboard, std::nullopt);
    QTest::keyPress(list, Qt::Key_Control);
    PressWithCtrlHeld(list, Qt::Key_C);
    EXPECT_TRUE(prompt.clipboard);
    prompt.clipboard.reset();
    PressWithCtrlHeld(list, Qt::Key_C);
    EXPECT_EQ(prompt.clipboard, std::nullopt);

    // There is no select-all.
    list->clearSelection();
    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(list->selectionModel()->selectedRows().isEmpty());
}

TEST_F(RecordDlgTest, TheListKeepsEqualMarginsWhenTheDialogGrows) {
    auto dialog = Open({{"id", "7"}});
    QTableWidget* list = List(*dialog);
    dialog->resize(dialog->width() + 250, dialog->height() + 120);
    const QRect place = list->geometry();
    EXPECT_GT(place.left(), 0);
    EXPECT_GT(place.top(), 0);
    EXPECT_EQ(place.left(), dialog->width() - place.x() - place.width());
    EXPECT_EQ(place.top(), dialog->height() - place.y() - place.height());
}

}  // namespace
