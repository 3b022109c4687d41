// Script files, the questions before typed text is lost, the keys of a query tool, the export
// dialog, through the real window.
#include "ui/qt_prompt.h"
#include "window_fixture.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QListView>
#include <QStatusBar>
#include <QTableView>

namespace {

using querimo::MessageAnswer;
using WindowFilesTest = WindowTest;

TEST_F(WindowFilesTest, TypedTextIsAskedAboutBeforeItIsLost) {
    const struct {
        MessageAnswer answer;
        const char* saveAs;
        bool goesOn;
    } answers[] = {{MessageAnswer::Cancel, nullptr, false},
                   {MessageAnswer::No, nullptr, true},
                   {MessageAnswer::Yes, nullptr, false},
                   {MessageAnswer::Yes, "saved.sql", true}};
    for (const char* file : {"", "s.sql"}) {
        for (int action : {IDC_OPEN, IDC_CLEAR, IDC_EXIT}) {
            for (const auto& a : answers) {
                SCOPED_TRACE(testing::Message() << file << action << int(a.answer) << !a.saveAs);
                auto window = OpenWindow();
                if (*file != '\0') {
                    OpenScript(*window, dir.Write(file, "select 1"));
                }
                TypeAtEnd(*window, " -- typed");
                prompt.messages.clear();
                prompt.fileRequests.clear();
                prompt.messageAnswers = {a.answer, MessageAnswer::No};
                if (a.saveAs != nullptr) {
                    prompt.fileAnswers = {dir.File(a.saveAs)};
                }
                const std::string typed = Editor(*window)->toPlainText().toStdString();
                Click(*window, action);
                ASSERT_FALSE(prompt.messages.empty());
                EXPECT_EQ(prompt.messages[0].text,
                          *file ? "The file s.sql has changed.\nDo you want to save it now?"
                                : "The SQL text has not been saved.\nDo you want to save it now?");
                const auto& asked = prompt.fileRequests;
                const bool wentOn = action == IDC_OPEN
                                        ? !asked.empty() && asked.back().caption == "Open"
                                    : action == IDC_CLEAR ? Editor(*window)->toPlainText().isEmpty()
                                                          : prompt.messages.size() == 2;
                EXPECT_EQ(wentOn, a.goesOn);
                if (a.saveAs != nullptr) {
                    EXPECT_EQ(ReadFileBytes(dir.File(a.saveAs)), typed);
                }
            }
        }
    }
}

TEST_F(WindowFilesTest, KeysOfAQueryTool) {
    auto window = OpenWindow();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QPlainTextEdit* editor = Editor(*window);
    auto* grid = qobject_cast<QTableView*>(window->Control(IDC_RESULT_LIST));
    auto keys = [](int key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
    };
    SetSql(*window, "select 1 as a;\nselect 2 as b");
    editor->setFocus();
    keys(Qt::Key_F5, {});
    EXPECT_EQ(GridLines(*window), (Lines{{"01", "1"}, {"SubHeading:", "b"}, {"03", "2"}}));
    ASSERT_TRUE(editor->find("select 2 as b"));
    keys(Qt::Key_Return);
    EXPECT_EQ(GridLines(*window), (Lines{{"01", "2"}}));
    EXPECT_EQ(editor->toPlainText(), "select 1 as a;\nselect 2 as b");

    // Ctrl+S asks for a name once, then writes to that file without asking.
    prompt.fileAnswers = {dir.File("keys.sql")};
    keys(Qt::Key_S);
    TypeAtEnd(*window, ";");
    keys(Qt::Key_S);
    EXPECT_EQ(prompt.fileRequests.size(), 1u);
    EXPECT_EQ(ReadFileBytes(dir.File("keys.sql")), "select 1 as a;\nselect 2 as b;");

    // Ctrl+F asks what to find; F3 finds it again, going round the text.
    prompt.textAnswers = {"SELECT", "missing"};
    std::vector<int> found;
    for (int key : {Qt::Key_F, Qt::Key_F3, Qt::Key_F3, Qt::Key_F}) {
        keys(key, key == Qt::Key_F ? Qt::ControlModifier : Qt::NoModifier);
        found.push_back(editor->textCursor().selectionStart());
    }
    EXPECT_EQ(found, (std::vector<int>{0, 15, 0, 0}));
    EXPECT_TRUE(window->findChild<QStatusBar*>()->currentMessage().contains("missing"));

    // Zoom acts on whichever of editor and grid has the focus.
    const qreal points = editor->font().pointSizeF();
    const int lineHeight = grid->verticalHeader()->defaultSectionSize();
    keys(Qt::Key_Plus);
    EXPECT_GT(editor->font().pointSizeF(), points);
    keys(Qt::Key_0);
    grid->setFocus();
    keys(Qt::Key_Equal);
    EXPECT_EQ(editor->font().pointSizeF(), points);
    EXPECT_GT(grid->verticalHeader()->defaultSectionSize(), lineHeight);
}

TEST_F(WindowFilesTest, ScriptsComeBackByteForByte) {
    for (std::string bytes : {"select 1\r\nfrom t\r\n", "select '\xff\xfe' -- \xe9\n",
                              "a\xc2\xa0"
                              "b\r\nno line end",
                              "\r\n\r\n\r\n", "select 1\r\n"}) {
        auto window = OpenWindow();
        OpenScript(*window, dir.Write("in.sql", bytes));
        if (bytes == "select 1\r\n") {  // A line typed into a CRLF script ends the same way.
            TypeAtEnd(*window, "x");
            QTest::keyClick(Editor(*window), Qt::Key_Return);
            bytes += "x\r\n";
        }
        SaveScriptAs(*window, dir.File("out.sql"));
        EXPECT_EQ(ReadFileBytes(dir.File("out.sql")), bytes);
    }
}

// The real file dialog, asked what the Export button asks.
TEST_F(WindowFilesTest, ExportDialogListsEachFiltersFilesAndTakesItsExtension) {
    for (const char* name : {"a.csv", "b.txt", "c.html", "d.sql"}) {
        dir.Write(name, "");
    }
    auto window = OpenWindow();
    Click(*window, IDC_EXPORT);
    ASSERT_EQ(prompt.fileRequests.size(), 1u);
    querimo::FileRequest request = prompt.fileRequests[0];
    request.initialFolder = dir.Path().string();
    std::vector<QStringList> listed;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        auto* view = dialog->findChild<QListView*>("listView");
        auto list = [&](int count) {
            QStringList names;
            EXPECT_TRUE(QTest::qWaitFor(
                [&] { return view->model()->rowCount(view->rootIndex()) == count; }));
            for (int row = 0; row < count; ++row) {
                names << view->model()->index(row, 0, view->rootIndex()).data().toString();
            }
            names.sort();
            listed.push_back(names);
        };
        list(2);
        QTest::keyClick(dialog->findChild<QComboBox*>("fileTypeCombo"), Qt::Key_Down);
        list(1);
        QTest::keyClicks(dialog->findChild<QLineEdit*>("fileNameEdit"), "out");
        QTest::keyClick(dialog->findChild<QLineEdit*>("fileNameEdit"), Qt::Key_Return);
    });
    EXPECT_EQ(querimo::QtPrompt().AskSaveFile(request), dir.File("out.htm"));
    EXPECT_EQ(listed, (std::vector<QStringList>{{"a.csv", "b.txt"}, {"c.html"}}));
}

}  // namespace
