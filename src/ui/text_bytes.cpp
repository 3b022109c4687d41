#include "ui/text_bytes.h"

#include <QRegularExpression>
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
        if (description.isEmpty()) {
            break;
        }
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        patterns.replaceInStrings(QRegularExpression(QStringLiteral("^\\*\\.\\*$")),
                                  QStringLiteral("*"));
        entries << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return entries.join(QStringLiteral(";;"));
}

QString FilterSuffix(const QString& qtFilterEntry, const QString& fallback) {
    QString patterns = qtFilterEntry.mid(qtFilterEntry.lastIndexOf(QLatin1Char('(')) + 1);
    if (patterns.endsWith(QLatin1Char(')'))) {
        patterns.chop(1);
    }
    static const QRegularExpression named(QStringLiteral("^\\*\\.([A-Za-z0-9_]+)$"));
    const QRegularExpressionMatch match = named.match(patterns.section(QLatin1Char(' '), 0, 0));
    return match.hasMatch() ? match.captured(1) : fallback;
}

}  // namespace querimo
