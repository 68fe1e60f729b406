// The progress bars on a terminal of a given width: the names the README
// recommends (/dev/serial/by-id) are long, and a bar line that wraps breaks
// the redraw, which moves up one row per bar.

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <sstream>

#include "unitupgrade/ProgressView.h"

TEST(ProgressView, BarLinesFitTheTerminalAndFollowItsWidth) {
    const std::string byId = "/dev/serial/by-id/usb-Silicon_Labs_CP2102N_USB_to_UART_Bridge_";
    const std::vector<std::string> ports = {byId + "0001-if00-port0", byId + "0002-if00-port0"};
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = ::open_memstream(&buffer, &size);
    int columns = 80;
    {
        gimbalctl::ProgressView view(ports, true, out, [&] { return columns; });
        int step = 0;
        for (int width : {80, 40, 24, 200}) {
            columns = width;
            view.progress(0, ++step, 8);
            view.progress(1, step, 8);
            view.message(0, "Begin upgrade firmware...");
        }
        view.finish();
    }
    std::fclose(out);
    std::string screen(buffer, size);
    std::free(buffer);

    // Each redraw moves up over exactly the two bars it drew.
    const std::regex redraw("\x1b\\[(\\d+)F\x1b\\[J");
    for (std::sregex_iterator m(screen.begin(), screen.end(), redraw), end; m != end; ++m)
        EXPECT_EQ((*m)[1], "2");
    screen = std::regex_replace(screen, redraw, "");

    int bars = 0;
    const int widths[] = {80, 40, 24, 200};
    std::istringstream lines(screen);
    for (std::string line; std::getline(lines, line);) {
        if (line.find(": Begin upgrade") != std::string::npos) continue;  // the message
        // Two bars per redraw, three redraws per width.
        const int width = widths[bars / 6];
        const int port = bars % 2;
        ++bars;
        int shown = 0;  // columns: UTF-8 continuation bytes take none
        for (unsigned char c : line) shown += (c & 0xC0) != 0x80;
        EXPECT_LT(shown, width) << line;
        EXPECT_NE(line.find(port == 0 ? "0001-if00-port0" : "0002-if00-port0"), std::string::npos)
            << width << ": " << line;
        EXPECT_EQ(line.back(), '%') << line;
        if (width == 200) {
            EXPECT_EQ(line.rfind(ports[port], 0), 0u) << "the whole name when it fits";
        }
    }
    EXPECT_EQ(bars, 24);
}

TEST(ProgressView, PortsComeAndGoWithTheTallyKeptBelowTheirBars) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = ::open_memstream(&buffer, &size);
    {
        gimbalctl::ProgressView view({}, true, out, [] { return 80; });
        view.setFooter("units: 0 upgraded, 0 failed");
        const std::size_t first = view.addPort("/dev/a");
        view.progress(first, 1, 4);
        view.progress(view.addPort("/dev/b"), 2, 4);
        view.removePort(first);
        view.line("12:00:00 /dev/a: complete");
        view.setFooter("units: 1 upgraded, 0 failed");
        EXPECT_EQ(view.addPort("/dev/c"), first) << "the free row is taken again";
        view.progress(first, 3, 4);
        view.finish();
    }
    std::fclose(out);
    const std::string screen(buffer, size);
    std::free(buffer);

    // Every redraw moves up over exactly the rows the one before drew.
    const std::regex redraw("\x1b\\[(\\d+)F\x1b\\[J");
    std::vector<std::string> ups;
    for (std::sregex_iterator m(screen.begin(), screen.end(), redraw), end; m != end; ++m)
        ups.push_back((*m)[1]);
    EXPECT_EQ(ups, (std::vector<std::string>{"1", "2", "3", "2", "2", "2"}));
    const std::string last = screen.substr(screen.rfind("\x1b[J") + 3);
    EXPECT_EQ(last,
              "/dev/c  [######################--------] 75%\n"
              "/dev/b  [###############---------------] 50%\n"
              "units: 1 upgraded, 0 failed\n");
    EXPECT_TRUE(screen.find("12:00:00 /dev/a: complete\n") != std::string::npos);
}
