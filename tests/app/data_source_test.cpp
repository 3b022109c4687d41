// The DataSource button: the chooser that stands in for the driver manager's prompt, the
// connection it leads to, and the connection strings it remembers.
#include "app/querimo_dlg.h"
#include "db/data_sources.h"
#include "db/odbc_connect.h"
#include "db/odbc_environment.h"
#include "support/scripted_prompt.h"
#include "support/temp_dir.h"
#include "support/test_databases.h"
#include "ui/data_source_dialog.h"
#include "ui/qt_prompt.h"
#include "ui/recent_connections.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <string>

namespace {

using Texts = std::vector<std::string>;

// Answers from its script, or lets the real chooser ask when told to.
class ChooserPrompt : public ScriptedPrompt {
  public:
    std::optional<std::string> ChooseDataSource(const std::string& inConnStr) override {
        if (!useRealChooser) {
            return ScriptedPrompt::ChooseDataSource(inConnStr);
        }
        dataSourceRequests.push_back(inConnStr);
        return querimo::QtPrompt().ChooseDataSource(inConnStr);
    }
    bool useRealChooser = false;
};

querimo::DataSourceDialog* OpenChooser() {
    return qobject_cast<querimo::DataSourceDialog*>(QApplication::activeModalWidget());
}

bool AnyChooserVisible() {
    const auto widgets = QApplication::topLevelWidgets();
    return std::any_of(widgets.begin(), widgets.end(), [](QWidget* widget) {
        return qobject_cast<querimo::DataSourceDialog*>(widget) != nullptr && widget->isVisible();
    });
}

QTreeWidgetItem* ItemNamed(querimo::DataSourceDialog& chooser, const QString& name) {
    auto* list = chooser.findChild<QTreeWidget*>(querimo::DataSourceDialog::kListName);
    const auto found = list->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
}

class DataSourceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // unixODBC keeps what it read of odbc.ini for a while: names of their own keep the
        // data sources of one test from being served to the next.
        static std::atomic<int> serial{0};
        const std::string stamp = std::to_string(getpid()) + "_" + std::to_string(++serial);
        sourceName = "QuerimoChooser" + stamp;
        otherName = "QuerimoOther" + stamp;
        std::string ini =
            dir.Write("odbc.ini",
                      "[" + sourceName + "]\nDriver=SQLite3\nDatabase=" + dir.File("a.db") + "\n[" +
                          otherName + "]\nDriver=SQLite3\nDatabase=" + dir.File("b.db") + "\n");
        setenv("ODBCINI", ini.c_str(), 1);
    }
    void TearDown() override { ODBCEnvironment::SetErrorHandler(nullptr); }

    std::unique_ptr<CQuerimoDlg> WindowConnectedTo(const std::string& name) {
        auto window = std::make_unique<CQuerimoDlg>();
        window->OnInitDialog();
        window->SetConnection(
            new ODBCConnect(nullptr, ("DSN=" + name).c_str(), SQL_DRIVER_NOPROMPT));
        EXPECT_NE(window->m_pConnect, nullptr);
        window->m_strSql = "select 42";
        window->UpdateData(false);
        return window;
    }

    static void ClickDataSource(CQuerimoDlg& window) {
        QTest::mouseClick(window.Control(IDC_DATASOURCE), Qt::LeftButton);
    }

    // Runs `chooser` on the real chooser once it is up, during the button's click.
    static void ClickDataSource(CQuerimoDlg& window,
                                const std::function<void(querimo::DataSourceDialog&)>& chooser) {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            querimo::DataSourceDialog* dialog = OpenChooser();
            ASSERT_NE(dialog, nullptr);
            ran = true;
            // Laid out as it will be seen before anything is clicked.
            QCoreApplication::sendPostedEvents();
            chooser(*dialog);
            if (dialog->isVisible()) {
                ADD_FAILURE() << "the chooser is still open";
                dialog->reject();
            }
        });
        ClickDataSource(window);
        EXPECT_TRUE(ran);
    }

    static std::string EditorText(CQuerimoDlg& window) {
        return qobject_cast<QPlainTextEdit*>(window.Control(IDC_SQL))->toPlainText().toStdString();
    }

    TempDir dir;
    ChooserPrompt prompt;
    std::string sourceName;
    std::string otherName;
};

