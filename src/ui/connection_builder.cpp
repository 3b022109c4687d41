#include "ui/connection_builder.h"

#include "ui/connection_string.h"
#include "ui/prompt.h"
#include "ui/text_bytes.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include <algorithm>
#include <cctype>

namespace querimo {

namespace {

enum Page { kNone, kFile, kServer, kKeywords };
constexpr int kKeywordRows = 6;
constexpr const char* kDatabaseFileFilter =
    "SQLite Databases (*.db;*.sqlite;*.sqlite3)|*.db;*.sqlite;*.sqlite3|All File(s) (*.*)|*.*||";

std::string Text(const QLineEdit* field) {
    return ToBytes(field->text().trimmed());
}

}  // namespace

DriverKind KindOfDriver(const std::string& driver) {
    std::string name = driver;
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (name.find("sqlite") != std::string::npos) {
        return DriverKind::File;
    }
    for (const char* server : {"postgres", "mysql", "mariadb", "freetds", "sql server"}) {
        if (name.find(server) != std::string::npos) {
            return DriverKind::Server;
        }
    }
    return DriverKind::Other;
}

ConnectionBuilder::ConnectionBuilder(std::function<void(const std::string&)> onChanged,
                                     QWidget* parent)
    : QStackedWidget(parent), m_onChanged(std::move(onChanged)) {
    setObjectName(QString::fromLatin1(kName));
    addWidget(new QWidget(this));
    addWidget(FilePage());
    addWidget(ServerPage());
    addWidget(KeywordPage());
    ShowDriver({});
}

QLineEdit* ConnectionBuilder::Field(const char* name, QWidget* page) {
    auto* field = new QLineEdit(page);
    field->setObjectName(QString::fromLatin1(name));
    connect(field, &QLineEdit::textEdited, this, [this] { Changed(); });
    return field;
}

QWidget* ConnectionBuilder::FilePage() {
    auto* page = new QWidget(this);
    m_file = Field("databaseFile", page);
    auto* browse = new QPushButton(QStringLiteral("&Browse..."), page);
    browse->setObjectName(QStringLiteral("browse"));
    connect(browse, &QPushButton::clicked, this, [this] {
        FileRequest request;
        request.caption = "Database File";
        request.filter = kDatabaseFileFilter;
        if (std::optional<std::string> path = CurrentPrompt().AskOpenFile(request)) {
            m_file->setText(ToQString(*path));
            Changed();
        }
    });
    auto* row = new QHBoxLayout;
    row->addWidget(m_file, 1);
    row->addWidget(browse);
    auto* label = new QLabel(QStringLiteral("Database &file:"), page);
    label->setBuddy(m_file);
    auto* form = new QFormLayout(page);
    form->setContentsMargins(0, 0, 0, 0);
    form->addRow(label, row);
    return page;
}

QWidget* ConnectionBuilder::ServerPage() {
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    form->setContentsMargins(0, 0, 0, 0);
    form->addRow(QStringLiteral("Se&rver:"), m_server = Field("server", page));
    form->addRow(QStringLiteral("P&ort:"), m_port = Field("port", page));
    form->addRow(QStringLiteral("Data&base:"), m_database = Field("database", page));
    form->addRow(QStringLiteral("&User:"), m_user = Field("user", page));
    form->addRow(QStringLiteral("Pass&word:"), m_password = Field("password", page));
    m_password->setEchoMode(QLineEdit::Password);
    return page;
}

QWidget* ConnectionBuilder::KeywordPage() {
    m_keywords = new QTableWidget(kKeywordRows, 2, this);
    m_keywords->setObjectName(QStringLiteral("keywords"));
    m_keywords->setHorizontalHeaderLabels({QStringLiteral("Keyword"), QStringLiteral("Value")});
    m_keywords->horizontalHeader()->setStretchLastSection(true);
    m_keywords->verticalHeader()->hide();
    connect(m_keywords, &QTableWidget::itemChanged, this, [this] { Changed(); });
    return m_keywords;
}

void ConnectionBuilder::ShowDriver(const std::string& driver) {
    m_driver = driver;
    const Page pages[] = {kFile, kServer, kKeywords};
    const Page page = driver.empty() ? kNone : pages[static_cast<int>(KindOfDriver(driver))];
    // The builder is as tall as the fields shown, not as the tallest page.
    for (int index = 0; index < count(); ++index) {
        const auto policy = index == page ? QSizePolicy::Preferred : QSizePolicy::Ignored;
        widget(index)->setSizePolicy(policy, policy);
    }
    setCurrentIndex(page);
    setVisible(page != kNone);
    updateGeometry();
}

std::string ConnectionBuilder::ConnectString() const {
    std::vector<std::pair<std::string, std::string>> attributes;
    switch (currentIndex()) {
        case kFile:
            attributes = {{"Database", Text(m_file)}};
            break;
        case kServer:
            attributes = {{"Server", Text(m_server)},
                          {"Port", Text(m_port)},
                          {"Database", Text(m_database)},
                          {"UID", Text(m_user)},
                          {"PWD", ToBytes(m_password->text())}};
            break;
        case kKeywords:
            for (int row = 0; row < m_keywords->rowCount(); ++row) {
                const QTableWidgetItem* keyword = m_keywords->item(row, 0);
                const QTableWidgetItem* value = m_keywords->item(row, 1);
                if (keyword != nullptr && value != nullptr) {
                    attributes.emplace_back(ToBytes(keyword->text()), ToBytes(value->text()));
                }
            }
            break;
        default:
            break;
    }
    return BuildConnectionString(m_driver, attributes);
}

void ConnectionBuilder::Changed() {
    if (!m_driver.empty()) {
        m_onChanged(ConnectString());
    }
}

}  // namespace querimo
