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

void DiscardQtMessages(QtMsgType, const QMessageLogContext&, const QString&) {}

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
    }
    QApplication application(argc, argv);
    // Numbers are written and read with a point whatever the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    return CQuerimoApp(std::move(arguments)).InitInstance();
}