TEST_F(DataSourceTest, CatalogListsTheUserDataSourcesAndTheInstalledDrivers) {
    ODBCDataSourceCatalog catalog = ReadDataSourceCatalog();
    auto hasSource = [&](const std::string& name) {
        return std::any_of(catalog.userSources.begin(), catalog.userSources.end(),
                           [&](const ODBCDataSourceEntry& e) {
                               return e.name == name && e.description == "SQLite3";
                           });
    };
    EXPECT_TRUE(hasSource(sourceName));
    EXPECT_TRUE(hasSource(otherName));
    for (const char* driver : {"SQLite3", "PostgreSQL ANSI", "PostgreSQL Unicode"}) {
        EXPECT_NE(std::find(catalog.drivers.begin(), catalog.drivers.end(), driver),
                  catalog.drivers.end())
            << driver;
    }
    EXPECT_TRUE(prompt.messages.empty());
}

TEST_F(DataSourceTest, CancelKeepsThePreviousConnectionAndTitle) {
    auto window = WindowConnectedTo(sourceName);
    ODBCConnect* previous = window->m_pConnect;
    const QString title = window->windowTitle();
    ClickDataSource(*window);
    EXPECT_EQ(prompt.dataSourceRequests, Texts{""});
    EXPECT_EQ(window->m_pConnect, previous);
    EXPECT_EQ(window->windowTitle(), title);
    EXPECT_EQ(EditorText(*window), "select 42");
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_TRUE(querimo::ReadRecentConnections(prompt).empty());
}

