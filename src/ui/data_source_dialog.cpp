#include "ui/data_source_dialog.h"

#include "ui/connection_builder.h"
#include "ui/text_bytes.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace querimo {

namespace {

// Columns of a row: shown name, shown description, connection string it stands for.
enum Column { kName, kDescription };
constexpr int kConnectStringRole = Qt::UserRole;
constexpr int kDriverRole = Qt::UserRole + 1;
constexpr int kNameColumnWidth = 240;

QStringList SourceRow(const ODBCDataSourceEntry& entry) {
    return {ToQString(entry.name), ToQString(entry.description),
            ToQString("DSN=" + entry.name + ";")};
}

std::vector<QStringList> SourceRows(const std::vector<ODBCDataSourceEntry>& entries) {
    std::vector<QStringList> rows;
    for (const auto& entry : entries) {
        rows.push_back(SourceRow(entry));
    }
    return rows;
}

std::vector<QStringList> DriverRows(const std::vector<std::string>& drivers) {
    std::vector<QStringList> rows;
    for (const auto& driver : drivers) {
        // The fourth field names the driver whose fields the builder shows.
        rows.push_back({ToQString(driver), QString(), ToQString("DRIVER={" + driver + "};"),
                        ToQString(driver)});
    }
    return rows;
}

// The string over as many lines as it needs, each broken after a ';', so that it shows whole.
QString Wrapped(const QString& text) {
    constexpr qsizetype kLineLength = 80;
    QString wrapped;
    qsizetype lineStart = 0;
    const QStringList pieces = text.split(QLatin1Char(';'));
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (wrapped.size() > lineStart &&
            wrapped.size() - lineStart + pieces[i].size() > kLineLength) {
            wrapped += QLatin1Char('\n');
            lineStart = wrapped.size();
        }
        wrapped += pieces[i] + (i + 1 < pieces.size() ? QStringLiteral(";") : QString());
    }
    return wrapped;
}

std::vector<QStringList> RecentRows(const std::vector<std::string>& recent) {
    std::vector<QStringList> rows;
    for (const auto& connectString : recent) {
        QString text = ToQString(connectString);
        rows.push_back({Wrapped(text), QString(), text});
    }
    return rows;
}

}  // namespace

DataSourceDialog::DataSourceDialog(const ODBCDataSourceCatalog& catalog,
                                   const std::vector<std::string>& recent,
                                   const std::string& initialConnectString, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Select Data Source"));
    resize(680, 560);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QString::fromLatin1(kListName));
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Description")});
    m_list->setRootIsDecorated(false);
    m_list->header()->resizeSection(kName, kNameColumnWidth);
    m_list->header()->setStretchLastSection(true);
    // A recent string is shown whole, across both columns and over as many lines as it needs,
    // so that two connections differing only at their end can be told apart.
    AddGroup(QStringLiteral("Recent connections"), RecentRows(recent), true);
    AddGroup(QStringLiteral("User data sources"), SourceRows(catalog.userSources));
    AddGroup(QStringLiteral("System data sources"), SourceRows(catalog.systemSources));
    AddGroup(QStringLiteral("Drivers"), DriverRows(catalog.drivers));
    m_list->expandAll();

    m_builder = new ConnectionBuilder(
        [this](const std::string& text) { m_connectString->setText(ToQString(text)); }, this);

    auto* label = new QLabel(QStringLiteral("&Connection string:"), this);
    m_connectString = new QLineEdit(ToQString(initialConnectString), this);
    m_connectString->setObjectName(QString::fromLatin1(kConnectStringName));
    label->setBuddy(m_connectString);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_okButton = buttons->button(QDialogButtonBox::Ok);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_builder);
    layout->addWidget(label);
    layout->addWidget(m_connectString);
    layout->addWidget(buttons);

    connect(m_list, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { OnItemChosen(item); });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (item != nullptr && item->data(kName, kConnectStringRole).isValid()) {
            OnItemChosen(item);
            accept();
        }
    });
    connect(m_connectString, &QLineEdit::textChanged, this, [this] { UpdateOkButton(); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    UpdateOkButton();
    m_list->setFocus();
}

std::string DataSourceDialog::ConnectString() const {
    return ToBytes(m_connectString->text().trimmed());
}

// A group without entries is left out, so an empty list never looks like a broken one.
void DataSourceDialog::AddGroup(const QString& title, const std::vector<QStringList>& rows,
                                bool spanned) {
    if (rows.empty()) {
        return;
    }
    auto* group = new QTreeWidgetItem(m_list, {title});
    group->setFlags(Qt::ItemIsEnabled);
    QFont bold = group->font(kName);
    bold.setBold(true);
    group->setFont(kName, bold);
    group->setFirstColumnSpanned(true);
    for (const QStringList& row : rows) {
        auto* item = new QTreeWidgetItem(group, {row[0], row[1]});
        item->setData(kName, kConnectStringRole, row[2]);
        item->setToolTip(kName, row[2]);
        if (row.size() > 3) {
            item->setData(kName, kDriverRole, row[3]);
        }
        item->setFirstColumnSpanned(spanned);
    }
}

void DataSourceDialog::OnItemChosen(QTreeWidgetItem* item) {
    if (item == nullptr) {
        return;
    }
    QVariant connectString = item->data(kName, kConnectStringRole);
    if (connectString.isValid()) {
        m_connectString->setText(connectString.toString());
    }
    m_builder->ShowDriver(ToBytes(item->data(kName, kDriverRole).toString()));
}

void DataSourceDialog::UpdateOkButton() {
    m_okButton->setEnabled(!m_connectString->text().trimmed().isEmpty());
}

}  // namespace querimo
