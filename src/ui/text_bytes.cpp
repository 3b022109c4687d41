#include "ui/text_bytes.h"

#include <QStringList>

namespace querimo {

QString ToQString(const std::string& bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string ToBytes(const QString& text) {
    QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

QString ToQtFileFilter(const std::string& filter) {
    QStringList parts = ToQString(filter).split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        const QString& pattern = parts[i + 1];
        if (description.isEmpty()) {
            break;
        }
        QString qtPatterns = QString(pattern).replace(QLatin1Char(';'), QLatin1Char(' '));
        entries << (description.contains(QLatin1Char('('))
                        ? description
                        : description + QStringLiteral(" (") + qtPatterns + QStringLiteral(")"));
    }
    return entries.join(QStringLiteral(";;"));
}

}  // namespace querimo
