#pragma once
// Upgrade progress for people: on a terminal one bar per port, kept at the
// bottom with the messages scrolling above it; otherwise plain lines.

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace gimbalctl {

class ProgressView {
public:
    // With several ports every line names its port. columns gives the
    // terminal's width at each redraw; by default that of `out`, asked anew
    // each time so that the bars follow a resized window.
    ProgressView(std::vector<std::string> ports, bool terminal, std::FILE* out = stdout,
                 std::function<int()> columns = {});

    void progress(std::size_t port, int value, int maximum);
    void message(std::size_t port, const std::string& line);

    // Ports that come and go (the station): a new bar, which may take the
    // place of one removed; from then on every line names its port.
    std::size_t addPort(const std::string& port);
    void removePort(std::size_t port);
    // A line above the bars that names no port.
    void line(const std::string& text);
    // A line kept below the bars on a terminal (the station's tally).
    void setFooter(const std::string& text);
    // Leaves the bars as they are and moves below them.
    void finish();

private:
    struct Bar {
        std::string port;
        int value = 0;
        int maximum = 0;
        bool shown = false;
        bool removed = false;
    };
    std::string barLine(const Bar& bar, int columns) const;
    std::string prefix(std::size_t port) const;
    void eraseBars();
    void drawBars();

    std::vector<Bar> bars_;
    bool terminal_;
    std::FILE* out_;
    std::function<int()> columns_;
    bool named_;          // lines and bars name their port
    std::string footer_;  // below the bars, or none
    int drawn_ = 0;       // lines on the screen below the messages
};

}  // namespace gimbalctl
