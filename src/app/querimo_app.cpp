#include "app/querimo_app.h"

#include "app/querimo_dlg.h"
#include "db/odbc_connect.h"
#include "ui/prompt.h"
#include "ui/splash_wnd.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

namespace {

// QUERIMO_LOGIN_TIMEOUT, in seconds, sets how long a connection may take; a value that is not
// a number of seconds is named and the default kept.
void ApplyLoginTimeout() {
    const char* value = std::getenv("QUERIMO_LOGIN_TIMEOUT");
    if (value == nullptr || *value == '\0') {
        return;
    }
    SQLULEN seconds = 0;
    const char* end = value + std::strlen(value);
    auto [stop, error] = std::from_chars(value, end, seconds);
    if (error != std::errc() || stop != end) {
        std::fprintf(stderr,
                     "Querimo: QUERIMO_LOGIN_TIMEOUT \"%s\" is not a number of seconds; %u are "
                     "allowed\n",
                     value, static_cast<unsigned>(ODBCConnect::kDefaultLoginTimeout));
        return;
    }
    ODBCConnect::SetLoginTimeout(seconds);
}

}  // namespace

CQuerimoApp::CQuerimoApp(std::vector<std::string> arguments) : m_arguments(std::move(arguments)) {}

int CQuerimoApp::InitInstance() {
    auto started = std::chrono::steady_clock::now();
    CSplashWnd::EnableSplash(m_arguments.empty() ||
                             (m_arguments.size() == 1 && m_arguments[0].empty()));
    CSplashWnd::ShowSplash(nullptr);
    ApplyLoginTimeout();
    querimo::RouteDatabaseLayerThroughPrompt();
    auto window = std::make_unique<CQuerimoDlg>(m_arguments);
    // The splash stays up for this long; nothing is processed meanwhile.
    std::this_thread::sleep_until(started + std::chrono::milliseconds(kStartupWaitMs));
    return window->DoModal();
}