TEST_F(DataSourceTest, ChoosingADataSourceConnectsAndRemembersItWithoutThePassword) {
    struct Case {
        std::string answer;
        std::string remembered;
    };
    const Case cases[] = {
        {"DSN=" + otherName + ";PWD=secret", "DSN=" + otherName},
        {"DSN=" + otherName + ";Password=secret;UID=me", "DSN=" + otherName + ";UID=me"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        prompt.settings.clear();
        auto window = WindowConnectedTo(sourceName);
        ODBCConnect* previous = window->m_pConnect;
        prompt.dataSourceAnswers.push_back(c.answer);
        ClickDataSource(*window);
        EXPECT_NE(window->m_pConnect, previous);
        EXPECT_EQ(window->windowTitle().toStdString(), "Querimo -- " + otherName);
        EXPECT_EQ(EditorText(*window), "select * from ?");
        EXPECT_EQ(querimo::ReadRecentConnections(prompt), Texts{c.remembered});
        for (const auto& [key, value] : prompt.settings) {
            EXPECT_EQ(value.find("cret"), std::string::npos) << value;
        }
    }
}

TEST_F(DataSourceTest, ARejectedConnectionIsReportedAndChangesNothing) {
    auto window = WindowConnectedTo(sourceName);
    ODBCConnect* previous = window->m_pConnect;
    const QString title = window->windowTitle();
    prompt.dataSourceAnswers.push_back("DSN=QuerimoNoSuchSource;PWD=x");
    ClickDataSource(*window);
    ASSERT_FALSE(prompt.messages.empty());
    EXPECT_EQ(prompt.messages[0].caption, "ODBC Error");
    EXPECT_EQ(window->m_pConnect, previous);
    EXPECT_EQ(window->windowTitle(), title);
    EXPECT_TRUE(querimo::ReadRecentConnections(prompt).empty());
}

TEST_F(DataSourceTest, RecentConnectionsKeepTheNewestFirstWithoutRepeats) {
    querimo::RememberConnection(prompt, "DSN=a");
    querimo::RememberConnection(prompt, "DSN=b;PWD=1");
    querimo::RememberConnection(prompt, "DSN=a");
    querimo::RememberConnection(prompt, "PWD=only");
    EXPECT_EQ(querimo::ReadRecentConnections(prompt), (Texts{"DSN=a", "DSN=b"}));
    for (int i = 0; i < 10; ++i) {
        querimo::RememberConnection(prompt, "DSN=n" + std::to_string(i));
    }
    Texts recent = querimo::ReadRecentConnections(prompt);
    ASSERT_EQ(recent.size(), querimo::kRecentConnectionLimit);
    EXPECT_EQ(recent.front(), "DSN=n9");
    EXPECT_EQ(recent.back(), "DSN=n2");
}

TEST_F(DataSourceTest, TheChooserOffersSourcesAndConnectsOnADoubleClick) {
    auto window = WindowConnectedTo(sourceName);
    prompt.useRealChooser = true;
    querimo::RememberConnection(prompt, "DSN=" + sourceName + ";PWD=gone");
    ClickDataSource(*window, [&](querimo::DataSourceDialog& chooser) {
        EXPECT_EQ(chooser.windowTitle(), "Select Data Source");
        EXPECT_NE(ItemNamed(chooser, "SQLite3"), nullptr);
        EXPECT_NE(ItemNamed(chooser, QString::fromStdString("DSN=" + sourceName)), nullptr);
        QTreeWidgetItem* item = ItemNamed(chooser, QString::fromStdString(otherName));
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->text(1), "SQLite3");
        QTreeWidget* list = item->treeWidget();
        list->scrollToItem(item);
        const QPoint at = list->visualItemRect(item).center();
        // The click that starts a double-click picks the item.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        EXPECT_EQ(chooser.ConnectString(), "DSN=" + otherName + ";");
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    });
    EXPECT_FALSE(AnyChooserVisible());
    EXPECT_EQ(window->windowTitle().toStdString(), "Querimo -- " + otherName);
    EXPECT_EQ(querimo::ReadRecentConnections(prompt),
              (Texts{"DSN=" + otherName + ";", "DSN=" + sourceName}));
    EXPECT_TRUE(prompt.messages.empty());
}

TEST_F(DataSourceTest, TheChoosersTypedStringIsTriedAndItsFailureShownAfterItCloses) {
    auto window = WindowConnectedTo(sourceName);
    ODBCConnect* previous = window->m_pConnect;
    prompt.useRealChooser = true;
    bool chooserGoneAtError = false;
    ClickDataSource(*window, [&](querimo::DataSourceDialog& chooser) {
        auto* text = chooser.findChild<QLineEdit*>(querimo::DataSourceDialog::kConnectStringName);
        auto* ok = chooser.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        EXPECT_FALSE(ok->isEnabled());
        QTest::keyClicks(text, "DSN=QuerimoNoSuchSource");
        EXPECT_TRUE(ok->isEnabled());
        QTest::mouseClick(ok, Qt::LeftButton);
        chooserGoneAtError = !chooser.isVisible();
    });
    EXPECT_TRUE(chooserGoneAtError);
    EXPECT_FALSE(AnyChooserVisible());
    ASSERT_FALSE(prompt.messages.empty());
    EXPECT_EQ(prompt.messages[0].caption, "ODBC Error");
    EXPECT_EQ(window->m_pConnect, previous);
    EXPECT_TRUE(querimo::ReadRecentConnections(prompt).empty());
}

TEST_F(DataSourceTest, EscapeInTheChooserIsACancel) {
    auto window = WindowConnectedTo(sourceName);
    ODBCConnect* previous = window->m_pConnect;
    prompt.useRealChooser = true;
    ClickDataSource(*window, [](querimo::DataSourceDialog& chooser) {
        QTest::keyClick(&chooser, Qt::Key_Escape);
    });
    EXPECT_EQ(window->m_pConnect, previous);
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_FALSE(AnyChooserVisible());
}

}  // namespace
