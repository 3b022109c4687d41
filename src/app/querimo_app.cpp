#include "app/querimo_app.h"

#include "app/querimo_dlg.h"
#include "ui/prompt.h"
#include "ui/splash_wnd.h"

#include <chrono>
#include <memory>
#include <thread>

CQuerimoApp::CQuerimoApp(std::vector<std::string> arguments) : m_arguments(std::move(arguments)) {}

int CQuerimoApp::InitInstance() {
    auto started = std::chrono::steady_clock::now();
    CSplashWnd::EnableSplash(m_arguments.empty() ||
                             (m_arguments.size() == 1 && m_arguments[0].empty()));
    CSplashWnd::ShowSplash(nullptr);
    querimo::RouteDatabaseLayerThroughPrompt();
    auto window = std::make_unique<CQuerimoDlg>(m_arguments);
    // The splash stays up for this long; nothing is processed meanwhile.
    std::this_thread::sleep_until(started + std::chrono::milliseconds(kStartupWaitMs));
    return window->DoModal();
}
