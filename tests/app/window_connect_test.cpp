// The data source chooser: what a chosen driver asks for, a password asked for when the server
// wants one and never stored.
#include "ui/connection_string.h"
#include "ui/data_source_dialog.h"
#include "window_fixture.h"

#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>

namespace {

class WindowConnectTest : public WindowTest {};

TEST_F(WindowConnectTest, AChosenDriverAsksForWhatItNeeds) {
    ODBCDataSourceCatalog catalog;
    catalog.drivers = {"SQLite3", "PostgreSQL Unicode", "Vendor X"};
    querimo::DataSourceDialog dialog(catalog, {}, "");
    auto* list = dialog.findChild<QTreeWidget*>(querimo::DataSourceDialog::kListName);
    auto* text = dialog.findChild<QLineEdit*>(querimo::DataSourceDialog::kConnectStringName);
    auto choose = [list](const char* driver) {
        list->setCurrentItem(list->findItems(driver, Qt::MatchExactly | Qt::MatchRecursive)[0]);
    };
    choose("SQLite3");
    prompt.fileAnswers = {dir.File("a;b.db")};
    QTest::mouseClick(dialog.findChild<QPushButton*>("browse"), Qt::LeftButton);
    EXPECT_EQ(text->text().toStdString(),
              "DRIVER={SQLite3};Database={" + dir.File("a;b.db") + "};");

    choose("PostgreSQL Unicode");
    const std::pair<const char*, const char*> fields[] = {
        {"server", "db.example"}, {"port", "5433"}, {"user", "ann"}, {"password", " p}w"}};
    for (auto [name, value] : fields) {
        QTest::keyClicks(dialog.findChild<QLineEdit*>(name), value);
    }
    EXPECT_EQ(text->text(),
              "DRIVER={PostgreSQL Unicode};Server=db.example;Port=5433;UID=ann;"
              "PWD={ p}}w};");

    choose("Vendor X");
    auto* keywords = dialog.findChild<QTableWidget*>("keywords");
    keywords->setItem(0, 0, new QTableWidgetItem("Host"));
    keywords->setItem(0, 1, new QTableWidgetItem("h"));
    EXPECT_EQ(text->text(), "DRIVER={Vendor X};Host=h;");
}

TEST_F(WindowConnectTest, AMissingPasswordIsAskedForAndNeverStored) {
    QUERIMO_REQUIRE_PG_OR_SKIP(connection, PgDriver::Unicode);
    std::string password = connection.substr(connection.find("PWD=") + 4);
    password.erase(password.find(';'));
    // The test cluster trusts every role but this one, which must give its password.
    std::string withoutPassword = querimo::WithoutPassword(connection);
    withoutPassword.replace(withoutPassword.find("UID=querimo;"), 12, "UID=querimo_pw;");
    for (bool answered : {true, false}) {
        auto window = OpenWindow(false);
        prompt.textRequests.clear();
        prompt.textAnswers = {answered ? std::optional(password) : std::nullopt};
        ChooseDataSource(*window, withoutPassword);
        ASSERT_EQ(prompt.textRequests.size(), 1u);
        EXPECT_TRUE(prompt.textRequests[0].hidden);
        EXPECT_EQ(window->m_pConnect != nullptr, answered);
        // The driver's refusal is shown only when nobody gave a password.
        EXPECT_EQ(prompt.messages.size(), answered ? 0u : 1u)
            << testing::PrintToString(prompt.MessageTexts());
    }
    EXPECT_EQ(prompt.ReadSetting("RecentConnections", "Connection1"), withoutPassword);
}

// However it is written, a password never reaches the settings store or the status bar.
TEST_F(WindowConnectTest, ARecentStringKeepsNoPassword) {
    const std::string database = SqliteConnectionString(dir.File("x.db"));
    for (const char* password : {"PWD={a;b}}c};", "pwd = a;", "Password=a;"}) {
        auto window = OpenWindow(false);
        ChooseDataSource(*window, database + password);
        ASSERT_NE(window->m_pConnect, nullptr);
        EXPECT_EQ(prompt.ReadSetting("RecentConnections", "Connection1"), database);
        const QString shown = window->findChild<QLabel*>("statusConnection")->text();
        EXPECT_EQ(shown.toStdString(), "SQLite3: " + dir.File("x.db"));
    }
}

}  // namespace
