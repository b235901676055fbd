#include "support/wayland/SwaySession.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <stdexcept>

namespace qm::test {
namespace {

constexpr uid_t kNobody = 65534;

std::string Required(const std::string& program, const std::string& package) {
    const std::string path = FindOnPath(program);
    if (path.empty()) {
        throw std::runtime_error(program + " is not installed (package " + package + ")");
    }
    return path;
}

}  // namespace

SwaySession::SwaySession(const std::string& layout, int width, int height) {
    const std::string sway = Required("sway", "sway");
    const std::string config = runtime_.File("config");
    WriteFile(config, "output HEADLESS-1 resolution " + std::to_string(width) + "x" + std::to_string(height) +
                          "\ninput * xkb_layout " + layout +
                          "\nfor_window [app_id=\"wev\"] fullscreen enable\n");
    command_ = {sway, "-c", config};
    if (::geteuid() == 0) {
        // sway will not start where it could become root again.
        if (::chown(runtime_.Path().c_str(), kNobody, kNobody) != 0) {
            throw std::runtime_error("cannot hand the runtime folder to nobody");
        }
        const std::string uid = std::to_string(kNobody);
        command_.insert(command_.begin(), {Required("setpriv", "util-linux"), "--reuid=" + uid,
                                           "--regid=" + uid, "--clear-groups", "--"});
    }
    Start();
}

void SwaySession::Restart() {
    sway_.reset();
    socket_.clear();
    Start();
}

void SwaySession::Start() {
    const std::string folder = runtime_.Path().string();
    sway_ = std::make_unique<Process>(
        command_,
        std::vector<std::string>{"XDG_RUNTIME_DIR=" + folder, "HOME=" + folder, "WLR_BACKENDS=headless",
                                 "WLR_RENDERER=pixman", "WLR_LIBINPUT_NO_DEVICES=1",
                                 "WAYLAND_DISPLAY=", "DISPLAY="},
        folder, runtime_.File("sway.log"));
    const bool up = Eventually([&] {
        for (const auto& entry : std::filesystem::directory_iterator(runtime_.Path())) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with("wayland-") && !name.ends_with(".lock") && entry.is_socket()) {
                socket_ = entry.path().string();
            }
        }
        return !socket_.empty() || !sway_->Running();
    });
    if (!up || socket_.empty()) {
        throw std::runtime_error("sway did not start: " + ReadFile(runtime_.File("sway.log")));
    }
}

std::vector<std::string> SwaySession::Environment() const {
    return {"XDG_RUNTIME_DIR=" + runtime_.Path().string(), "WAYLAND_DISPLAY=" + socket_};
}

WevRecorder::WevRecorder(const SwaySession& session) {
    const std::string wev = Required("wev", "wev");
    terminal_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminal_ < 0 || ::grantpt(terminal_) != 0 || ::unlockpt(terminal_) != 0) {
        throw std::runtime_error("no pseudo-terminal for wev");
    }
    wev_ = std::make_unique<Process>(std::vector<std::string>{wev}, session.Environment(), std::string(),
                                     ::ptsname(terminal_));
    if (!WaitUntil([&] { return output_.find("fullscreen") != std::string::npos || !wev_->Running(); }) ||
        !wev_->Running()) {
        throw std::runtime_error("wev did not come up full-screen: " + output_);
    }
}

WevRecorder::~WevRecorder() {
    wev_.reset();
    if (terminal_ >= 0) {
        ::close(terminal_);
    }
}

bool WevRecorder::WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    return Eventually(
        [&] {
            Read();
            return done();
        },
        timeout);
}

std::optional<std::chrono::steady_clock::time_point> WevRecorder::WaitFor(const std::string& prefix,
                                                                          std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        Read();
        for (; waited_ < events_.size(); ++waited_) {
            if (events_[waited_].starts_with(prefix)) {
                ++waited_;
                return read_;
            }
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return std::nullopt;
        }
        pollfd waiting{terminal_, POLLIN, 0};
        ::poll(&waiting, 1, static_cast<int>(left.count()) + 1);
    }
}

void WevRecorder::Read() {
    char buffer[4096];
    pollfd waiting{terminal_, POLLIN, 0};
    while (::poll(&waiting, 1, 0) > 0 && (waiting.revents & POLLIN) != 0) {
        const ssize_t got = ::read(terminal_, buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        output_.append(buffer, static_cast<std::size_t>(got));
        read_ = std::chrono::steady_clock::now();
    }
    for (std::size_t end = output_.find('\n', taken_); end != std::string::npos;
         end = output_.find('\n', taken_)) {
        std::string line = output_.substr(taken_, end - taken_);
        taken_ = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        Take(line);
    }
}

void WevRecorder::Take(const std::string& line) {
    static const std::regex header(R"(^\[(\d+):\s*(\w+)\] (\w+): ?(.*)$)");
    static const std::regex button(R"(button: \d+ \((\w+)\), state: (\d))");
    static const std::regex position(R"(x, y: (-?\d+)\.\d+, (-?\d+)\.\d+)");
    static const std::regex axis(R"(axis: \d \((\w+)\), (value|discrete): (-?\d+))");
    // The text may hold a carriage return (Return types one), which '.' does not match.
    static const std::regex keysym(R"(^\s+sym: (\S+)\s+\((\d+)\), utf8: '([\s\S]*)'$)");
    static const std::regex depressed(R"(^\s+depressed: ([0-9a-fA-F]+))");
    std::smatch match;
    if (std::regex_match(line, match, header)) {
        // wev binds a seat's pointer again at each change of the seat's devices, and prints
        // each event for every copy: the first one bound speaks for all.
        const std::string id = match[1].str();
        const std::string& first = bound_.try_emplace(match[2].str(), id).first->second;
        if (id != first) {
            return;
        }
        lastLine_ = line;
        const std::string event = match[3].str();
        const std::string rest = match[4].str();
        std::smatch part;
        if (event == "button" && std::regex_search(rest, part, button)) {
            events_.push_back((part[2] == "1" ? "+" : "-") + part[1].str());
        } else if (event == "motion" && std::regex_search(rest, part, position)) {
            events_.push_back("motion " + part[1].str() + "," + part[2].str());
        } else if (std::regex_search(rest, part, axis)) {
            // wev names the discrete step's line axis_stop.
            events_.push_back((part[2] == "value" ? "axis " : "discrete ") + part[1].str() + " " +
                              part[3].str());
        }
    } else if (std::regex_match(line, match, keysym)) {
        const bool pressed = lastLine_.find("state: 1") != std::string::npos;
        events_.push_back((pressed ? "+" : "-") + match[1].str());
        if (pressed) {
            typed_.push_back({static_cast<std::uint32_t>(std::stoul(match[2].str())), match[3].str()});
        }
    } else if (std::regex_search(line, match, depressed)) {
        // The keyboard's focus comes with the modifiers as well, changed or not.
        const unsigned long mask = std::stoul(match[1].str(), nullptr, 16);
        if (mask != depressed_) {
            events_.push_back("modifiers " + std::to_string(mask));
        }
        depressed_ = mask;
    }
}

}  // namespace qm::test
