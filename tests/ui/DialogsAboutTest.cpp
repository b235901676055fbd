// The About box: its texts and version, the links' colours and what they open, the scrolling
// description, and the system information program found through the registry or on PATH.
#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>
#include <cstring>
#include <map>

#include "DialogScreenshots.h"
#include "ScriptedMessageBoxes.h"
#include "support/FakeRegistry.h"
#include "ui/AboutInfo.h"
#include "ui/frmAbout.h"

using namespace qm;
using qm::test::FakeRegistry;
using qm::test::ScriptedMessageBoxes;

namespace {

const QString kUnavailable = QStringLiteral("System Information Is Unavailable At This Time");

std::string Text(const char* text) {
    return std::string(text) + '\0';
}

// Points PATH at one folder for as long as it lives.
class PathOnly {
public:
    explicit PathOnly(const QString& folder) : saved_(qgetenv("PATH")) {
        qputenv("PATH", folder.toLocal8Bit());
    }
    ~PathOnly() { qputenv("PATH", saved_); }

private:
    QByteArray saved_;
};

}  // namespace

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void Open(const QUrl& url) { opened << url; }
};

class DialogsAboutTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qm::test::ApplyScreenshotFont(); }

    void ShowsTitleVersionAndCopyright() {
        frmAbout about(nullptr);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        qm::test::SaveScreenshot(&about, QStringLiteral("frmAbout"));
        QCOMPARE(about.windowTitle(), QStringLiteral("About Quillmotion"));
        QCOMPARE(about.findChild<QLabel*>("lblTitle")->text(), QStringLiteral("Tallowmer Quillmotion"));
        QCOMPARE(about.findChild<QLabel*>("lblVersion")->text(), QStringLiteral("Beta Version %1.%2.%3")
                                                                     .arg(QM_VERSION_MAJOR)
                                                                     .arg(QM_VERSION_MINOR)
                                                                     .arg(QM_VERSION_PATCH));
        QVERIFY(about.findChild<QLabel*>("lblCopyright")->text().contains(QStringLiteral("Tallowmer")));
        QVERIFY(!about.findChild<QLabel*>("lblDisclaimer")->text().isEmpty());
        auto* ok = about.findChild<QPushButton*>("cmdOK");
        QVERIFY(ok->isDefault());
        QCOMPARE(about.findChild<QPushButton*>("cmdSysInfo")->text(), QStringLiteral("&System Info..."));
        QTest::keyClick(&about, Qt::Key_Escape);
        QVERIFY(!about.isVisible());
    }

    void LinksTurnRedWhilePressedAndOpenTheirCaption() {
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "Open");
        frmAbout about(nullptr);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        const QColor blue(0, 0, 255);
        const QColor red(255, 0, 0);
        const char* names[] = {"lblKelvayLink", "lblProductLink", "lblOstrandLink", "lblCompanyLink"};
        for (const char* name : names) {
            auto* link = about.findChild<LinkLabel*>(QString::fromLatin1(name));
            QVERIFY2(link != nullptr, name);
            QCOMPARE(link->TextColour(), blue);
            QVERIFY(!link->toolTip().isEmpty());
            QTest::mousePress(link, Qt::LeftButton);
            QCOMPARE(link->TextColour(), red);
            QTest::mouseRelease(link, Qt::LeftButton);
            QCOMPARE(link->TextColour(), blue);
        }
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QCOMPARE(catcher.opened.size(), 4);
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(catcher.opened[i].toString(),
                     about.findChild<LinkLabel*>(QString::fromLatin1(names[i]))->text());
            QCOMPARE(catcher.opened[i].host().section(QLatin1Char('.'), -2),
                     catcher.opened[i].host().endsWith(QStringLiteral(".org"))
                         ? QStringLiteral("example.org")
                         : QStringLiteral("example.com"));
        }
        // Three links scroll with the description; the maker's sits outside it.
        auto* container = about.findChild<QWidget*>("pctContainer");
        QVERIFY(container->isAncestorOf(about.findChild<QWidget*>("lblKelvayLink")));
        QVERIFY(container->isAncestorOf(about.findChild<QWidget*>("lblOstrandLink")));
        QVERIFY(!container->isAncestorOf(about.findChild<QWidget*>("lblCompanyLink")));
    }

    void ScrollBarSlidesTheDescription() {
        frmAbout about(nullptr);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        auto* window = about.findChild<QFrame*>("pctDescription");
        auto* container = about.findChild<QWidget*>("pctContainer");
        auto* bar = about.findChild<QScrollBar*>("vscDescription");
        QCOMPARE(bar->minimum(), 0);
        QCOMPARE(bar->value(), 0);
        QCOMPARE(bar->maximum(), container->height() - window->contentsRect().height());
        QVERIFY(bar->maximum() > 0);  // the description is taller than its window
        const int top = container->y();
        bar->setValue(bar->maximum());
        QCOMPARE(container->y(), top - bar->maximum());
        QCOMPARE(container->geometry().bottom(), window->contentsRect().bottom());
    }

    void GetKeyValueAsksOnlyToReadAndReadsTextAndNumbers() {
        FakeRegistry registry;
        registry.AddValue("SOFTWARE\\Test", "Text", REG_SZ, Text("C:\\Tools\\info.exe"));
        registry.AddValue("SOFTWARE\\Test", "Bare", REG_SZ, "no terminator");
        registry.AddValue("SOFTWARE\\Test", "Number", REG_DWORD, std::string("\x2a\x01\x00\x00", 4));
        registry.AddValue("SOFTWARE\\Test", "Expand", REG_EXPAND_SZ, Text("%TEMP%"));
        frmAbout about(&registry);
        std::string value = "before";
        QVERIFY(about.GetKeyValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Test", "Text", value));
        QCOMPARE(value, std::string("C:\\Tools\\info.exe"));
        QVERIFY(about.GetKeyValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Test", "Bare", value));
        QCOMPARE(value, std::string("no terminator"));
        QVERIFY(about.GetKeyValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Test", "Number", value));
        QCOMPARE(value, std::string("&h12A"));
        value = "kept";
        QVERIFY(about.GetKeyValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Test", "Expand", value));
        QCOMPARE(value, std::string("kept"));
        QVERIFY(!about.GetKeyValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Test", "Missing", value));
        QCOMPARE(value, std::string());
        value = "x";
        QVERIFY(!about.GetKeyValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nothing", "Text", value));
        QCOMPARE(value, std::string());
        QCOMPARE(registry.OpenKeys(), std::size_t{0});  // every key opened was closed again
        for (REGSAM mask : registry.asked) {
            QCOMPARE(mask & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK), REGSAM{0});
            QVERIFY(mask & KEY_QUERY_VALUE);
        }
    }

    void SysInfoStartsWhatTheRegistryNamesElseWhatPathHasElseSaysSo() {
        ScriptedMessageBoxes boxes;
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        PathOnly path(folder.path());
        FakeRegistry registry;
        QStringList started;
        bool startWorks = true;
        frmAbout about(&registry);
        about.SetProgramStarter([&](const QString& program) {
            started << program;
            return startWorks;
        });

        // Nothing in the registry, nothing on PATH.
        about.StartSysInfo();
        QVERIFY(started.isEmpty());
        QCOMPARE(boxes.Texts(), QStringList{kUnavailable});
        QCOMPARE(boxes.All().front().icon, MsgIcon::None);
        QCOMPARE(boxes.All().front().buttons, MsgButtons::OK);

        // A stand-in on PATH.
        boxes.Clear();
        const QString program = folder.filePath(QStringLiteral("hardinfo"));
        QFile file(program);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n");
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        about.StartSysInfo();
        QCOMPARE(started, QStringList{program});
        QVERIFY(boxes.All().empty());

        // The registry's program comes first; one that will not start is reported.
        started.clear();
        registry.AddValue("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", REG_SZ,
                          Text("/opt/msinfo/run"));
        about.StartSysInfo();
        QCOMPARE(started, QStringList{QStringLiteral("/opt/msinfo/run")});
        startWorks = false;
        about.StartSysInfo();
        QCOMPARE(boxes.Texts(), QStringList{kUnavailable});
    }
};

QTEST_MAIN(DialogsAboutTest)
#include "DialogsAboutTest.moc"
