// Grows the install log of the real main window line by line, with one
// RefreshLog per line as a copy makes it, and prints what the first and the
// last 1,000 refreshes cost in milliseconds. Runs on Qt's offscreen platform.
//
//     bench_log_pane [LINES] [PASSES]
//
// Each pass grows the log of a new window from empty. The time is the
// thread's CPU time, and every stretch of 100 lines counts with its least
// cost over the passes: on a shared machine other work slows whole seconds
// of a run, and that must not pass for a pane that grows dearer.

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <string>
#include <vector>

#include "app/InstallerDlg.h"

namespace {

double ThreadMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// The cost of each stretch of lines while one window's log grows to lines.
std::vector<double> GrowLog(int lines, int stretch) {
    app::CInstallerDlg dialog;
    dialog.OnShowLog();  // the window with its log pane
    dialog.show();
    install::CInstallEngine& engine = dialog.GetEngine();
    engine.AppendLog("Welcome to Orlimb's Quarvel program.\r\n\r\n");
    dialog.RefreshLog();
    QApplication::processEvents();

    std::vector<double> costs(static_cast<std::size_t>(lines / stretch), 0.0);
    for (int line = 0; line < lines; ++line) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "/home/player/.local/share/Steam/steamapps/common/Half-Life/cstrike/"
                      "sound/pack%02d/sfx%05d.wav\r\n",
                      line % 60, line);
        engine.AppendLog(text);
        const double start = ThreadMilliseconds();
        dialog.RefreshLog();
        costs[static_cast<std::size_t>(line / stretch)] += ThreadMilliseconds() - start;
    }
    return costs;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    constexpr int kWindow = 1000;
    constexpr int kStretch = 100;
    const int lines = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int passes = argc > 2 ? std::atoi(argv[2]) : 5;
    if (lines < 2 * kWindow || lines % kStretch != 0 || passes < 1) {
        std::fprintf(stderr,
                     "usage: bench_log_pane [LINES >= %d, a multiple of %d] [PASSES >= 1]\n",
                     2 * kWindow, kStretch);
        return 2;
    }

    std::vector<double> least(static_cast<std::size_t>(lines / kStretch),
                              std::numeric_limits<double>::max());
    for (int pass = 0; pass < passes; ++pass) {
        const std::vector<double> costs = GrowLog(lines, kStretch);
        for (std::size_t i = 0; i < least.size(); ++i) {
            least[i] = std::min(least[i], costs[i]);
        }
    }
    double first = 0;
    double last = 0;
    constexpr std::size_t kStretches = kWindow / kStretch;
    for (std::size_t i = 0; i < kStretches; ++i) {
        first += least[i];
        last += least[least.size() - kStretches + i];
    }
    std::printf("%.3f %.3f\n", first, last);
    return 0;
}
