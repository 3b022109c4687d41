#include "window_fixture.h"

#include "ui/result_grid_model.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

using querimo::MessageAnswer;
using querimo::MessageButtons;
using querimo::MessageIcon;

constexpr const char* kChangedQuestion = "The file a.sql has changed.\nDo you want to save it now?";

class ScriptFilesTest : public WindowTest {};

TEST_F(ScriptFilesTest, ClearAfterEditingAnOpenedFileAsksFirst) {
    struct Case {
        MessageAnswer answer;
        bool cleared;
        bool savedFirst;
    };
    for (const Case& test :
         {Case{MessageAnswer::Cancel, false, false}, Case{MessageAnswer::No, true, false},
          Case{MessageAnswer::Yes, true, true}}) {
        auto window = OpenWindow();
        std::string path = dir.Write("a.sql", "select 1\n");
        OpenScript(*window, path);
        TypeAtEnd(*window, "from t");
        const QString edited = Editor(*window)->toPlainText();
        const std::string savedPath = dir.File("saved.sql");
        prompt.messages.clear();
        prompt.fileRequests.clear();
        prompt.messageAnswers = {test.answer};
        prompt.fileAnswers = {savedPath};
        Click(*window, IDC_CLEAR);

        ASSERT_EQ(prompt.messages.size(), 1u);
        EXPECT_EQ(prompt.messages[0].text, kChangedQuestion);
        EXPECT_EQ(prompt.messages[0].icon, MessageIcon::Question);
        EXPECT_EQ(prompt.messages[0].buttons, MessageButtons::YesNoCancel);
        EXPECT_EQ(prompt.messages[0].caption, QCoreApplication::applicationName().toStdString());
        EXPECT_EQ(prompt.fileRequests.size(), test.savedFirst ? 1u : 0u);
        if (test.savedFirst) {
            EXPECT_EQ(prompt.fileRequests[0].caption, "Save As");
            EXPECT_EQ(ReadFileBytes(savedPath), "select 1\nfrom t");
        }
        EXPECT_EQ(ReadFileBytes(path), "select 1\n");
        if (test.cleared) {
            EXPECT_EQ(Editor(*window)->toPlainText(), "");
            EXPECT_EQ(window->m_strFileName, "");
            EXPECT_TRUE(window->m_bSaved);
            EXPECT_EQ(window->windowTitle().toStdString(), Title());
        } else {
            EXPECT_EQ(Editor(*window)->toPlainText(), edited);
            EXPECT_EQ(window->m_strFileName, "a.sql");
            EXPECT_FALSE(window->m_bSaved);
            EXPECT_EQ(window->windowTitle().toStdString(), Title("a.sql"));
        }
    }
}

TEST_F(ScriptFilesTest, ClearEmptiesTheGridToo) {
    auto window = OpenWindow();
    window->m_resultList->AddColumn("n");
    window->m_resultList->AddLine({"1"});
    Click(*window, IDC_CLEAR);
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_EQ(window->m_resultList->LineCount(), 0);
    EXPECT_EQ(window->m_resultList->columnCount(), 0);
}

TEST_F(ScriptFilesTest, ExitAndTheCloseBoxAskOnlyWhatTheyMust) {
    struct Case {
        const char* name;
        bool connected;
        bool fromFile;
        bool empty;
        std::vector<MessageAnswer> answers;
        std::vector<std::string> asked;
        bool closed;
    };
    const Case cases[] = {
        {"unconnected", false, false, false, {}, {}, true},
        {"connected, empty editor", true, false, true, {}, {}, true},
        {"typed, no file, Yes", true, false, false, {MessageAnswer::Yes}, {"Exit Querimo?"}, true},
        {"typed, no file, No", true, false, false, {MessageAnswer::No}, {"Exit Querimo?"}, false},
        {"changed file, Cancel",
         true,
         true,
         false,
         {MessageAnswer::Cancel},
         {kChangedQuestion},
         false},
        {"changed file, No, Yes",
         true,
         true,
         false,
         {MessageAnswer::No, MessageAnswer::Yes},
         {kChangedQuestion, "Exit Querimo?"},
         true},
    };
    for (bool closeBox : {false, true}) {
        for (const Case& test : cases) {
            std::string name = std::string(test.name) + (closeBox ? " (close box)" : " (Exit)");
            auto window = OpenWindow(test.connected);
            if (test.fromFile) {
                OpenScript(*window, dir.Write("a.sql", "select 1"));
            }
            if (test.empty) {
                Editor(*window)->clear();
            } else if (test.connected) {
                TypeAtEnd(*window, " x");
            }
            prompt.messages.clear();
            prompt.messageAnswers.assign(test.answers.begin(), test.answers.end());
            if (closeBox) {
                window->close();
            } else {
                Click(*window, IDC_EXIT);
            }
            EXPECT_EQ(prompt.MessageTexts(), test.asked) << name;
            EXPECT_EQ(window->isVisible(), !test.closed) << name;
        }
    }
}

