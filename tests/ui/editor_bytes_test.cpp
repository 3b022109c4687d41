#include "ui/editor_bytes.h"

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QTextCursor>

#include <string>

namespace {

using querimo::BytesToEditorText;
using querimo::EditorTextToBytes;
using querimo::LineEnd;

// The bytes after a trip through a real editor that nobody touched.
std::string ThroughEditor(const std::string& bytes) {
    querimo::EditorText shown = BytesToEditorText(bytes);
    QPlainTextEdit editor;
    editor.setPlainText(shown.text);
    return EditorTextToBytes(querimo::PlainDocumentText(*editor.document()), shown.lineEnd);
}

std::string Utf8(char32_t codePoint) {
    return QString::fromUcs4(&codePoint, 1).toStdString();
}

TEST(EditorBytesTest, EveryKindOfScriptComesBackByteForByte) {
    std::string allBytes;
    for (int byte = 0; byte < 256; ++byte) {
        allBytes += static_cast<char>(byte);
    }
    const std::string cases[] = {
        "",
        "select 1",
        "select 1\nfrom t\n",
        "select 1\r\nfrom t\r\n",
        "mixed\r\nline\nends\r\n",
        "lone\rcarriage\r\rreturns\r\r\n",
        "\n\n\r\n",
        "caf\xE9 na\xEFve\n",                                // Latin-1
        "Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x98\x80",  // valid UTF-8
        "cut \xE2\x82",                                      // truncated sequence
        "overlong \xC0\xAF \xE0\x80\xAF",
        "surrogate \xED\xA0\x80",
        "past the end \xF4\x90\x80\x80 \xF8\x88\x80\x80\x80",
        std::string("nul\0byte", 8),
        "paragraph \xE2\x80\xA9 line \xE2\x80\xA8 separators",
        "frame marks \xEF\xB7\x90\xEF\xB7\x91",
        "escape range \xF4\x8F\xBC\x80 \xF4\x8F\xBF\xBF",
        "\xEF\xBB\xBF"
        "bom and nbsp\xC2\xA0here",
        allBytes,
    };
    for (const std::string& bytes : cases) {
        EXPECT_EQ(ThroughEditor(bytes), bytes) << testing::PrintToString(bytes);
    }
}

// Every Unicode character a file can hold either shows as itself or as escaped bytes, and the
// editor keeps what it shows.
TEST(EditorBytesTest, EveryCodePointSurvivesTheEditor) {
    std::string bytes;
    for (char32_t codePoint = 1; codePoint <= 0x10FFFF; ++codePoint) {
        if (codePoint < 0xD800 || codePoint > 0xDFFF) {
            bytes += Utf8(codePoint);
        }
    }
    EXPECT_TRUE(ThroughEditor(bytes) == bytes);
}

TEST(EditorBytesTest, LineEndStyleIsCrLfOnlyWhenEveryLineFeedHasItsReturn) {
    struct Case {
        const char* bytes;
        LineEnd lineEnd;
    };
    for (const Case& test :
         {Case{"a\r\nb\r\n", LineEnd::CrLf}, Case{"a\r\nb", LineEnd::CrLf},
          Case{"a\nb", LineEnd::Lf}, Case{"a\r\nb\n", LineEnd::Lf}, Case{"\na\r\n", LineEnd::Lf},
          Case{"", LineEnd::Lf}, Case{"a\rb", LineEnd::Lf}}) {
        EXPECT_EQ(BytesToEditorText(test.bytes).lineEnd, test.lineEnd) << test.bytes;
    }
}

TEST(EditorBytesTest, ShowsLineBreaksAndTextAsAPersonReadsThem) {
    struct Case {
        std::string bytes;
        QString shown;
    };
    const QString escapedE9 = QString::fromUcs4(U"\U0010FFE9");
    const QString escapedCr = QString::fromUcs4(U"\U0010FF0D");
    for (const Case& test : {
             Case{"a\r\nb\r\n", "a\nb\n"},
             Case{"a\nb\r\n", "a\nb" + escapedCr + "\n"},
             Case{"Gr\xC3\xBC\xC3\x9F", QString::fromUtf8("Gr\xC3\xBC\xC3\x9F")},
             Case{"caf\xE9", "caf" + escapedE9},
         }) {
        EXPECT_EQ(BytesToEditorText(test.bytes).text, test.shown)
            << testing::PrintToString(test.bytes);
    }
}

TEST(EditorBytesTest, LinesAddedByThePersonEndLikeTheFilesLines) {
    for (const std::string& file : {std::string("a\r\nb\r\n"), std::string("a\nb\n")}) {
        querimo::EditorText shown = BytesToEditorText(file);
        QPlainTextEdit editor;
        editor.setPlainText(shown.text);
        editor.moveCursor(QTextCursor::End);
        editor.insertPlainText("c\nd\n");
        std::string lineEnd = shown.lineEnd == LineEnd::CrLf ? "\r\n" : "\n";
        EXPECT_EQ(EditorTextToBytes(querimo::PlainDocumentText(*editor.document()), shown.lineEnd),
                  file + "c" + lineEnd + "d" + lineEnd);
    }
}

TEST(EditorBytesTest, DocumentTextKeepsWhatPlainTextWouldChange) {
    QPlainTextEdit editor;
    QString text = QString::fromUtf8(
        "a\xC2\xA0"
        "b\nc");
    editor.setPlainText(text);
    EXPECT_EQ(querimo::PlainDocumentText(*editor.document()), text);
}

}  // namespace
