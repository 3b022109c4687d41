#pragma once
// A script's bytes as a Qt editor can hold them, and back, without losing a byte.
//
// The editor keeps line breaks as its own separators and holds only valid Unicode. A script
// file may end its lines in CR LF and may hold bytes that are not UTF-8 (a Latin-1 file, a
// stray binary byte). Bytes the editor cannot hold as they are become characters of a
// private-use range that map back to exactly those bytes; the line-end style of the file is
// kept beside the text so that lines the person adds end the same way as the others.

#include <QString>
#include <QStringView>

#include <string>
#include <string_view>

class QTextDocument;

namespace querimo {

enum class LineEnd { Lf, CrLf };

struct EditorText {
    QString text;  // lines separated by '\n'
    LineEnd lineEnd = LineEnd::Lf;
};

// The last 256 code points of plane 16 stand for single bytes the editor cannot hold.
inline constexpr char32_t kEscapedByteBase = 0x10FF00;

constexpr bool IsEscapedByte(char32_t codePoint) {
    return codePoint >= kEscapedByteBase && codePoint <= kEscapedByteBase + 0xFF;
}

EditorText BytesToEditorText(std::string_view bytes);
std::string EditorTextToBytes(QStringView text, LineEnd lineEnd);

// The document's text with its blocks joined by '\n', every character kept as it is (unlike
// toPlainText, which turns non-breaking spaces into spaces).
QString PlainDocumentText(const QTextDocument& document);

}  // namespace querimo
