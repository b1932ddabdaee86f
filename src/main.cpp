#include "dialogs/QtUserInterface.h"
#include "mainwindow/Application.h"
#include "platform/Display.h"
#include "platform/Platform.h"
#include "startup/CommandLine.h"
#include "startup/HostsSession.h"
#include "startup/TerminalUserInterface.h"
#include "startup/Unattended.h"

#include <QApplication>

#include <iostream>
#include <string>
#include <vector>

namespace {

// The dialogs of an unattended run with a display. A failed save is also written to standard
// error, so that the script that started the run can tell what went wrong.
class UnattendedDialogs : public velmora::QtUserInterface {
public:
    void reportError(const std::string& message) override {
        std::cerr << "velmora: " << message << std::endl;
        QtUserInterface::reportError(message);
    }
};

// Runs an unattended mode: with the dialogs when a display can be used, otherwise on the terminal
// without starting the GUI toolkit at all.
int runUnattendedMode(int argc, char** argv, const velmora::CommandLine& command) {
    velmora::Platform& platform = velmora::systemPlatform();
    if (velmora::displayAvailable()) {
        QApplication application(argc, argv);
        UnattendedDialogs ui;
        velmora::HostsSession session(platform, ui);
        return velmora::runUnattended(command, session, std::cout, std::cerr);
    }
    velmora::TerminalUserInterface ui(std::cin, std::cerr, velmora::isTerminal(0), velmora::isTerminal(2));
    velmora::HostsSession session(platform, ui);
    return velmora::runUnattended(command, session, std::cout, std::cerr);
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    const velmora::CommandLine command = velmora::parseCommandLine(arguments);
    switch (command.mode) {
    case velmora::RunMode::Help:
        std::cout << velmora::usageText();
        return velmora::kExitDone;
    case velmora::RunMode::Version:
        std::cout << "velmora " VELMORA_VERSION "\n";
        return velmora::kExitDone;
    case velmora::RunMode::Mistake:
        std::cerr << "velmora: " << command.mistake << " (see velmora --help)" << std::endl;
        return velmora::kExitUsage;
    case velmora::RunMode::Add:
    case velmora::RunMode::RemoveAll:
    case velmora::RunMode::Remove:
        return runUnattendedMode(argc, argv, command);
    case velmora::RunMode::Window:
        break;
    }
    if (!velmora::displayAvailable()) {
        std::cerr << "velmora: no display available; the window cannot open. Without a display use the command "
                     "line, e.g. velmora --add FILE, --remove NAME or --removeall (see velmora --help)."
                  << std::endl;
        return velmora::kExitFailed;
    }
    return velmora::runWindow(argc, argv, command.noLoad);
}
