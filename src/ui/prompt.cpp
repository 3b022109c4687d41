#include "ui/prompt.h"

#include "db/notice.h"
#include "db/odbc_connect.h"
#include "ui/qt_prompt.h"

namespace querimo {

namespace {

Prompt* g_installed = nullptr;

MessageIcon IconFor(NoticeIcon icon) {
    switch (icon) {
        case NoticeIcon::Information:
            return MessageIcon::Information;
        case NoticeIcon::Exclamation:
            return MessageIcon::Warning;
        case NoticeIcon::Stop:
            return MessageIcon::Error;
    }
    return MessageIcon::None;
}

}  // namespace

Prompt& CurrentPrompt() {
    if (g_installed != nullptr) {
        return *g_installed;
    }
    static QtPrompt qtPrompt;
    return qtPrompt;
}

void InstallPrompt(Prompt* prompt) {
    g_installed = prompt;
}

void RouteDatabaseLayerThroughPrompt() {
    SetNoticeSink([](const std::string& caption, const std::string& text, NoticeIcon icon) {
        CurrentPrompt().ShowMessage({caption, text, IconFor(icon), MessageButtons::Ok});
    });
    ODBCConnect::SetPromptHook(
        [](const std::string& inConnStr) { return CurrentPrompt().ChooseDataSource(inConnStr); });
}

}  // namespace querimo
