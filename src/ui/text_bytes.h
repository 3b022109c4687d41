#pragma once
// The program keeps every text as bytes; Qt strings exist only at the widget boundary.

#include <QString>

#include <string>

namespace querimo {

// Bytes in the program's 8-bit set (UTF-8) to a widget string; invalid bytes show as U+FFFD.
QString ToQString(const std::string& bytes);
std::string ToBytes(const QString& text);

// Turns the "description|pattern|...||" notation of file filters into Qt's ";;" list.
QString ToQtFileFilter(const std::string& filter);

}  // namespace querimo
