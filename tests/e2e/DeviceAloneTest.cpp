// A switch user has only the device: with it alone they bring up the Properties window, open
// the About box and the guide and close them, change codes in their editors (one by pressing the
// switch), clear a message box, close the About box with the Escape key's code and answer the exit
// question, while the pointer keeps answering. Where the program's widgets are is measured by
// building the same widgets in this process on the same display (same code, fonts and style),
// before it starts.

// gtest and the project's headers first: Xlib's None and Status macros would break them.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include "SettingsTree.h"
#include "settings/hive/FileHiveRegistry.h"
#include "support/gui/LaunchedProgram.h"
#include "ui/ExitQuestion.h"
#include "ui/WindowFixture.h"
#include "ui/frmASCIIValue.h"
#include "ui/frmAbout.h"
#include "ui/frmMoreCodes.h"

#include <cstdlib>
#include <map>
#include <random>
#include <thread>
#include <tuple>

using namespace std::chrono_literals;
using namespace qm;
using namespace qm::test;

// This process builds widgets too: what the system's libraries keep for the process's lifetime
// is not the program's leak (the program itself runs with tests/e2e/lsan.supp).
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\nleak:libfontconfig.so\n";
}

namespace {

using Spot = std::pair<int, int>;

// Where the controls the user reaches for sit inside their windows, by object name (the dialogs'
// buttons by the dialog's name).
using Spots = std::map<std::string, Spot>;

void Expose(QWidget& widget) {
    widget.show();
    static_cast<void>(QTest::qWaitForWindowExposed(&widget));
}

// The application, and with it every window it made, is gone before the program starts: the
// program's windows are then the only ones of their names on the display.
Spots Measure(const std::string& display) {
    ::setenv("DISPLAY", display.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    int argc = 1;
    char name[] = "measure";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    Spots spots;
    const auto centre = [&spots](const std::string& as, QWidget* widget, const QRect& area, QWidget* top) {
        const QPoint point = widget->mapTo(top, area.center());
        spots[as] = {point.x(), point.y()};
    };
    WindowFixture f;
    QWidget& window = *f.window;
    f.Show();
    Expose(window);
    auto* tabs = f.Find<QTabWidget>("sstMain");
    for (const int index : {0, 2}) {
        centre("tab" + std::to_string(index), tabs->tabBar(), tabs->tabBar()->tabRect(index), &window);
    }
    const auto controls = [&](std::initializer_list<const char*> names) {
        for (const char* control : names) {
            centre(control, f.Widget(control), f.Widget(control)->rect(), &window);
        }
    };
    controls({"cmdAbout", "cmdExit", "cboBaudRate", "cmdApply", "cmdHelp"});
    tabs->setCurrentIndex(2);
    QApplication::processEvents();
    controls({"lblNE", "cmdMoreCodes"});

    frmAbout about(nullptr, &window);
    frmASCIIValue code(&window);
    code.ASCIIValue(5);
    code.TitleText(QStringLiteral("NE Mouse Movement"));
    frmMoreCodes more(&window);
    ExitQuestion question(&window);
    question.Ask();
    auto* asked = window.findChild<QMessageBox*>("ExitQuestion");
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Quillmotion"),
                    QStringLiteral("Baud Rate must be a numeric value.  Please re-enter"), QMessageBox::Ok,
                    &window);
    for (const auto& [as, dialog, button] :
         {std::tuple<const char*, QWidget*, QWidget*>{"about", &about, about.findChild<QWidget*>("cmdOK")},
          {"learn", &code, code.findChild<QWidget*>("cmdLearn")},
          {"question", asked, asked->button(QMessageBox::Ok)},
          {"more", &more, more.findChild<QWidget*>("OKButton")},
          {"box", &box, box.button(QMessageBox::Ok)}}) {
        Expose(*dialog);
        centre(as, button, button->rect(), dialog);
    }
    return spots;
}

// The switch device at the far end of the line, with the codes the settings tool writes.
class Device {
public:
    explicit Device(LaunchedProgram& run) : run_(run), looker_(run.Desktop()) {}

    void Send(const std::string& bytes) { run_.Line().Write(bytes); }

