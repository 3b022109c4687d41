// querimo: the desktop query tool, or with an output file an unattended export.
#include "app/command_line.h"
#include "app/querimo_app.h"
#include "app/usage.h"

#include <QApplication>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The exit code of a run that cannot start.
constexpr int kCannotStart = -2;

bool s_starting = true;
QtMessageHandler s_qtHandler = nullptr;

void DiscardQtMessages(QtMsgType, const QMessageLogContext&, const QString&) {}

// Without a display Qt's start-up ends the process with an abort and a core dump; a script or
// cron job that forgot its output file deserves a reason and an exit code instead.
void EndWithoutDisplay(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg && s_starting) {
        std::fputs(
            "Querimo: No display to show the window on (DISPLAY and WAYLAND_DISPLAY are unset or "
            "cannot be reached). Give an output file to run unattended.\n",
            stderr);
        std::_Exit(kCannotStart);
    }
    if (s_qtHandler != nullptr) {
        s_qtHandler(type, context, text);
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (std::optional<std::string> information = querimo::InformationRequest(arguments)) {
        std::fputs(information->c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (querimo::ParseCommandLine(arguments).IsBatchRun()) {
        // A batch run needs no display and prints nothing of its own.
        if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        qInstallMessageHandler(DiscardQtMessages);
    } else {
        s_qtHandler = qInstallMessageHandler(EndWithoutDisplay);
    }
    QApplication application(argc, argv);
    s_starting = false;
    // Numbers are written and read with a point whatever the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    return CQuerimoApp(std::move(arguments)).InitInstance();
}
