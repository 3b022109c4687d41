#include "ui/editor_bytes.h"

#include "db/utf8.h"

#include <QTextDocument>

namespace querimo {

namespace {

constexpr char32_t kParagraphSeparator = 0x2029;

// Characters that QTextDocument turns into block or frame boundaries.
bool DocumentCannotHold(char32_t codePoint) {
    return codePoint == '\r' || codePoint == kParagraphSeparator || codePoint == 0xFDD0 ||
           codePoint == 0xFDD1 || IsEscapedByte(codePoint);
}

void AppendCodePoint(QString& text, char32_t codePoint) {
    if (codePoint < 0x10000) {
        text.append(QChar(static_cast<char16_t>(codePoint)));
        return;
    }
    text.append(QChar(QChar::highSurrogate(codePoint)));
    text.append(QChar(QChar::lowSurrogate(codePoint)));
}

void AppendEscaped(QString& text, std::string_view bytes) {
    for (char byte : bytes) {
        AppendCodePoint(text, kEscapedByteBase + static_cast<unsigned char>(byte));
    }
}

// CR LF only when every line feed has its carriage return: a file that mixes both keeps its
// line feeds as line breaks and shows its carriage returns as escaped bytes.
LineEnd DetectLineEnd(std::string_view bytes) {
    bool anyLineFeed = false;
    for (std::size_t i = bytes.find('\n'); i != std::string_view::npos;
         i = bytes.find('\n', i + 1)) {
        if (i == 0 || bytes[i - 1] != '\r') {
            return LineEnd::Lf;
        }
        anyLineFeed = true;
    }
    return anyLineFeed ? LineEnd::CrLf : LineEnd::Lf;
}

}  // namespace

EditorText BytesToEditorText(std::string_view bytes) {
    EditorText result;
    result.lineEnd = DetectLineEnd(bytes);
    result.text.reserve(static_cast<qsizetype>(bytes.size()));
    std::size_t i = 0;
    while (i < bytes.size()) {
        if (result.lineEnd == LineEnd::CrLf && bytes.compare(i, 2, "\r\n") == 0) {
            result.text.append(QLatin1Char('\n'));
            i += 2;
            continue;
        }
        std::size_t length = Utf8SequenceLength(bytes.substr(i));
        if (length == 0) {
            AppendEscaped(result.text, bytes.substr(i, 1));
            i += 1;
            continue;
        }
        std::string_view sequence = bytes.substr(i, length);
        char32_t codePoint = DecodeUtf8(sequence);
        if (DocumentCannotHold(codePoint)) {
            AppendEscaped(result.text, sequence);
        } else {
            AppendCodePoint(result.text, codePoint);
        }
        i += length;
    }
    return result;
}

std::string EditorTextToBytes(QStringView text, LineEnd lineEnd) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    const char* lineBreak = lineEnd == LineEnd::CrLf ? "\r\n" : "\n";
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t codePoint = text[i].unicode();
        if (QChar::isHighSurrogate(codePoint) && i + 1 < text.size() &&
            text[i + 1].isLowSurrogate()) {
            codePoint = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        } else if (QChar::isSurrogate(codePoint)) {
            codePoint = QChar::ReplacementCharacter;
        }
        if (codePoint == '\n' || codePoint == kParagraphSeparator) {
            bytes += lineBreak;
        } else if (IsEscapedByte(codePoint)) {
            bytes += static_cast<char>(codePoint - kEscapedByteBase);
        } else {
            AppendUtf8(bytes, codePoint);
        }
    }
    return bytes;
}

QString PlainDocumentText(const QTextDocument& document) {
    QString text = document.toRawText();
    text.replace(QChar(QChar::ParagraphSeparator), QLatin1Char('\n'));
    return text;
}

}  // namespace querimo
