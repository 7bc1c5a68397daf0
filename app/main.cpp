#include "cli/CommandLine.h"
#include "pki/Texts.h"

#include <QString>

#include <cerrno>
#include <cstdio>
#include <string>
#include <unistd.h>

// The command line runs here, without the libraries of the window, whose loading would cost
// every scripted command more than its own work; the window is its own program beside this
// one.
int main(int argc, char **argv)
{
    if (IsCommandLineUse(RawArguments(argc, argv)))
        return RunCommandLine(argc, argv);
    char self[4096];
    const ssize_t size = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string window = size > 0 ? std::string(self, size_t(size)) : std::string(argv[0]);
    window = window.substr(0, window.rfind('/') + 1) + "tarvik-window";
    execv(window.c_str(), argv);
    const QString why = Texts::WindowNotStarted(QString::fromLocal8Bit(window.c_str()), errno);
    std::fprintf(stderr, "tarvik : %s\n", qUtf8Printable(why));
    return 1;
}