    // Moves the pointer with the direction codes, one axis at a time, stopping within a few
    // pixels of the point, as a user does by watching the pointer, and going back when it ran on
    // past it (a loaded machine takes longer to stop it).
    bool MoveTo(Spot target) {
        for (const bool horizontal : {true, false, true, false, true, false}) {
            const auto distance = [&] {
                const Spot now = looker_.Pointer();
                return horizontal ? target.first - now.first : target.second - now.second;
            };
            if (std::abs(distance()) <= kNear) {
                continue;
            }
            const bool forward = distance() > 0;
            Send(std::string(1, horizontal ? (forward ? '\x02' : '\x04') : (forward ? '\x03' : '\x01')));
            const auto until = std::chrono::steady_clock::now() + 10s;
            while ((forward ? distance() > kNear : distance() < -kNear) &&
                   std::chrono::steady_clock::now() < until) {
                std::this_thread::sleep_for(1ms);
            }
            Send("\x0c");
            std::this_thread::sleep_for(50ms);
        }
        const Spot now = looker_.Pointer();
        return std::abs(now.first - target.first) <= 2 * kNear &&
               std::abs(now.second - target.second) <= 2 * kNear;
    }

    bool ClickAt(Spot target) {
        if (!MoveTo(target)) {
            return false;
        }
        Send("\x0e");
        return true;
    }

    // The pointer answers the device: East moves it, Stop stops it.
    bool PointerAnswers() {
        const Spot before = looker_.Pointer();
        Send("\x02");
        const bool moved = Eventually([&] { return looker_.Pointer().first > before.first + 10; }, 5s);
        Send("\x04");
        Eventually([&] { return looker_.Pointer().first <= before.first; }, 5s);
        Send("\x0c");
        return moved;
    }

private:
    static constexpr int kNear = 3;
    LaunchedProgram& run_;
    Looker& looker_;
};

}  // namespace

