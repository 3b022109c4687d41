#pragma once
// The data source chooser that stands in for the driver manager's prompt: user and system data
// sources, installed drivers and recent connection strings, and a connection string to edit.

#include "db/data_sources.h"

#include <QDialog>

#include <string>
#include <vector>

class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace querimo {

class ConnectionBuilder;

class DataSourceDialog : public QDialog {
    Q_OBJECT
  public:
    // Object names of the parts that tests and the accessibility tree look for.
    static constexpr const char* kListName = "dataSourceList";
    static constexpr const char* kConnectStringName = "connectString";

    DataSourceDialog(const ODBCDataSourceCatalog& catalog, const std::vector<std::string>& recent,
                     const std::string& initialConnectString, QWidget* parent = nullptr);

    // The connection string as the person left it.
    std::string ConnectString() const;

  private:
    void AddGroup(const QString& title, const std::vector<QStringList>& rows, bool spanned = false);
    void OnItemChosen(QTreeWidgetItem* item);
    void UpdateOkButton();

    QTreeWidget* m_list = nullptr;
    QLineEdit* m_connectString = nullptr;
    QPushButton* m_okButton = nullptr;
    ConnectionBuilder* m_builder = nullptr;
};

}  // namespace querimo
