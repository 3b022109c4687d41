// Script files: opening and saving them with the folder remembered between runs, clearing, the
// questions asked before text is lost or the window closes, and the editor's text as bytes.
#include "app/querimo_dlg.h"

#include "app/file_write.h"
#include "ui/editor_bytes.h"
#include "ui/result_grid_model.h"
#include "ui/text_bytes.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPlainTextEdit>

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

bool CQuerimoDlg::QuerySaveChanges() {
    if (m_strFileName.empty() || m_bSaved) {
        return true;
    }
    MessageAnswer answer =
        Ask("The file " + m_strFileName + " has changed.\nDo you want to save it now?",
            MessageButtons::YesNoCancel);
    if (answer == MessageAnswer::Cancel) {
        return false;
    }
    if (answer == MessageAnswer::Yes) {
        // Whatever the save does, even nothing, the caller goes on.
        OnSave();
    }
    return true;
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

void CQuerimoDlg::OnSave() {
    UpdateData(true);
    if (m_pConnect == nullptr || m_strSql.empty()) {
        return;
    }
    std::optional<std::string> path =
        querimo::CurrentPrompt().AskSaveFile(ScriptFileRequest("Save As"));
    if (!path) {
        return;
    }
    querimo::FileWriteResult written = querimo::WriteWholeFile(*path, m_strSql);
    if (!written.ok()) {
        // The window goes on naming the file it had: the chosen one does not hold the text.
        const char* what = written.failed == querimo::FileWriteResult::Step::Open
                               ? "Could not open file "
                               : "Could not write file ";
        ShowMessage(what + *path + " (" + GetOsErrorText(written.error) + ")", MessageIcon::Error);
        return;
    }
    m_strFileName = NamePart(*path);
    UpdateTitle();
    m_bSaved = true;
    RememberFolder(*path);
}

void CQuerimoDlg::OnClear() {
    if (!QuerySaveChanges()) {
        return;
    }
    m_strSql.clear();
    m_strFileName.clear();
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
        {querimo::ToBytes(QCoreApplication::applicationName()), text, MessageIcon::Question,
         buttons});
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
