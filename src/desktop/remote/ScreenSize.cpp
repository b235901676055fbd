#include "desktop/remote/ScreenSize.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QGuiApplication>
#include <QList>
#include <QMap>
#include <QScreen>
#include <QString>
#include <QVariantMap>

#include <cmath>
#include <optional>

namespace qm {

namespace {

// The current mode's size of each monitor, by connector.
QMap<QString, Size> CurrentModes(const QDBusArgument& monitors) {
    QMap<QString, Size> modes;
    monitors.beginArray();
    while (!monitors.atEnd()) {
        monitors.beginStructure();
        QString connector, vendor, product, serial;
        monitors.beginStructure();
        monitors >> connector >> vendor >> product >> serial;
        monitors.endStructure();
        monitors.beginArray();
        while (!monitors.atEnd()) {
            QString id;
            int width = 0;
            int height = 0;
            double refresh = 0;
            double preferredScale = 0;
            QList<double> scales;
            QVariantMap properties;
            monitors.beginStructure();
            monitors >> id >> width >> height >> refresh >> preferredScale >> scales >> properties;
            monitors.endStructure();
            if (properties.value(QStringLiteral("is-current")).toBool()) {
                modes[connector] = {width, height};
            }
        }
        monitors.endArray();
        QVariantMap properties;
        monitors >> properties;
        monitors.endStructure();
    }
    monitors.endArray();
    return modes;
}

std::optional<Size> FromDisplayConfig(const QDBusConnection& bus) {
    const QString service = QStringLiteral("org.gnome.Mutter.DisplayConfig");
    const QDBusMessage reply =
        bus.call(QDBusMessage::createMethodCall(service, QStringLiteral("/org/gnome/Mutter/DisplayConfig"),
                                                service, QStringLiteral("GetCurrentState")),
                 QDBus::Block, 2000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() < 4) {
        return std::nullopt;
    }
    const QMap<QString, Size> modes = CurrentModes(reply.arguments()[1].value<QDBusArgument>());
    const QVariantMap properties = qdbus_cast<QVariantMap>(reply.arguments()[3]);
    // Layout mode 1 places monitors in logical pixels, their modes divided by their scale.
    const bool logical = properties.value(QStringLiteral("layout-mode"), 1U).toUInt() == 1U;
    const QDBusArgument logicalMonitors = reply.arguments()[2].value<QDBusArgument>();
    std::optional<Size> primary;
    logicalMonitors.beginArray();
    while (!logicalMonitors.atEnd()) {
        int x = 0;
        int y = 0;
        double scale = 1;
        unsigned transform = 0;
        bool isPrimary = false;
        logicalMonitors.beginStructure();
        logicalMonitors >> x >> y >> scale >> transform >> isPrimary;
        std::optional<Size> size;
        logicalMonitors.beginArray();
        while (!logicalMonitors.atEnd()) {
            QString connector, vendor, product, serial;
            logicalMonitors.beginStructure();
            logicalMonitors >> connector >> vendor >> product >> serial;
            logicalMonitors.endStructure();
            if (!size && modes.contains(connector)) {
                size = modes[connector];
            }
        }
        logicalMonitors.endArray();
        QVariantMap monitorProperties;
        logicalMonitors >> monitorProperties;
        logicalMonitors.endStructure();
        if (size && (isPrimary || !primary)) {
            if (logical && scale > 0) {
                size = Size{static_cast<int>(std::lround(size->width / scale)),
                            static_cast<int>(std::lround(size->height / scale))};
            }
            // Odd transforms turn the monitor a quarter.
            primary = transform % 2 == 1 ? Size{size->height, size->width} : *size;
        }
    }
    logicalMonitors.endArray();
    return primary;
}

}  // namespace

Size PrimaryScreenSize(const QDBusConnection& bus) {
    if (const std::optional<Size> size = FromDisplayConfig(bus)) {
        return *size;
    }
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            return {screen->geometry().width(), screen->geometry().height()};
        }
    }
    return {1920, 1080};
}

}  // namespace qm
