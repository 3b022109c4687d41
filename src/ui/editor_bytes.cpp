#include "ui/editor_bytes.h"

#include <QTextDocument>

namespace querimo {

namespace {

constexpr char32_t kParagraphSeparator = 0x2029;

// Characters that QTextDocument turns into block or frame boundaries.
bool DocumentCannotHold(char32_t codePoint) {
    return codePoint == '\r' || codePoint == kParagraphSeparator || codePoint == 0xFDD0 ||
           codePoint == 0xFDD1 || IsEscapedByte(codePoint);
}

bool IsContinuation(unsigned char byte, unsigned char low = 0x80, unsigned char high = 0xBF) {
    return byte >= low && byte <= high;
}

// Length of the well-formed UTF-8 sequence at the start of rest, or 0 if there is none.
std::size_t SequenceLength(std::string_view rest) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(rest[i]); };
    unsigned char lead = byte(0);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                         : lead >= 0xE0 && lead <= 0xEF ? 3
                         : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                        : 0;
    if (length == 0 || rest.size() < length) {
        return 0;
    }
    // The second byte's range excludes overlong forms, surrogates and code points past U+10FFFF.
    unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    if (!IsContinuation(byte(1), low, high)) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (!IsContinuation(byte(i))) {
            return 0;
        }
    }
    return length;
}

char32_t DecodeSequence(std::string_view sequence) {
    auto byte = [&](std::size_t i) { return static_cast<char32_t>(sequence[i]) & 0xFF; };
    switch (sequence.size()) {
        case 1:
            return byte(0);
        case 2:
            return (byte(0) & 0x1F) << 6 | (byte(1) & 0x3F);
        case 3:
            return (byte(0) & 0x0F) << 12 | (byte(1) & 0x3F) << 6 | (byte(2) & 0x3F);
        default:
            return (byte(0) & 0x07) << 18 | (byte(1) & 0x3F) << 12 | (byte(2) & 0x3F) << 6 |
                   (byte(3) & 0x3F);
    }
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

void AppendUtf8(std::string& bytes, char32_t codePoint) {
    if (codePoint < 0x80) {
        bytes += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        bytes += static_cast<char>(0xC0 | codePoint >> 6);
        bytes += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        bytes += static_cast<char>(0xE0 | codePoint >> 12);
        bytes += static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
        bytes += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        bytes += static_cast<char>(0xF0 | codePoint >> 18);
        bytes += static_cast<char>(0x80 | (codePoint >> 12 & 0x3F));
        bytes += static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
        bytes += static_cast<char>(0x80 | (codePoint & 0x3F));
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
        std::size_t length = SequenceLength(bytes.substr(i));
        if (length == 0) {
            AppendEscaped(result.text, bytes.substr(i, 1));
            i += 1;
            continue;
        }
        std::string_view sequence = bytes.substr(i, length);
        char32_t codePoint = DecodeSequence(sequence);
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
