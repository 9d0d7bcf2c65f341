// Measures what a chat log that grows all evening costs: the time to append each thousand
// lines, and resident memory against the text received. Appending the 100,000th line should
// cost about what the 1,000th did, and memory should stop growing once the log holds as much
// as it keeps (20,000 lines or 8 MB).
//
//   QT_QPA_PLATFORM=offscreen chat_log_append [lines] [bytes per line]

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "client/ui/chat_log.h"
#include "protocol/cp932.h"

namespace {

long ResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string field;
    while (status >> field) {
        if (field == "VmRSS:") {
            long kilobytes = 0;
            status >> kilobytes;
            return kilobytes;
        }
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const int lines = argc > 1 ? std::atoi(argv[1]) : 100000;
    vesk::ChatLog log([](vesk::ChatCommand) {}, nullptr);
    log.resize(600, 400);
    log.show();
    QApplication::processEvents();

    std::string line = vesk::Cp932FromUtf8("アヤ：ころりんこ。。。2D[6]+3 = 4+2+3 = 9");
    // Longer lines, as a flood brings them, padded with "x".
    const std::size_t length = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 0;
    if (line.size() < length) line.resize(length, 'x');
    line += "\r\n";
    const long startKilobytes = ResidentKilobytes();
    std::printf("%9s %16s %12s %12s\n", "lines", "us per line", "text KiB", "RSS +KiB");
    QElapsedTimer batch;
    batch.start();
    for (int n = 1; n <= lines; ++n) {
        log.Append(line);
        if (n % 1000 == 0) {
            // The window repaints between batches, as it does between lines on an evening.
            QApplication::processEvents();
            const double perLine = batch.nsecsElapsed() / 1000.0 / 1000;
            if (n == 1000 || n % 10000 == 0) {
                std::printf("%9d %16.1f %12ld %12ld\n", n, perLine,
                            static_cast<long>(line.size()) * n / 1024,
                            ResidentKilobytes() - startKilobytes);
            }
            batch.restart();
        }
    }
    return 0;
}