// The reason the system gives for refusing to create a file in folder, or 0 if it does not.
int CreateError(const std::string& folder) {
    std::string probe = folder + "/probe";
    int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0) {
        return errno;
    }
    ::close(fd);
    ::unlink(probe.c_str());
    return 0;
}

// A folder nobody may write into: a read-only folder, or for root one of the kernel's.
std::string UnwritableFolder(const TempDir& dir) {
    std::string folder = dir.File("read-only");
    ::mkdir(folder.c_str(), 0500);
    return CreateError(folder) != 0 ? folder : "/sys";
}

TEST_F(ScriptFilesTest, FailedSavesAreReportedAndChangeNothing) {
    struct Case {
        std::string path;
        std::string message;
        bool edited;
    };
    std::string unwritable = UnwritableFolder(dir);
    int unwritableError = CreateError(unwritable);
    ASSERT_NE(unwritableError, 0) << "no folder here refuses a new file";
    std::string notAFolder = dir.Write("plain", "");
    // Nobody reads this pipe: a save must fail at once, not wait for a reader.
    std::string pipe = dir.File("pipe.sql");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const Case cases[] = {
        {dir.File("none/x.sql"),
         "Could not open file " + dir.File("none/x.sql") + " (No such file or directory)", true},
        {notAFolder + "/x.sql", "Could not open file " + notAFolder + "/x.sql (Not a directory)",
         false},
        {unwritable + "/x.sql",
         "Could not open file " + unwritable + "/x.sql (" + std::strerror(unwritableError) + ")",
         true},
        {pipe, "Could not open file " + pipe + " (No such device or address)", true},
        {"/dev/full", "Could not write file /dev/full (No space left on device)", true},
        {"/dev/full", "Could not write file /dev/full (No space left on device)", false},
    };
    for (const Case& test : cases) {
        auto window = OpenWindow();
        OpenScript(*window, dir.Write("a.sql", "select 1"));
        if (test.edited) {
            TypeAtEnd(*window, " x");
        }
        prompt.messages.clear();
        SaveScriptAs(*window, test.path);
        ASSERT_EQ(prompt.messages.size(), 1u) << test.path;
        EXPECT_EQ(prompt.messages[0].text, test.message);
        EXPECT_EQ(prompt.messages[0].icon, MessageIcon::Error);
        EXPECT_EQ(window->windowTitle().toStdString(), Title("a.sql")) << test.path;
        EXPECT_EQ(window->m_strFileName, "a.sql") << test.path;
        EXPECT_EQ(window->m_bSaved, !test.edited) << test.path;
    }
}

TEST_F(ScriptFilesTest, SavedScriptsReadBackByteForByte) {
    const std::string scripts[] = {
        "select 1\nfrom t\n",
        "select 1\r\nfrom t\r\n",
        "select 'caf\xE9' -- na\xEFve\n",  // Latin-1 in a UTF-8 locale
        "mixed\r\nline\nends\rand no final line end",
        "select '\xE2\x82\xAC' \xFF\xFE",
    };
    int n = 0;
    for (const std::string& script : scripts) {
        auto window = OpenWindow();
        std::string original = dir.Write("in" + std::to_string(n) + ".sql", script);
        std::string copy = dir.File("out" + std::to_string(n++) + ".sql");
        OpenScript(*window, original);
        SaveScriptAs(*window, copy);
        EXPECT_EQ(ReadFileBytes(copy), script) << testing::PrintToString(script);
        EXPECT_EQ(window->windowTitle().toStdString(), Title(copy.substr(copy.rfind('/') + 1)));
        EXPECT_TRUE(window->m_bSaved);

        OpenScript(*window, copy);
        ASSERT_TRUE(window->UpdateData(true));
        EXPECT_EQ(window->m_strSql, script);
        EXPECT_TRUE(prompt.messages.empty());
    }
}

TEST_F(ScriptFilesTest, LinesAddedInTheEditorEndLikeTheFilesLines) {
    for (const std::string lineEnd : {"\n", "\r\n"}) {
        auto window = OpenWindow();
        std::string script = "select 1" + lineEnd + "from t" + lineEnd;
        OpenScript(*window, dir.Write("a.sql", script));
        TypeAtEnd(*window, "where x = 1");
        QTest::keyClick(Editor(*window), Qt::Key_Return);
        SaveScriptAs(*window, dir.File("b.sql"));
        EXPECT_EQ(ReadFileBytes(dir.File("b.sql")), script + "where x = 1" + lineEnd);
    }
}

