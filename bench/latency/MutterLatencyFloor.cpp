// The floor the program's latency on GNOME is measured against: one process with a session of
// GNOME's own remote-desktop interface that reads the line and turns each byte straight into one
// call of that session, sent without waiting for its answer, with nothing in between.
//
// Usage: qm_latency_floor_mutter DEVICE EAST CLICK STOP WEST, with DBUS_SESSION_BUS_ADDRESS
//   naming GNOME's bus. EAST and WEST move the pointer 2 pixels right or left, CLICK clicks the
//   left button, STOP does nothing and a lower-case letter is typed by its key on a US layout.

#include <linux/input-event-codes.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>

#include <array>
#include <string_view>

#include "FloorLine.h"

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

// Each byte one call of the session, sent without waiting for its answer.
struct SessionFloor {
    QDBusConnection& bus;
    QString path;
    std::array<quint32, 128> keys;

    void Notify(const char* method, const QVariant& first, const QVariant& second) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(kService, path, kSession, QString::fromLatin1(method));
        call << first << second;
        bus.send(call);
    }
    void Move(int dx) { Notify("NotifyPointerMotionRelative", double(dx), 0.0); }
    void Click() {
        Notify("NotifyPointerButton", qint32{BTN_LEFT}, true);
        Notify("NotifyPointerButton", qint32{BTN_LEFT}, false);
    }
    void Key(unsigned char c) {
        if (keys[c] != 0) {
            Notify("NotifyKeyboardKeycode", keys[c], true);
            Notify("NotifyKeyboardKeycode", keys[c], false);
        }
    }
    static bool Flush() { return true; }
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const auto codes = qm::bench::ReadFloorCodes(argc, argv, true);
    if (!codes) {
        return 2;
    }
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
    SessionFloor floor{bus, path, LetterKeys()};
    const int status = qm::bench::ReadLineInto(argv[1], *codes, floor);
    bus.call(QDBusMessage::createMethodCall(kService, path, kSession, QStringLiteral("Stop")));
    return status;
}
