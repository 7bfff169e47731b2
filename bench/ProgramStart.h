#pragma once

// The program's start as a user starts it: its application object, profiles and main window, up
// to the window's first showing. Run in a process of its own, which it ends there: tearing down
// is no part of the start.

#include "app/Controller.h"

#include <QTest>

#include <cstdio>
#include <cstdlib>

namespace kolz::bench {

[[noreturn]] inline void startProgramAndExit(int& argc, char** argv)
{
    Controller controller(argc, argv);
    controller.window().show();
    if (!QTest::qWaitForWindowExposed(&controller.window()))
        std::_Exit(3);
    std::fflush(stdout);
    std::_Exit(0);
}

} // namespace kolz::bench