TEST_F(ScriptFilesTest, OnlyThePersonsEditsMarkTheScriptChanged) {
    auto window = OpenWindow();
    OpenScript(*window, dir.Write("a.sql", "select 1 /* colour me */ from t"));
    window->grab();  // colours the visible lines
    window->SetConnection(new ODBCConnect(
        nullptr, SqliteConnectionString(dir.File("demo.db")).c_str(), SQL_DRIVER_NOPROMPT));
    window->grab();
    EXPECT_TRUE(window->m_bSaved);
    QTest::keyClick(Editor(*window), Qt::Key_Delete);
    EXPECT_FALSE(window->m_bSaved);
}

TEST_F(ScriptFilesTest, FileDialogsOfferTheScriptFilterNameAndExtension) {
    auto window = OpenWindow();
    OpenScript(*window, dir.Write("a.sql", "select 1"));
    SaveScriptAs(*window, dir.File("b.sql"));
    ASSERT_EQ(prompt.fileRequests.size(), 2u);
    const querimo::FileRequest& open = prompt.fileRequests[0];
    const querimo::FileRequest& save = prompt.fileRequests[1];
    EXPECT_EQ(open.caption, "Open");
    EXPECT_EQ(open.initialName, "");
    EXPECT_EQ(save.caption, "Save As");
    EXPECT_EQ(save.initialName, "a.sql");
    for (const querimo::FileRequest& request : {open, save}) {
        EXPECT_EQ(request.filter,
                  "Sql Scripts (*.sql)|*.sql|Text Files (*.txt)|*.txt|All File(s) (*.*)|*.*||");
        EXPECT_EQ(request.defaultSuffix, "sql");
    }
}

TEST_F(ScriptFilesTest, NothingToSaveAsksNothing) {
    auto window = OpenWindow();
    Editor(*window)->clear();
    Click(*window, IDC_SAVE);
    EXPECT_TRUE(prompt.fileRequests.empty());
    TypeAtEnd(*window, "select 1");
    Click(*window, IDC_SAVE);  // the dialog is cancelled
    EXPECT_EQ(prompt.fileRequests.size(), 1u);
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_EQ(window->m_strFileName, "");
    EXPECT_FALSE(window->m_bSaved);
}

TEST_F(ScriptFilesTest, OpenWithUnsavedChangesAsksAndCancelStops) {
    auto window = OpenWindow();
    OpenScript(*window, dir.Write("a.sql", "select 1"));
    TypeAtEnd(*window, " x");
    prompt.fileRequests.clear();
    prompt.messageAnswers = {MessageAnswer::Cancel};
    OpenScript(*window, dir.Write("b.sql", "select 2"));
    EXPECT_EQ(prompt.MessageTexts(), std::vector<std::string>{kChangedQuestion});
    EXPECT_TRUE(prompt.fileRequests.empty());
    EXPECT_EQ(window->m_strFileName, "a.sql");
}

TEST_F(ScriptFilesTest, FolderIsRememberedInTheSettingsFileAfterOpenAndSave) {
    std::filesystem::create_directories(dir.Path() / "first");
    std::filesystem::create_directories(dir.Path() / "second");
    auto window = OpenWindow();
    OpenScript(*window, dir.Write("first/a.sql", "select 1"));
    EXPECT_EQ(prompt.fileRequests.back().initialFolder, "");
    EXPECT_NE(SettingsFileText().find("[FileList]\nLastVisited=" + dir.File("first") + "\n"),
              std::string::npos)
        << SettingsFileText();

    SaveScriptAs(*window, dir.File("second/b.sql"));
    EXPECT_EQ(prompt.fileRequests.back().initialFolder, dir.File("first"));

    // Cancelled and failed opens leave the folder as it was.
    prompt.fileAnswers.push_back(std::nullopt);
    Click(*window, IDC_OPEN);
    OpenScript(*window, dir.File("first/missing.sql"));

    auto next = OpenWindow();
    OpenScript(*next, dir.File("second/b.sql"));
    EXPECT_EQ(prompt.fileRequests.back().initialFolder, dir.File("second"));

    next->RememberFolder("/top.sql");
    EXPECT_EQ(prompt.ReadSetting("FileList", "LastVisited"), "/");
    next->RememberFolder("relative.sql");
    EXPECT_EQ(prompt.ReadSetting("FileList", "LastVisited"), "/");
}

}  // namespace