TEST(DeviceAlone, OpensUsesAndClosesTheWindowsAndMessageBoxes) {
    QM_SKIP_WITHOUT_DESKTOP();
    LaunchedProgram run({.connectOnStart = true, .tracing = true, .movementDelay = 5, .values = {}});
    const Spots spots = Measure(run.Display());
    Looker& looker = run.Desktop();
    run.Start();
    ASSERT_TRUE(run.WaitConnected()) << run.Output();
    Device device(run);

    // A double click on the tray icon brings up the Properties window.
    const auto icon = looker.FindNamed("Quillmotion Enabled\n");
    ASSERT_TRUE(icon.has_value());
    ASSERT_TRUE(device.MoveTo(looker.Centre(icon->first)));
    device.Send("\x0f");
    const unsigned long window = looker.WaitShown("Quillmotion : Properties");
    ASSERT_NE(window, 0u) << "the Properties window did not come up";
    const auto in = [&](unsigned long top, const std::string& spot) {
        return looker.ToRoot(top, spots.at(spot).first, spots.at(spot).second);
    };
    // The device presses the dialog's OK button, and the dialog goes.
    const auto closes = [&](unsigned long dialog, const std::string& spot) {
        return device.ClickAt(in(dialog, spot)) && Eventually([&] { return !looker.Viewable(dialog); });
    };

    // "About...", clicked with more bytes behind the click in the same read: the box opens, the
    // pointer still answers, and the device closes the box with its OK button.
    ASSERT_TRUE(device.MoveTo(in(window, "cmdAbout")));
    device.Send("\x0e\x0c\x0c");
    const unsigned long about = looker.WaitShown("About Quillmotion");
    ASSERT_NE(about, 0u) << "the About box did not open";
    EXPECT_TRUE(device.PointerAnswers()) << "the device lost the pointer while the About box is open";
    EXPECT_TRUE(closes(about, "about")) << "the About box did not close";
    EXPECT_TRUE(device.PointerAnswers());

    // The North East code's editor on the Mouse tab: "Press the switch", and the device's next code,
    // k, fills the box instead of being typed; the device's Enter then confirms it.
    ASSERT_TRUE(device.ClickAt(in(window, "tab2")));
    ASSERT_TRUE(device.ClickAt(in(window, "lblNE")));
    const unsigned long editor = looker.WaitShown("Ascii Value : NE Mouse Movement");
    ASSERT_NE(editor, 0u) << "the code editor did not open";
    ASSERT_TRUE(device.ClickAt(in(editor, "learn")));
    std::this_thread::sleep_for(300ms);
    device.Send("k");
    std::this_thread::sleep_for(300ms);
    device.Send("\r");
    EXPECT_TRUE(Eventually([&] { return !looker.Viewable(editor); })) << "Enter did not confirm the code";
    // "More codes...": the first box (the left button lock) opens ready to type; Tab, typed by
    // the device, reaches the Escape key's box eight boxes on.
    ASSERT_TRUE(device.ClickAt(in(window, "cmdMoreCodes")));
    const unsigned long more = looker.WaitShown("More Codes");
    ASSERT_NE(more, 0u) << "the More Codes dialog did not open";
    std::this_thread::sleep_for(300ms);
    device.Send("30" + std::string(8, '\t') + "31");
    EXPECT_TRUE(closes(more, "more")) << "the More Codes dialog did not close";
    ASSERT_TRUE(device.ClickAt(in(window, "cmdApply")));
    const auto saved = [&](const char* key, const char* name) {
        FileHiveRegistry registry(run.Hive());
        SettingsTree::RegValue value;
        SettingsTree::ReadValue(registry, key, name, value);
        return SettingsTree::ValueText(value);
    };
    EXPECT_TRUE(Eventually([&] { return saved("Mouse\\Movement", "NE_ASCII") == "107"; }))
        << "the North East code taken from the device was not applied";
    EXPECT_TRUE(Eventually([&] { return saved("Mouse\\Buttons", "LEFT_LOCK_ASCII") == "30"; }))
        << "the left button lock's code was not applied";
    EXPECT_TRUE(Eventually([&] { return saved("Emulation", "ESCAPE_ASCII") == "31"; }))
        << "the Escape key's code was not applied";

    // A message box (a baud rate that is not a number) is cleared with the device.
    ASSERT_TRUE(device.ClickAt(in(window, "tab0")));
    ASSERT_TRUE(device.ClickAt(in(window, "cboBaudRate")));
    device.Send("x");
    const unsigned long box = looker.WaitShown("Quillmotion");
    ASSERT_NE(box, 0u) << "no message box for the bad baud rate";
    EXPECT_TRUE(device.PointerAnswers()) << "the device lost the pointer while the message box is open";
    EXPECT_TRUE(closes(box, "box")) << "the message box did not close";

    // The Escape key's code, just applied, closes the About box without the pointer.
    ASSERT_TRUE(device.ClickAt(in(window, "cmdAbout")));
    const unsigned long again = looker.WaitShown("About Quillmotion");
    ASSERT_NE(again, 0u) << "the About box did not open again";
    device.Send("\x1f");
    EXPECT_TRUE(Eventually([&] { return !looker.Viewable(again); })) << "Escape did not close the About box";
    // The guide, beside the window: the pointer still answers, and the Escape key's code closes it.
    ASSERT_TRUE(device.ClickAt(in(window, "cmdHelp")));
    const unsigned long guide = looker.WaitShown("Quillmotion : Help");
    ASSERT_NE(guide, 0u) << "the guide did not open";
    EXPECT_TRUE(device.PointerAnswers()) << "the device lost the pointer while the guide is open";
    device.Send("\x1f");
    EXPECT_TRUE(Eventually([&] { return !looker.Viewable(guide); })) << "Escape did not close the guide";

    // The exit question: the Escape key's code keeps the program (it asks again), OK clicked by the
    // device ends it.
    for (const std::string answer : {"\x1f", "OK"}) {
        ASSERT_TRUE(device.ClickAt(in(window, "cmdExit")));
        const unsigned long question = looker.WaitShown("Quillmotion");
        ASSERT_NE(question, 0u) << "not asked";
        answer == "OK" ? static_cast<void>(device.ClickAt(in(question, "question"))) : device.Send(answer);
        ASSERT_TRUE(Eventually([&] { return !looker.Viewable(question); })) << "not answered: " << answer;
    }
    EXPECT_TRUE(Eventually([&] { return run.Program().WaitForExit(300ms) == std::optional<int>(0); }, 30s))
        << run.Output();
}

