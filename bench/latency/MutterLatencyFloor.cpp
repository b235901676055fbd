// The floor the program's latency on GNOME is measured against: one process with a session of
// GNOME's own remote-desktop interface that reads the line and turns each byte straight into one
// call of that session, sent without waiting for its answer, with nothing in between.
//
// Usage: qm_latency_floor_mutter DEVICE EAST CLICK STOP WEST, with DBUS_SESSION_BUS_ADDRESS
//   naming GNOME's bus. EAST and WEST move the pointer 2 pixels right or left, CLICK clicks the
//   left button, STOP does nothing and a lower-case letter is typed by its key on a US layout.

#include <fcntl.h>
#include <linux/input-event-codes.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

const QString kService = QStringLiteral("org.gnome.Mutter.RemoteDesktop");
const QString kSession = QStringLiteral("org.gnome.Mutter.RemoteDesktop.Session");

// The kernel key numbers of the letters, row by row as a US keyboard has them.
std::array<quint32, 128> LetterKeys() {
    std::array<quint32, 128> keys{};
    for (const auto& [row, first] : {std::pair<std::string_view, quint32>{"qwertyuiop", KEY_Q},
                                     {"asdfghjkl", KEY_A},
                                     {"zxcvbnm", KEY_Z}}) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            keys[static_cast<unsigned char>(row[i])] = first + static_cast<quint32>(i);
        }
    }
    return keys;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s DEVICE EAST CLICK STOP WEST\n", argv[0]);
        return 2;
    }
    const int east = std::atoi(argv[2]);
    const int click = std::atoi(argv[3]);
    const int stop = std::atoi(argv[4]);
    const int west = std::atoi(argv[5]);
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QDBusReply<QDBusObjectPath> created =
        bus.call(QDBusMessage::createMethodCall(kService, QStringLiteral("/org/gnome/Mutter/RemoteDesktop"),
                                                kService, QStringLiteral("CreateSession")));
    if (!created.isValid()) {
        std::fprintf(stderr, "no remote-desktop session: %s\n", qPrintable(created.error().message()));
        return 1;
    }
    const QString path = created.value().path();
    const QDBusMessage started =
        bus.call(QDBusMessage::createMethodCall(kService, path, kSession, QStringLiteral("Start")));
    if (started.type() == QDBusMessage::ErrorMessage) {
        std::fprintf(stderr, "the session did not start: %s\n", qPrintable(started.errorMessage()));
        return 1;
    }
    const auto notify = [&](const char* method, const QVariant& first, const QVariant& second) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(kService, path, kSession, QString::fromLatin1(method));
        call << first << second;
        bus.send(call);
    };
    const std::array<quint32, 128> keys = LetterKeys();
    const int line = ::open(argv[1], O_RDONLY | O_NOCTTY);
    if (line < 0) {
        std::perror(argv[1]);
        return 1;
    }
    unsigned char bytes[256];
    while (true) {
        const ssize_t count = ::read(line, bytes, sizeof bytes);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            break;
        }
        for (ssize_t i = 0; i < count; ++i) {
            const int byte = bytes[i];
            if (byte == east || byte == west) {
                notify("NotifyPointerMotionRelative", byte == east ? 2.0 : -2.0, 0.0);
            } else if (byte == click) {
                notify("NotifyPointerButton", qint32{BTN_LEFT}, true);
                notify("NotifyPointerButton", qint32{BTN_LEFT}, false);
            } else if (byte != stop && byte < 128 && keys[static_cast<unsigned>(byte)] != 0) {
                notify("NotifyKeyboardKeycode", keys[static_cast<unsigned>(byte)], true);
                notify("NotifyKeyboardKeycode", keys[static_cast<unsigned>(byte)], false);
            }
        }
    }
    bus.call(QDBusMessage::createMethodCall(kService, path, kSession, QStringLiteral("Stop")));
    return 0;
}
