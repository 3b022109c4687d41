#include "ui/recent_connections.h"
#include "ui/data_source_dialog.h"

#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace {

TEST(RecentConnectionsTest, PasswordsAreLeftOut) {
    struct Case {
        const char* given;
        const char* kept;
    };
    const Case cases[] = {
        {"DSN=a;PWD=secret", "DSN=a"},
        {"DSN=a;PWD=secret;", "DSN=a;"},
        {"PWD=secret;DSN=a", "DSN=a"},
        {"DSN=a;pwd=x;Password=y;UID=u", "DSN=a;UID=u"},
        {"DSN=a; Pwd =x", "DSN=a"},
        {"DSN=a;PWD={se;c}}ret};UID=u", "DSN=a;UID=u"},
        {"DRIVER={SQLite3};Database=/tmp/pwd=1.db", "DRIVER={SQLite3};Database=/tmp/pwd=1.db"},
        {"DSN=a;PWDX=keep;XPWD=keep", "DSN=a;PWDX=keep;XPWD=keep"},
        {"PWD=only", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(querimo::WithoutPassword(c.given), c.kept) << c.given;
    }
}

TEST(DataSourceDialogTest, OffersWhatExistsAndNeedsAConnectionString) {
    ODBCDataSourceCatalog catalog;
    catalog.userSources = {{"mine", "SQLite3"}};
    catalog.drivers = {"PostgreSQL Unicode"};
    querimo::DataSourceDialog dialog(catalog, {}, "");
    auto* list = dialog.findChild<QTreeWidget*>(querimo::DataSourceDialog::kListName);
    ASSERT_NE(list, nullptr);
    QStringList groups;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        groups << list->topLevelItem(i)->text(0);
    }
    // Groups without entries are left out.
    EXPECT_EQ(groups, (QStringList{"User data sources", "Drivers"}));
    auto* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    EXPECT_FALSE(ok->isEnabled());
    list->setCurrentItem(list->topLevelItem(1)->child(0));
    EXPECT_EQ(dialog.ConnectString(), "DRIVER={PostgreSQL Unicode};");
    EXPECT_TRUE(ok->isEnabled());
    // A group heading stands for no connection and leaves the text alone.
    list->setCurrentItem(list->topLevelItem(0));
    EXPECT_EQ(dialog.ConnectString(), "DRIVER={PostgreSQL Unicode};");
    list->setCurrentItem(list->topLevelItem(0)->child(0));
    EXPECT_EQ(dialog.ConnectString(), "DSN=mine;");
}

TEST(DataSourceDialogTest, StartsWithTheGivenConnectionString) {
    querimo::DataSourceDialog dialog({}, {"DSN=recent"}, "DSN=given;UID=me");
    EXPECT_EQ(dialog.ConnectString(), "DSN=given;UID=me");
    auto* list = dialog.findChild<QTreeWidget*>(querimo::DataSourceDialog::kListName);
    ASSERT_EQ(list->topLevelItemCount(), 1);
    EXPECT_EQ(list->topLevelItem(0)->text(0), "Recent connections");
    EXPECT_EQ(list->topLevelItem(0)->child(0)->text(0), "DSN=recent");
}

}  // namespace
