// Full devices and odd files: a write that cannot complete is an error and never a success, what
// was in a file before survives except where the file is emptied on purpose, and no file,
// however odd, hangs the program or goes unexplained.
#include "app/querimo_dlg.h"
#include "db/cmdline_err_handler.h"
#include "window_fixture.h"

#include <QPlainTextEdit>

#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

// A tmpfs of a few pages mounted for one test. Mounting needs root; tests skip without it.
class SmallTmpfs {
  public:
    SmallTmpfs(const std::string& path, std::size_t bytes) : m_path(path) {
        fs::create_directories(path);
        std::string options = "size=" + std::to_string(bytes) + ",mode=0777";
        m_mounted = ::mount("tmpfs", path.c_str(), "tmpfs", 0, options.c_str()) == 0;
        m_error = m_mounted ? 0 : errno;
    }
    ~SmallTmpfs() {
        if (m_mounted) {
            ::umount2(m_path.c_str(), MNT_DETACH);
        }
    }
    SmallTmpfs(const SmallTmpfs&) = delete;
    SmallTmpfs& operator=(const SmallTmpfs&) = delete;

    bool Mounted() const { return m_mounted; }
    const char* Error() const { return std::strerror(m_error); }
    bool MakeReadOnly() {
        return ::mount("tmpfs", m_path.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    std::string File(const std::string& name) const { return m_path + "/" + name; }
    // Takes up all the room that is left.
    void Fill() const {
        std::ofstream filler(File("filler"), std::ios::binary);
        const std::string block(4096, 'f');
        while (filler.write(block.data(), block.size())) {
        }
    }

  private:
    std::string m_path;
    bool m_mounted = false;
    int m_error = 0;
};

#define MOUNT_OR_SKIP(tmpfs)                                                    \
    if (!(tmpfs).Mounted()) {                                                   \
        GTEST_SKIP() << "cannot mount a small tmpfs here: " << (tmpfs).Error(); \
    }

struct ProcessResult {
    int exitStatus = -1;
    std::string errorOutput;
};

// The real program without a display, its standard error kept.
ProcessResult RunQuerimo(const std::vector<std::string>& arguments, const std::string& errorFile) {
    std::vector<std::string> argv{QUERIMO_BINARY};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> argvPointers;
    for (std::string& argument : argv) {
        argvPointers.push_back(argument.data());
    }
    argvPointers.push_back(nullptr);
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        std::string value = *entry;
        if (value.rfind("DISPLAY=", 0) != 0 && value.rfind("WAYLAND_DISPLAY=", 0) != 0) {
            environment.push_back(value);
        }
    }
    std::vector<char*> environmentPointers;
    for (std::string& entry : environment) {
        environmentPointers.push_back(entry.data());
    }
    environmentPointers.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    ProcessResult result;
    pid_t pid = 0;
    if (posix_spawn(&pid, QUERIMO_BINARY, &actions, nullptr, argvPointers.data(),
                    environmentPointers.data()) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    result.errorOutput = ReadFileBytes(errorFile);
    return result;
}

std::string WithoutTimes(const std::string& text) {
    static const std::regex stamp(R"((^|\n)\d\d/\d\d/\d\d \d\d:\d\d:\d\d -- )");
    return std::regex_replace(text, stamp, "$1<time> -- ");
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// Rows whose values are their numbers: about 10 bytes a CSV line, 100 an HTML row.
std::string ManyRows(int count) {
    return "script: result(n INTEGER, t VARCHAR(10)) rows(" + std::to_string(count) + ")";
}

class OddFilesTest : public WindowTest {
  protected:
    std::unique_ptr<CQuerimoDlg> OpenDriverWindow() {
        auto window = OpenWindow(false);
        window->SetConnection(
            new ODBCConnect(nullptr, TestDriverConnectionString().c_str(), SQL_DRIVER_NOPROMPT));
        EXPECT_NE(window->m_pConnect, nullptr);
        prompt.messages.clear();
        return window;
    }

    void Export(CQuerimoDlg& window, const std::string& sql, const std::string& path) {
        SetSql(window, sql);
        prompt.fileAnswers.push_back(path);
        Click(window, IDC_EXPORT);
    }

    // The batch run inside this process, as the program runs it; returns its exit code.
    static int RunBatch(const std::vector<std::string>& arguments) {
        CQuerimoDlg window(arguments);
        return window.DoModal();
    }

    std::string EditorBytes(CQuerimoDlg& window) {
        window.UpdateData(true);
        return window.m_strSql;
    }
};

// ---- Full devices ----

TEST_F(OddFilesTest, ExportToAFullDeviceIsAnErrorNeverASuccess) {
    // The format follows the name, so a link named .htm makes the full device an HTML page.
    const std::string page = dir.File("page.htm");
    fs::create_symlink("/dev/full", page);
    for (const std::string& path : {std::string("/dev/full"), page}) {
        SCOPED_TRACE(path);
        auto window = OpenDriverWindow();
        Export(*window, ManyRows(3), path);
        EXPECT_EQ(prompt.MessageTexts(), Texts{"ODBC Error -1: \"An error occurred while writing " +
                                               path + ": No space left on device\" ()"});
        EXPECT_TRUE(window->isEnabled());
    }
}

TEST_F(OddFilesTest, ExportOnAFullFileSystemKeepsWhatWasThereBefore) {
    SmallTmpfs small(dir.File("small"), 64 * 1024);
    MOUNT_OR_SKIP(small);
    auto window = OpenDriverWindow();
    // The whole output of the big query, written where there is room.
    const std::string complete = dir.File("complete.csv");
    Export(*window, ManyRows(20000), complete);
    const std::string completeCsv = ReadFileBytes(complete);
    ASSERT_GT(completeCsv.size(), 64u * 1024);

    struct Case {
        const char* name;
        bool append;
        std::string before;
    };
    for (const Case& c : {Case{"NewFile", false, ""}, Case{"Appended", true, "\"old\"\r\n1\r\n"}}) {
        SCOPED_TRACE(c.name);
        for (const fs::directory_entry& entry : fs::directory_iterator(dir.File("small"))) {
            fs::remove(entry.path());
        }
        const std::string path = small.File(std::string(c.name) + ".csv");
        if (c.append) {
            std::ofstream(path, std::ios::binary) << c.before;
        }
        window->m_bAppend = c.append;
        prompt.messages.clear();
        Export(*window, ManyRows(20000), path);
        ASSERT_EQ(prompt.messages.size(), 1u) << testing::PrintToString(prompt.MessageTexts());
        EXPECT_NE(prompt.messages[0].text.find("No space left on device"), std::string::npos);
        // The old content stays whole; what follows is the start of the new output.
        const std::string after = ReadFileBytes(path);
        ASSERT_TRUE(StartsWith(after, c.before));
        EXPECT_TRUE(StartsWith(completeCsv, after.substr(c.before.size())));
        EXPECT_GT(after.size(), c.before.size()) << "the rows that fitted are kept";
    }
    window->m_bAppend = false;
}

TEST_F(OddFilesTest, HtmlAppendOnAFullFileSystemKeepsTheEarlierTables) {
    SmallTmpfs small(dir.File("small"), 64 * 1024);
    MOUNT_OR_SKIP(small);
    auto window = OpenDriverWindow();
    const std::string page = small.File("page.htm");
    Export(*window, ManyRows(5), page);
    const std::string first = ReadFileBytes(page);
    const std::string::size_type marker = first.find("<!-- ODBCReport::Append insert position:");
    ASSERT_NE(marker, std::string::npos);

    window->m_bAppend = true;
    prompt.messages.clear();
    Export(*window, ManyRows(20000), page);
    ASSERT_EQ(prompt.messages.size(), 1u) << testing::PrintToString(prompt.MessageTexts());
    EXPECT_NE(prompt.messages[0].text.find("No space left on device"), std::string::npos);
    // The page is cut at its marker, as every append does; the tables before it stay.
    EXPECT_TRUE(StartsWith(ReadFileBytes(page), first.substr(0, marker)));
}

TEST_F(OddFilesTest, SavingAScriptOnAFullDeviceKeepsTheTextAndTheName) {
    SmallTmpfs small(dir.File("small"), 64 * 1024);
    std::vector<std::string> targets{"/dev/full"};
    if (small.Mounted()) {
        targets.push_back(small.File("big.sql"));
    }
    const std::string text = "select 1;\n" + std::string(200 * 1024, 'x');
    for (const std::string& path : targets) {
        SCOPED_TRACE(path);
        auto window = OpenDriverWindow();
        OpenScript(*window, dir.Write("named.sql", "select 2"));
        SetSql(*window, text);
        TypeAtEnd(*window, "x");
        const QString title = window->windowTitle();
        prompt.messages.clear();
        SaveScriptAs(*window, path);
        EXPECT_EQ(prompt.MessageTexts(),
                  Texts{"Could not write file " + path + " (No space left on device)"});
        EXPECT_EQ(window->windowTitle(), title);
        EXPECT_FALSE(window->m_bSaved);
        EXPECT_EQ(EditorBytes(*window), text + "x");
    }
}

TEST_F(OddFilesTest, LogOnAFullDeviceCostsOnlyItsEntry) {
    SmallTmpfs small(dir.File("small"), 16 * 1024);
    std::vector<std::string> logs{"/dev/full"};
    std::string earlier = "01/02/03 04:05:06 -- an earlier entry\n";
    if (small.Mounted()) {
        std::ofstream(small.File("run.log"), std::ios::binary) << earlier;
        small.Fill();
        logs.push_back(small.File("run.log"));
    }
    for (const std::string& log : logs) {
        SCOPED_TRACE(log);
        prompt.messages.clear();
        CCmdLineErrHandler handler;
        handler.m_logFile = log;
        EXPECT_FALSE(handler.WriteLog(std::string(8192, 'e')));
        EXPECT_EQ(prompt.MessageTexts(),
                  Texts{"Could not write log file " + log + ": No space left on device"});
        if (log != "/dev/full") {
            EXPECT_TRUE(StartsWith(ReadFileBytes(log), earlier));
        }
    }
}

TEST_F(OddFilesTest, BatchRunOnAFullDeviceEndsWith255AndSaysWhyOnStandardError) {
    const std::string sql = dir.Write("query.sql", "select 1");
    ProcessResult run = RunQuerimo(
        {"Driver=SQLite3;Database=" + dir.File("demo.db"), sql, "/dev/full"}, dir.File("stderr"));
    EXPECT_EQ(run.exitStatus, 255);
    EXPECT_NE(run.errorOutput.find("Could not write log file /dev/full: No space left on device"),
              std::string::npos)
        << run.errorOutput;
}

// ---- Odd SQL files ----

struct OddSqlFile {
    const char* name;
    // Makes the file and returns its path.
    std::string (*make)(const TempDir& dir);
    const char* reason;
};

std::string MakeFolder(const TempDir& dir) {
    fs::create_directory(dir.File("folder.sql"));
    return dir.File("folder.sql");
}

std::string MakeFifo(const TempDir& dir) {
    const std::string path = dir.File("fifo.sql");
    EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
    return path;
}

std::string MakeNulBytes(const TempDir& dir) {
    return dir.Write("nul.sql", std::string("select 1\0; drop table t", 23));
}

void PrintTo(const OddSqlFile& file, std::ostream* out) {
    *out << file.name;
}

class OddSqlFileTest : public OddFilesTest, public ::testing::WithParamInterface<OddSqlFile> {};

TEST_P(OddSqlFileTest, OpeningItSaysWhyAndChangesNothing) {
    const std::string path = GetParam().make(dir);
    auto window = OpenDriverWindow();
    const QString title = window->windowTitle();
    OpenScript(*window, path);
    EXPECT_EQ(prompt.MessageTexts(),
              Texts{"Could not open file " + path + " (" + GetParam().reason + ")"});
    EXPECT_EQ(EditorBytes(*window), "select * from ?");
    EXPECT_EQ(window->windowTitle(), title);
}

TEST_P(OddSqlFileTest, BatchRunEndsWith254AndLogsWhy) {
    const std::string path = GetParam().make(dir);
    const std::string output = dir.File("out.csv");
    EXPECT_EQ(RunBatch({TestDriverConnectionString(), path, output}), -2);
    EXPECT_EQ(WithoutTimes(ReadFileBytes(output)),
              "<time> -- Could not open file " + path + " (" + GetParam().reason + ")\n");
}

INSTANTIATE_TEST_SUITE_P(Kinds, OddSqlFileTest,
                         ::testing::Values(OddSqlFile{"Folder", MakeFolder, "Is a directory"},
                                           OddSqlFile{"Fifo", MakeFifo, "Not a regular file"},
                                           // Only the text before the NUL would reach the driver.
                                           OddSqlFile{"NulBytes", MakeNulBytes,
                                                      "Not a text file: NUL byte at offset 8"}),
                         [](const ::testing::TestParamInfo<OddSqlFile>& info) {
                             return info.param.name;
                         });

// ---- Output paths that cannot be written ----

struct OddOutput {
    const char* name;
    // Makes the output path; false when this machine cannot make it.
    bool (*make)(const TempDir& dir, std::string& path, std::unique_ptr<SmallTmpfs>& mount);
    const char* reason;
};

bool MakeFolderOutput(const TempDir& dir, std::string& path, std::unique_ptr<SmallTmpfs>&) {
    path = dir.File("out.csv");
    fs::create_directory(path);
    return true;
}

// Root writes through file modes, so a read-only mount stands in for them there.
bool MakeReadOnlyOutput(const TempDir& dir, std::string& path, std::unique_ptr<SmallTmpfs>& mount) {
    if (::geteuid() != 0) {
        path = dir.Write("out.csv", "kept");
        return ::chmod(path.c_str(), 0444) == 0;
    }
    mount = std::make_unique<SmallTmpfs>(dir.File("readonly"), 16 * 1024);
    if (!mount->Mounted()) {
        return false;
    }
    path = mount->File("out.csv");
    std::ofstream(path, std::ios::binary) << "kept";
    return mount->MakeReadOnly();
}

// Nobody reads it: rows written into it would vanish, or wait forever once it is full.
bool MakeFifoOutput(const TempDir& dir, std::string& path, std::unique_ptr<SmallTmpfs>&) {
    path = dir.File("out.csv");
    return ::mkfifo(path.c_str(), 0600) == 0;
}

bool MakeDanglingLink(const TempDir& dir, std::string& path, std::unique_ptr<SmallTmpfs>&) {
    path = dir.File("out.csv");
    fs::create_symlink(dir.File("missing-folder/out.csv"), path);
    return true;
}

void PrintTo(const OddOutput& output, std::ostream* out) {
    *out << output.name;
}

class OddOutputTest : public OddFilesTest, public ::testing::WithParamInterface<OddOutput> {
  protected:
    // What the path holds, to prove that a failure changed nothing.
    static std::string Snapshot(const std::string& path) {
        std::error_code error;
        if (fs::is_fifo(path, error)) {
            return "fifo";
        }
        if (fs::is_directory(path, error)) {
            return "folder with " +
                   std::to_string(
                       std::distance(fs::directory_iterator(path), fs::directory_iterator())) +
                   " entries";
        }
        return fs::exists(path, error) ? ReadFileBytes(path) : "<missing>";
    }
};

TEST_P(OddOutputTest, ExportSaysWhyAndChangesNothing) {
    std::string path;
    std::unique_ptr<SmallTmpfs> mount;
    if (!GetParam().make(dir, path, mount)) {
        GTEST_SKIP() << "cannot make this output here";
    }
    const std::string before = Snapshot(path);
    auto window = OpenDriverWindow();
    Export(*window, ManyRows(3), path);
    EXPECT_EQ(prompt.MessageTexts(), Texts{"ODBC Error -1: \"Could not open file " + path + " (" +
                                           GetParam().reason + ")\" ()"});
    EXPECT_EQ(Snapshot(path), before);
    EXPECT_TRUE(window->isEnabled());
}

TEST_P(OddOutputTest, BatchRunEndsWith255AndSaysWhyOnStandardError) {
    std::string path;
    std::unique_ptr<SmallTmpfs> mount;
    if (!GetParam().make(dir, path, mount)) {
        GTEST_SKIP() << "cannot make this output here";
    }
    const std::string before = Snapshot(path);
    const std::string sql = dir.Write("query.sql", "select 1");
    ProcessResult run = RunQuerimo({"Driver=SQLite3;Database=" + dir.File("demo.db"), sql, path},
                                   dir.File("stderr"));
    EXPECT_EQ(run.exitStatus, 255);
    // The log is the output path, so its line cannot be written either.
    EXPECT_NE(run.errorOutput.find("Could not open log file " + path + ": " + GetParam().reason),
              std::string::npos)
        << run.errorOutput;
    EXPECT_EQ(Snapshot(path), before);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, OddOutputTest,
    ::testing::Values(OddOutput{"Folder", MakeFolderOutput, "Is a directory"},
                      OddOutput{"ReadOnly", MakeReadOnlyOutput, "Read-only file system"},
                      OddOutput{"DanglingLink", MakeDanglingLink, "No such file or directory"},
                      OddOutput{"FifoWithoutReader", MakeFifoOutput, "No such device or address"}),
    [](const ::testing::TestParamInfo<OddOutput>& info) { return info.param.name; });

// ---- A big script ----

TEST_F(OddFilesTest, ScriptOfFiftyMegabytesOpensSavesAndRuns) {
    // A comment line of 1 KiB, fifty thousand times, after a query of the test driver.
    std::string script = "script: result(n INTEGER) row(7)\n";
    const std::string comment = "-- " + std::string(1020, 'c') + "\n";
    while (script.size() < 50 * 1024 * 1024) {
        script += comment;
    }
    const std::string path = dir.Write("big.sql", script);

    auto window = OpenDriverWindow();
    OpenScript(*window, path);
    EXPECT_EQ(prompt.MessageTexts(), Texts{});
    const std::string copy = dir.File("copy.sql");
    SaveScriptAs(*window, copy);
    EXPECT_EQ(prompt.MessageTexts(), Texts{});
    EXPECT_TRUE(ReadFileBytes(copy) == script) << "the saved copy differs";

    const std::string output = dir.File("out.csv");
    EXPECT_EQ(RunBatch({TestDriverConnectionString(), path, output}), 0);
    EXPECT_EQ(ReadFileBytes(output), "\"n\"\r\n7\r\n");
}

}  // namespace
