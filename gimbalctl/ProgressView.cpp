#include "gimbalctl/ProgressView.h"

#include <algorithm>

namespace gimbalctl {
namespace {
constexpr int kBarWidth = 30;
}  // namespace

ProgressView::ProgressView(std::vector<std::string> ports, bool terminal, std::FILE* out)
    : terminal_(terminal), out_(out) {
    for (std::string& port : ports) bars_.push_back(Bar{std::move(port)});
}

std::string ProgressView::prefix(std::size_t port) const {
    return bars_.size() > 1 ? bars_[port].port + ": " : std::string();
}

std::string ProgressView::barLine(const Bar& bar) const {
    const int maximum = std::max(bar.maximum, 1);
    const int value = bar.value;
    const int filled = value * kBarWidth / maximum;
    std::string line = bars_.size() > 1 ? bar.port + "  " : std::string();
    line += "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '-') + "] ";
    line += std::to_string(value * 100 / maximum) + "%";
    return line;
}

void ProgressView::eraseBars() {
    if (drawn_ > 0)
        std::fprintf(out_, "\x1b[%dF\x1b[J", drawn_);  // up to the first bar, clear below
    drawn_ = 0;
}

void ProgressView::drawBars() {
    for (const Bar& bar : bars_) std::fprintf(out_, "%s\n", barLine(bar).c_str());
    drawn_ = static_cast<int>(bars_.size());
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

void ProgressView::message(std::size_t port, const std::string& line) {
    if (terminal_) eraseBars();
    std::fprintf(out_, "%s%s\n", prefix(port).c_str(), line.c_str());
    if (terminal_) {
        drawBars();
    } else {
        std::fflush(out_);
    }
}

void ProgressView::finish() {
    drawn_ = 0;
    std::fflush(out_);
}

}  // namespace gimbalctl
