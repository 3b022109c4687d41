#include "ui/qt_prompt.h"

#include "ui/data_source_dialog.h"
#include "ui/recent_connections.h"
#include "ui/text_bytes.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QSettings>

namespace querimo {

namespace {

QMessageBox::Icon ToQtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Warning:
            return QMessageBox::Warning;
        case MessageIcon::Error:
            return QMessageBox::Critical;
        case MessageIcon::Question:
            return QMessageBox::Question;
        case MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQtButtons(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case MessageButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case MessageButtons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case MessageButtons::Ok:
            break;
    }
    return QMessageBox::Ok;
}

MessageAnswer FromQtButton(int button) {
    switch (button) {
        case QMessageBox::Yes:
            return MessageAnswer::Yes;
        case QMessageBox::No:
            return MessageAnswer::No;
        case QMessageBox::Cancel:
            return MessageAnswer::Cancel;
        default:
            return MessageAnswer::Ok;
    }
}

QSettings UserSettings() {
    return QSettings(QString::fromLatin1(kSettingsOrganization),
                     QCoreApplication::applicationName());
}

std::optional<std::string> ChosenPath(const QString& path) {
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return std::string(QFile::encodeName(path).constData());
}

QString StartPath(const FileRequest& request) {
    QString folder = QFile::decodeName(request.initialFolder.c_str());
    if (request.initialName.empty()) {
        return folder;
    }
    QString name = QFile::decodeName(request.initialName.c_str());
    return folder.isEmpty() ? name : folder + QLatin1Char('/') + name;
}

// The person sees each filter's own description; its patterns list the files and the chosen one
// names the extension a typed name gets.
std::optional<std::string> RunFileDialog(const FileRequest& request, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(QApplication::activeWindow(), ToQString(request.caption), StartPath(request),
                       ToQtFileFilter(request.filter));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    const QString fallback = ToQString(request.defaultSuffix);
    // The dialog may name the chosen filter as shown, without its patterns.
    auto useFilter = [&dialog, fallback] {
        const QString shown = dialog.selectedNameFilter();
        for (const QString& filter : dialog.nameFilters()) {
            if (filter == shown || filter.startsWith(shown + QStringLiteral(" ("))) {
                dialog.setDefaultSuffix(FilterSuffix(filter, fallback));
            }
        }
    };
    useFilter();
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, useFilter);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return ChosenPath(dialog.selectedFiles().constFirst());
}

}  // namespace

MessageAnswer QtPrompt::ShowMessage(const MessageRequest& request) {
    QMessageBox box(ToQtIcon(request.icon), ToQString(request.caption), ToQString(request.text),
                    ToQtButtons(request.buttons), QApplication::activeWindow());
    return FromQtButton(box.exec());
}

std::optional<std::string> QtPrompt::AskOpenFile(const FileRequest& request) {
    return RunFileDialog(request, QFileDialog::AcceptOpen);
}

std::optional<std::string> QtPrompt::AskSaveFile(const FileRequest& request) {
    return RunFileDialog(request, QFileDialog::AcceptSave);
}

std::optional<std::string> QtPrompt::AskText(const TextRequest& request) {
    QInputDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(ToQString(request.caption));
    dialog.setLabelText(ToQString(request.label));
    dialog.setTextValue(ToQString(request.initialText));
    dialog.setTextEchoMode(request.hidden ? QLineEdit::Password : QLineEdit::Normal);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return ToBytes(dialog.textValue());
}

std::optional<std::string> QtPrompt::ChooseDataSource(const std::string& inConnStr) {
    ODBCDataSourceCatalog catalog = ReadDataSourceCatalog();
    DataSourceDialog dialog(catalog, ReadRecentConnections(CurrentPrompt()), inConnStr,
                            QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.ConnectString();
}

void QtPrompt::SetClipboardText(const std::string& bytes) {
    auto* data = new QMimeData;
    data->setData(QStringLiteral("text/plain"),
                  QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    QApplication::clipboard()->setMimeData(data);
}

std::string QtPrompt::ReadSetting(const std::string& section, const std::string& key) {
    QSettings settings = UserSettings();
    return ToBytes(
        settings.value(ToQString(section) + QLatin1Char('/') + ToQString(key)).toString());
}

void QtPrompt::WriteSetting(const std::string& section, const std::string& key,
                            const std::string& value) {
    QSettings settings = UserSettings();
    settings.setValue(ToQString(section) + QLatin1Char('/') + ToQString(key), ToQString(value));
}

void QtPrompt::BeginWaitCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtPrompt::EndWaitCursor() {
    QApplication::restoreOverrideCursor();
}

}  // namespace querimo
