// Grows the install log of the real main window line by line, with one
// RefreshLog per line as a copy makes it, and prints what the first and the
// last 1,000 refreshes cost in milliseconds. Runs on Qt's offscreen platform.
//
//     bench_log_pane [LINES]

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/InstallerDlg.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int lines = argc > 1 ? std::atoi(argv[1]) : 10000;
    constexpr int kWindow = 1000;
    if (lines < 2 * kWindow) {
        std::fprintf(stderr, "usage: bench_log_pane [LINES >= %d]\n", 2 * kWindow);
        return 2;
    }

    app::CInstallerDlg dialog;
    dialog.OnShowLog();  // the window with its log pane, painted once
    install::CInstallEngine& engine = dialog.GetEngine();
    engine.AppendLog("Welcome to Orlimb's Quarvel program.\r\n\r\n");
    dialog.RefreshLog();
    QApplication::processEvents();

    using Clock = std::chrono::steady_clock;
    std::vector<double> costs(static_cast<std::size_t>(lines));
    for (int line = 0; line < lines; ++line) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "/home/player/.local/share/Steam/steamapps/common/Half-Life/cstrike/"
                      "sound/pack%02d/sfx%05d.wav\r\n",
                      line % 60, line);
        engine.AppendLog(text);
        const Clock::time_point start = Clock::now();
        dialog.RefreshLog();
        costs[static_cast<std::size_t>(line)] =
            std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }
    double first = 0;
    double last = 0;
    for (int i = 0; i < kWindow; ++i) {
        first += costs[static_cast<std::size_t>(i)];
        last += costs[static_cast<std::size_t>(lines - kWindow + i)];
    }
    std::printf("%.3f %.3f\n", first, last);
    return 0;
}
