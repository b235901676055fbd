#include "support/wayland/HeadlessMutter.h"

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QString>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>

namespace qm::test {

namespace {
const char* const kVariables[] = {"XDG_RUNTIME_DIR", "DBUS_SESSION_BUS_ADDRESS", "WAYLAND_DISPLAY"};
}

std::string HeadlessMutter::Missing() {
    std::string missing;
    for (const char* program : {"dbus-daemon", "mutter", "wev"}) {
        if (FindOnPath(program).empty()) {
            missing += std::string(missing.empty() ? "" : ", ") + program;
        }
    }
    return missing.empty() ? missing : missing + " not installed (packages dbus-daemon, mutter, wev)";
}

HeadlessMutter::HeadlessMutter(bool compositor) {
    const std::string runtime = dir_.File("runtime");
    ::mkdir(runtime.c_str(), 0700);
    environment_ = {"XDG_RUNTIME_DIR=" + runtime, "DBUS_SESSION_BUS_ADDRESS=unix:path=" + dir_.File("bus"),
                    "WAYLAND_DISPLAY=wayland-qm", "GSETTINGS_BACKEND=memory",
                    "XDG_CURRENT_DESKTOP=GNOME",  "XDG_CONFIG_HOME=" + dir_.File("config")};
    for (std::size_t i = 0; i < std::size(kVariables); ++i) {
        const char* value = std::getenv(kVariables[i]);
        saved_.push_back(value != nullptr ? value : "");
        const std::string& assignment = environment_[i];
        ::setenv(kVariables[i], assignment.substr(assignment.find('=') + 1).c_str(), 1);
    }
    bus_ =
        std::make_unique<Process>(std::vector<std::string>{FindOnPath("dbus-daemon"), "--session", "--nofork",
                                                           "--address=unix:path=" + dir_.File("bus")},
                                  environment_, dir_.Path().string(), dir_.File("dbus.log"));
    if (!Eventually([this] { return ::access(dir_.File("bus").c_str(), F_OK) == 0; })) {
        throw std::runtime_error("dbus-daemon did not start");
    }
    if (compositor) {
        StartCompositor();
    }
}

std::string HeadlessMutter::PortalMissing() {
    for (const char* file : {"/usr/libexec/xdg-desktop-portal", "/usr/libexec/xdg-desktop-portal-gnome",
                             "/usr/libexec/at-spi-bus-launcher", "/usr/lib/python3/dist-packages/pyatspi"}) {
        if (::access(file, F_OK) != 0) {
            return std::string(file) +
                   " is missing (packages xdg-desktop-portal, xdg-desktop-portal-gnome, at-spi2-core, "
                   "python3-pyatspi)";
        }
    }
    return {};
}

void HeadlessMutter::StartPortal() {
    portal_.push_back(Run({"/usr/libexec/at-spi-bus-launcher", "--launch-immediately"}, "at-spi.log"));
    WaitForName("org.a11y.Bus");
    portal_.push_back(Run({"/usr/libexec/xdg-desktop-portal-gnome"}, "portal-gnome.log"));
    portal_.push_back(Run({"/usr/libexec/xdg-desktop-portal"}, "portal.log"));
    if (!WaitForName("org.freedesktop.portal.Desktop")) {
        throw std::runtime_error("xdg-desktop-portal did not start; see " + dir_.File("portal.log"));
    }
}

HeadlessMutter::~HeadlessMutter() {
    portal_.clear();
    window_.reset();
    compositor_.reset();
    bus_.reset();
    for (std::size_t i = 0; i < std::size(kVariables); ++i) {
        ::setenv(kVariables[i], saved_[i].c_str(), 1);
    }
}

std::unique_ptr<Process> HeadlessMutter::Run(const std::vector<std::string>& arguments,
                                             const std::string& outputName) {
    return std::make_unique<Process>(arguments, environment_, dir_.Path().string(), dir_.File(outputName));
}

bool HeadlessMutter::WaitForName(const std::string& name) {
    QDBusConnection bus = QDBusConnection::connectToBus(
        QString::fromStdString(environment_[1].substr(environment_[1].find('=') + 1)), "qm-harness");
    const bool owned = Eventually(
        [&] { return bus.interface()->isServiceRegistered(QString::fromStdString(name)).value(); });
    QDBusConnection::disconnectFromBus("qm-harness");
    return owned;
}

void HeadlessMutter::StartCompositor() {
    compositor_ = Run({FindOnPath("mutter"), "--headless", "--virtual-monitor",
                       std::to_string(kWidth) + "x" + std::to_string(kHeight), "--wayland", "--no-x11",
                       "--wayland-display", "wayland-qm"},
                      "mutter.log");
    if (!WaitForName("org.gnome.Mutter.RemoteDesktop")) {
        throw std::runtime_error("mutter did not offer its remote desktop; see " + dir_.File("mutter.log"));
    }
    ::unlink(dir_.File("wev.log").c_str());
    cleared_ = 0;
    window_ = Run({FindOnPath("stdbuf"), "-oL", FindOnPath("wev")}, "wev.log");
    if (!Eventually([this] {
            std::ifstream log(dir_.File("wev.log"));
            return std::string(std::istreambuf_iterator<char>(log), {}).find("activated") !=
                   std::string::npos;
        })) {
        throw std::runtime_error("wev's window was not shown");
    }
}

void HeadlessMutter::RestartCompositor() {
    window_.reset();
    compositor_.reset();
    StartCompositor();
}

std::vector<std::string> HeadlessMutter::Events() const {
    static const std::regex kPatterns[] = {
        std::regex(R"(wl_pointer\] (enter|motion): .*x, y: (-?\d+)\.\d+, (-?\d+)\.\d+)"),
        std::regex(R"(wl_pointer\] (button): .*button: (\d+) .*state: (\d))"),
        std::regex(R"(wl_pointer\] .*(axis): (\d) .*discrete: (-?\d+))"),
        std::regex(R"(wl_keyboard\] (key): .*state: (\d).*\n +sym: (\S+) .*utf8: '([\s\S]*)'\s*$)"),
        std::regex(R"(wl_keyboard\] (modifiers): .*\n +depressed: ([0-9a-fA-F]+))")};
    std::ifstream log(dir_.File("wev.log"));
    const std::string text(std::istreambuf_iterator<char>(log), {});
    std::vector<std::string> events;
    std::string previous;
    std::string modifiers = "modifiers 0";
    // An event ends where the next starts, at the line with its object; each of the several
    // keyboards wev binds gets each event, with the same serial.
    std::size_t start = text.find('[');
    while (start != std::string::npos) {
        const std::size_t next = text.find("\n[", start);
        const std::string whole =
            text.substr(start, next == std::string::npos ? std::string::npos : next - start);
        const std::string raw = whole.substr(std::min(whole.find(']'), whole.size()));
        std::smatch match;
        for (const std::regex& pattern : kPatterns) {
            if (raw != previous && std::regex_search(whole, match, pattern)) {
                const std::string kind = match[1];
                if (kind == "key") {
                    events.push_back("key " + match[3].str() + " " + match[2].str() +
                                     (match[4].length() > 0 ? " " + match[4].str() : ""));
                } else if (kind == "modifiers") {
                    // Only changes: every keyboard focus starts with a notice of them.
                    const std::string now = "modifiers " + std::to_string(std::stoul(match[2], nullptr, 16));
                    if (now != modifiers) {
                        events.push_back(now);
                    }
                    modifiers = now;
                } else {
                    events.push_back(kind + " " + match[2].str() + " " + match[3].str());
                }
                break;
            }
        }
        previous = raw;
        start = next == std::string::npos ? next : next + 1;
    }
    return events;
}

std::vector<std::string> HeadlessMutter::WaitForEvents(
    const std::function<bool(const std::vector<std::string>&)>& done, std::chrono::milliseconds timeout) {
    // The Qt loop runs meanwhile: a backend may send its calls as earlier ones are answered.
    const auto until = std::chrono::steady_clock::now() + timeout;
    std::vector<std::string> events;
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 25);
        events = Events();
        events.erase(events.begin(),
                     events.begin() + static_cast<std::ptrdiff_t>(std::min(cleared_, events.size())));
    } while (!done(events) && std::chrono::steady_clock::now() < until && (::usleep(10000), true));
    return events;
}

std::string HeadlessMutter::TypedText(const std::vector<std::string>& events) {
    std::string text;
    for (const std::string& event : events) {
        // "key KEYSYM 1 TEXT"
        if (event.rfind("key ", 0) == 0 && std::count(event.begin(), event.end(), ' ') >= 3) {
            text += event.substr(event.find(' ', event.find(' ', 4) + 1) + 1);
        }
    }
    return text;
}

}  // namespace qm::test
