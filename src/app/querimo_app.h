#pragma once
// The application: start-up wait, the main window's run, the exit code.

#include <string>
#include <vector>

class CQuerimoApp {
  public:
    explicit CQuerimoApp(std::vector<std::string> arguments);
    // Runs the whole program and returns the process exit code.
    int InitInstance();

    // How long the start-up waits before the window, counted from process start.
    static constexpr unsigned kStartupWaitMs = 1500;

  private:
    std::vector<std::string> m_arguments;
};
