#pragma once
// The program keeps every text as bytes; Qt strings exist only at the widget boundary.

#include <QString>

#include <string>

namespace querimo {

// Bytes in the program's 8-bit set (UTF-8) to a widget string; invalid bytes show as U+FFFD.
QString ToQString(const std::string& bytes);
std::string ToBytes(const QString& text);

// Turns the "description|pattern|...||" notation of file filters into Qt's ";;" list. Qt takes
// the patterns from the entry's last parentheses, so each description is followed by its own
// patterns in Qt's form ("*.csv *.txt"), "*.*" standing for every file as it did.
QString ToQtFileFilter(const std::string& filter);
// The extension the first pattern of a Qt filter entry names ("htm" for "*.htm"), or fallback
// when it names none.
QString FilterSuffix(const QString& qtFilterEntry, const QString& fallback);

}  // namespace querimo
