#include "unitupgrade/ProgressView.h"

#include "unitupgrade/Translation.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/ioctl.h>
#endif

#include <algorithm>

namespace gimbalctl {
namespace {

constexpr int kBarWidth = 30;      // cells of a bar with room to spare
constexpr int kShortestBar = 10;   // below this the port's name gives way
constexpr int kShortestName = 16;  // "…" and the last 15 characters: serial, interface, port
constexpr int kShortestCells = 3;  // below this no bar, the name and the figure only
constexpr int kFrame = 7;          // "[", "] " and "100%"
constexpr int kDefaultColumns = 80;

// Columns a name takes: one per character (UTF-8 continuation bytes take none).
int columnsOf(const std::string& text) {
    return static_cast<int>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// The name in at most `room` columns: its end, which tells ports apart
// (/dev/serial/by-id names share their beginning), after "…".
std::string shortened(const std::string& name, int room) {
    if (columnsOf(name) <= room) return name;
    std::size_t start = name.size();
    for (int kept = 0; start > 0 && kept < room - 1;) {
        --start;
        if ((static_cast<unsigned char>(name[start]) & 0xC0) != 0x80) ++kept;
    }
    return "\u2026" + name.substr(start);
}

int columnsOfTerminal(std::FILE* out) {
#ifdef _WIN32
    CONSOLE_SCREEN_BUFFER_INFO info{};
    HANDLE console = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(out)));
    if (::GetConsoleScreenBufferInfo(console, &info)) {
        return info.srWindow.Right - info.srWindow.Left + 1;
    }
    return kDefaultColumns;
#else
    winsize size{};
    if (::ioctl(::fileno(out), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return kDefaultColumns;
#endif
}

}  // namespace

ProgressView::ProgressView(std::vector<std::string> ports, bool terminal, std::FILE* out,
                           std::function<int()> columns)
    : terminal_(terminal), out_(out), columns_(std::move(columns)), named_(ports.size() > 1) {
    for (std::string& port : ports) bars_.push_back(Bar{std::move(port)});
    if (!columns_) columns_ = [out] { return columnsOfTerminal(out); };
}

std::string ProgressView::prefix(std::size_t port) const {
    return named_ ? bars_[port].port + ": " : std::string();
}

// A bar line never reaches the last column, where a terminal would wrap it
// and the redraw would lose count of the rows. The bar shrinks first, then
// the port's name, then the bar goes.
std::string ProgressView::barLine(const Bar& bar, int columns) const {
    const int room = columns - 1;
    const int maximum = std::max(bar.maximum, 1);
    const std::string figure = std::to_string(bar.value * 100 / maximum) + "%";
    const bool named = named_;
    std::string name = named ? bar.port : std::string();
    const int gap = named ? 2 : 0;
    int cells = std::min(kBarWidth, room - kFrame - gap - columnsOf(name));
    if (cells < kShortestBar && named) {
        name = shortened(name, std::max(kShortestName, room - kFrame - gap - kShortestBar));
        cells = std::min(kBarWidth, room - kFrame - gap - columnsOf(name));
    }

    std::string line = named ? name + std::string(gap, ' ') : std::string();
    if (cells >= kShortestCells) {
        const int filled = bar.value * cells / maximum;
        line += "[" + std::string(filled, '#') + std::string(cells - filled, '-') + "] ";
    }
    line += figure;
    if (columnsOf(line) > room) line = columnsOf(figure) <= room ? figure : std::string();
    return line;
}

void ProgressView::eraseBars() {
    if (drawn_ > 0)
        std::fprintf(out_, "\x1b[%dF\x1b[J", drawn_);  // up to the first bar, clear below
    drawn_ = 0;
}

void ProgressView::drawBars() {
    const int columns = columns_();
    drawn_ = 0;
    for (const Bar& bar : bars_) {
        if (bar.removed) continue;
        std::fprintf(out_, "%s\n", barLine(bar, columns).c_str());
        ++drawn_;
    }
    if (!footer_.empty()) {
        std::fprintf(out_, "%s\n", footer_.c_str());
        ++drawn_;
    }
    std::fflush(out_);
}

void ProgressView::progress(std::size_t port, int value, int maximum) {
    value = std::clamp(value, 0, std::max(maximum, 1));  // the last reports pass the maximum
    Bar& bar = bars_[port];
    if (bar.shown && bar.value == value && bar.maximum == maximum) return;
    bar.value = value;
    bar.maximum = maximum;
    bar.shown = true;
    if (terminal_) {
        eraseBars();
        drawBars();
    } else {
        std::fprintf(out_, "%sprogress %d/%d\n", prefix(port).c_str(), value, maximum);
        std::fflush(out_);
    }
}

void ProgressView::message(std::size_t port, const std::string& text) {
    line(prefix(port) + translatedLine(text));
}

std::size_t ProgressView::addPort(const std::string& port) {
    named_ = true;
    const auto free =
        std::find_if(bars_.begin(), bars_.end(), [](const Bar& b) { return b.removed; });
    if (free != bars_.end()) {
        *free = Bar{port};
        return static_cast<std::size_t>(free - bars_.begin());
    }
    bars_.push_back(Bar{port});
    return bars_.size() - 1;
}

void ProgressView::removePort(std::size_t port) {
    bars_[port].removed = true;
    if (!terminal_) return;
    eraseBars();
    drawBars();
}

void ProgressView::line(const std::string& text) {
    if (terminal_) eraseBars();
    std::fprintf(out_, "%s\n", text.c_str());
    if (terminal_) {
        drawBars();
    } else {
        std::fflush(out_);
    }
}

void ProgressView::setFooter(const std::string& text) {
    footer_ = text;
    if (!terminal_) return;
    eraseBars();
    drawBars();
}

void ProgressView::finish() {
    drawn_ = 0;
    std::fflush(out_);
}

}  // namespace gimbalctl
