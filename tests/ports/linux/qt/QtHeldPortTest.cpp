// A port held by a Qt Serial Port program must not look free to the open test, whichever of
// Qt's marks (exclusive mode, lock file) the test meets first.
#include <pty.h>
#include <unistd.h>

#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include "ports/linux/DeviceLocks.h"

class QtHeldPortTest : public QObject {
    Q_OBJECT

private slots:
    void heldWhileQtHasItOpen() {
        int master = -1;
        int slave = -1;
        char name[256] = {};
        QCOMPARE(::openpty(&master, &slave, name, nullptr, nullptr), 0);
        ::close(slave);  // nobody holds the port now
        const std::string path = name;
        const std::vector<std::string> lockDirs = qm::DefaultLockDirs();

        qm::PortOpenResult before = qm::OpenIfFree(path, lockDirs);
        QCOMPARE(static_cast<int>(before.hold), static_cast<int>(qm::PortHold::Free));
        ::close(before.fd);

        QSerialPort port(QString::fromLocal8Bit(name));
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        const qm::PortOpenResult during = qm::OpenIfFree(path, lockDirs);
        QVERIFY(during.hold != qm::PortHold::Free);
        QCOMPARE(during.fd, -1);
        QVERIFY(qm::LockFileHeld(path, lockDirs));

        port.close();
        qm::PortOpenResult after = qm::OpenIfFree(path, lockDirs);
        QCOMPARE(static_cast<int>(after.hold), static_cast<int>(qm::PortHold::Free));
        ::close(after.fd);
        ::close(master);
    }
};

QTEST_GUILESS_MAIN(QtHeldPortTest)
#include "QtHeldPortTest.moc"