// Ending the program at any moment, while the device streams bytes and the pointer moves, by
// each of the four ways a user or the system ends it. A person's three ways are asked about first:
// the device answers OK with its keys, or (every other round) the system ends the program while it
// is asked. Under the sanitizers this runs often enough to catch anything touched after it was gone.
TEST(DeviceAlone, EndsCleanlyFromEveryPathAtAnyMoment) {
    QM_SKIP_WITHOUT_DESKTOP();
#if defined(__SANITIZE_ADDRESS__)
    constexpr int kRuns = 52;
#else
    constexpr int kRuns = 8;
#endif
    LaunchedProgram run({.connectOnStart = true, .tracing = true, .movementDelay = 2, .values = {}});
    const Spots spots = Measure(run.Display());
    Looker& looker = run.Desktop();
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> moment(0, 250);
    const char* const ways[] = {"the Exit button", "the tray menu", "the window's close button", "SIGTERM"};
    Device device(run);
    for (int i = 0; i < kRuns; ++i) {
        const int way = i % 4;
        SCOPED_TRACE(std::string("run ") + std::to_string(i) + ", ended by " + ways[way]);
        run.Start();
        ASSERT_TRUE(run.WaitConnected()) << run.Output();
        const auto icon = looker.Centre(looker.FindNamed("Quillmotion Enabled\n")->first);
        const std::string atIcon =
            "mousemove " + std::to_string(icon.first) + " " + std::to_string(icon.second);
        unsigned long window = 0;
        if (way == 0 || way == 2) {
            run.Xdotool(atIcon + " click --repeat 2 --delay 50 1");
            window = looker.WaitShown("Quillmotion : Properties");
            ASSERT_NE(window, 0u);
        }
        // East and West in turn keep the pointer moving; the letters are typed.
        run.Line().Write("\x02q\x04q\x02qq\x04\x02");
        std::this_thread::sleep_for(std::chrono::milliseconds(moment(random)));
        switch (way) {
            case 0: {
                const auto [x, y] =
                    looker.ToRoot(window, spots.at("cmdExit").first, spots.at("cmdExit").second);
                run.Xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1");
                break;
            }
            case 1:
                run.Xdotool(atIcon + " click 3");
                run.Line().Write("\x04exyzwvu\x02");
                break;
            case 2:
                looker.Close(window);
                break;
            default:
                ::kill(run.Program().Pid(), SIGTERM);
                break;
        }
        if (way < 3) {
            unsigned long question = 0;
            for (int tries = 0; question == 0 && tries < 20; ++tries) {
                question = looker.WaitShown("Quillmotion", 1500ms);
                if (question == 0 && way == 1) {
                    run.Xdotool("key e");  // the menu may have opened after the device's e
                }
                if (question == 0 && way == 2) {
                    // A close request that arrives while the window is being restored from the
                    // tray is sometimes not acted on (seen in about one run in eight); the user
                    // presses the close button again.
                    looker.Close(window);
                }
            }
            ASSERT_NE(question, 0u) << "not asked";
            if (i / 4 % 2 == 0) {
                device.Send("\t\r");  // Tab from the default, Cancel, to OK, and Enter
            } else {
                ::kill(run.Program().Pid(), SIGTERM);
            }
        }
        std::optional<int> status;
        ASSERT_TRUE(Eventually([&] { return (status = run.Program().WaitForExit(300ms)).has_value(); }, 30s))
            << "the program did not end";
        EXPECT_EQ(*status, 0) << run.Output();
        const std::string output = run.Output();
        for (const char* report : {"AddressSanitizer", "LeakSanitizer", "runtime error"}) {
            EXPECT_EQ(output.find(report), std::string::npos) << output;
        }
        const std::vector<std::string> log = Lines(run.Log());
        ASSERT_FALSE(log.empty());
        EXPECT_NE(log.back().find("frmSerial.Form_Unload:Method Exit"), std::string::npos) << log.back();
        EXPECT_EQ(looker.Held(), "");
    }
}
