// Script files: opening and saving them with the folder remembered between runs, clearing, the
// questions asked before text is lost or the window closes, and the editor's text as bytes.
#include "app/querimo_dlg.h"

#include "app/file_write.h"
#include "ui/editor_bytes.h"
#include "ui/result_grid_model.h"
#include "ui/sql_editor.h"
#include "ui/text_bytes.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QStatusBar>

using querimo::MessageAnswer;
using querimo::MessageButtons;
using querimo::MessageIcon;

namespace {

constexpr const char* kFolderSection = "FileList";
constexpr const char* kFolderKey = "LastVisited";
constexpr const char* kScriptExtension = "sql";

std::string NamePart(const std::string& path) {
    std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

// Typed text is protected whether or not it came from a file, and a save that does not happen
// stops what was about to replace or drop the text.
bool CQuerimoDlg::QuerySaveChanges() {
    if (m_bSaved || (m_strFileName.empty() && EditorText().empty())) {
        return true;
    }
    const std::string question =
        m_strFileName.empty()
            ? "The SQL text has not been saved.\nDo you want to save it now?"
            : "The file " + m_strFileName + " has changed.\nDo you want to save it now?";
    switch (Ask(question, MessageButtons::YesNoCancel)) {
        case MessageAnswer::Yes:
            return OnSave();
        case MessageAnswer::No:
            return true;
        default:
            return false;
    }
}

void CQuerimoDlg::OnOpen() {
    if (!QuerySaveChanges()) {
        return;
    }
    std::optional<std::string> path =
        querimo::CurrentPrompt().AskOpenFile(ScriptFileRequest("Open"));
    if (path && LoadScript(*path)) {
        RememberFolder(*path);
    }
}

bool CQuerimoDlg::OnSave() {
    UpdateData(true);
    if (m_pConnect == nullptr || m_strSql.empty()) {
        return false;
    }
    std::optional<std::string> path =
        querimo::CurrentPrompt().AskSaveFile(ScriptFileRequest("Save As"));
    return path && WriteScript(*path);
}

void CQuerimoDlg::SaveToCurrentFile() {
    if (m_strFilePath.empty()) {
        OnSave();
        return;
    }
    UpdateData(true);
    if (m_pConnect != nullptr && !m_strSql.empty()) {
        WriteScript(m_strFilePath);
    }
}

bool CQuerimoDlg::WriteScript(const std::string& path) {
    querimo::FileWriteResult written = querimo::WriteWholeFile(path, m_strSql);
    if (!written.ok()) {
        // The window goes on naming the file it had: the chosen one does not hold the text.
        const char* what = written.failed == querimo::FileWriteResult::Step::Open
                               ? "Could not open file "
                               : "Could not write file ";
        ShowMessage(what + path + " (" + GetOsErrorText(written.error) + ")", MessageIcon::Error);
        return false;
    }
    m_strFileName = NamePart(path);
    m_strFilePath = path;
    UpdateTitle();
    m_bSaved = true;
    RememberFolder(path);
    return true;
}

void CQuerimoDlg::OnClear() {
    if (!QuerySaveChanges()) {
        return;
    }
    m_strSql.clear();
    m_strFileName.clear();
    m_strFilePath.clear();
    m_bSaved = true;
    UpdateData(false);
    UpdateTitle();
    m_resultList->DeleteAllItems();
    m_resultList->DeleteAllColumns();
}

void CQuerimoDlg::OnExit() {
    QMetaObject::invokeMethod(
        this, [this] { close(); }, Qt::QueuedConnection);
}

bool CQuerimoDlg::OnClose() {
    if (!QuerySaveChanges()) {
        return false;
    }
    UpdateData(true);
    if (m_pConnect != nullptr && !m_strSql.empty()) {
        return Ask("Exit Querimo?", MessageButtons::YesNo) == MessageAnswer::Yes;
    }
    return true;
}

void CQuerimoDlg::closeEvent(QCloseEvent* event) {
    if (!OnClose()) {
        event->ignore();
        return;
    }
    SaveWindowState();
    QDialog::closeEvent(event);
}

void CQuerimoDlg::SetInitialFolder(querimo::FileRequest& request) {
    request.initialFolder = querimo::CurrentPrompt().ReadSetting(kFolderSection, kFolderKey);
}

void CQuerimoDlg::RememberFolder(const std::string& chosenPath) {
    std::string::size_type slash = chosenPath.rfind('/');
    if (slash == std::string::npos) {
        return;
    }
    // A file in the root folder is remembered as "/", not as the empty "no folder".
    std::string folder = slash == 0 ? std::string("/") : chosenPath.substr(0, slash);
    querimo::CurrentPrompt().WriteSetting(kFolderSection, kFolderKey, folder);
}

querimo::FileRequest CQuerimoDlg::ScriptFileRequest(const char* caption) {
    querimo::FileRequest request;
    request.caption = caption;
    request.filter = m_strFileFilter;
    request.initialName = m_strFileName;
    request.defaultSuffix = kScriptExtension;
    SetInitialFolder(request);
    return request;
}

querimo::MessageAnswer CQuerimoDlg::Ask(const std::string& text, MessageButtons buttons) {
    return querimo::CurrentPrompt().ShowMessage(
        {kMessageCaption, text, MessageIcon::Question, buttons});
}

void CQuerimoDlg::OnFind() {
    if (!m_editor->isEnabled()) {
        return;
    }
    const QString selected = m_editor->textCursor().selectedText();
    std::optional<std::string> text = querimo::CurrentPrompt().AskText(
        {"Find", "Find what:",
         selected.isEmpty() || selected.contains(QChar::ParagraphSeparator)
             ? m_findText
             : querimo::ToBytes(selected)});
    if (text && !text->empty()) {
        m_findText = *text;
        OnFindNext();
    }
}

void CQuerimoDlg::OnFindNext() {
    if (!m_editor->isEnabled()) {
        return;
    }
    if (m_findText.empty()) {
        OnFind();
        return;
    }
    if (!m_editor->FindNext(querimo::ToQString(m_findText))) {
        constexpr int kNoticeMs = 5000;
        m_statusBar->showMessage(
            QStringLiteral("Cannot find \"%1\"").arg(querimo::ToQString(m_findText)), kNoticeMs);
    }
}

void CQuerimoDlg::SetEditorText(const std::string& bytes) {
    querimo::EditorText shown = querimo::BytesToEditorText(bytes);
    m_editorLineEnd = shown.lineEnd;
    m_settingEditorText = true;
    m_editor->setPlainText(shown.text);
    m_settingEditorText = false;
}

std::string CQuerimoDlg::EditorText() const {
    return querimo::EditorTextToBytes(querimo::PlainDocumentText(*m_editor->document()),
                                      m_editorLineEnd);
}
