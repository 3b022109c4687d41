#pragma once
// Asks for what a chosen driver needs to connect: a database file for a file database, server,
// port, database, user and password for a server, and keyword-value pairs for any other driver.
// Every edit gives the completed connection string.

#include <QStackedWidget>

#include <functional>
#include <string>

class QLineEdit;
class QTableWidget;

namespace querimo {

enum class DriverKind { File, Server, Other };
DriverKind KindOfDriver(const std::string& driver);

class ConnectionBuilder : public QStackedWidget {
  public:
    // Object names of the fields that tests and the accessibility tree look for.
    static constexpr const char* kName = "connectionBuilder";

    explicit ConnectionBuilder(std::function<void(const std::string&)> onChanged,
                               QWidget* parent = nullptr);

    // Shows the fields of the driver's kind; an empty name shows none.
    void ShowDriver(const std::string& driver);
    std::string ConnectString() const;

  private:
    QWidget* FilePage();
    QWidget* ServerPage();
    QWidget* KeywordPage();
    QLineEdit* Field(const char* name, QWidget* page);
    void Changed();

    std::function<void(const std::string&)> m_onChanged;
    std::string m_driver;
    QLineEdit* m_file = nullptr;
    QLineEdit* m_server = nullptr;
    QLineEdit* m_port = nullptr;
    QLineEdit* m_database = nullptr;
    QLineEdit* m_user = nullptr;
    QLineEdit* m_password = nullptr;
    QTableWidget* m_keywords = nullptr;
};

}  // namespace querimo
