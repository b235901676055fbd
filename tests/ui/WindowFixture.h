#pragma once

// What the widget tests share: controls found by name, modal dialogs answered, tables of rows,
// scripted message boxes, and the main window over fakes.
#include <QtTest>
#include <QtWidgets>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "app/Session.h"
#include "settings/SettingsLayout.h"
#include "support/CoreRoad.h"
#include "ui/PortOptionsFrame.h"
#include "ui/StatusDisplay.h"
#include "ui/TrayIcon.h"
#include "ui/common/MessageBoxService.h"
#include "ui/frmSerial.h"

namespace qm::test {

// A control found by its object name, as assistive tools find it; a missing one ends the test.
template <typename T>
T* Child(QWidget* parent, const char* name) {
    auto* child = parent->findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr) {
        qFatal("no child %s", name);
    }
    return child;
}

// Runs body against the modal dialog once it is up, and makes sure it goes away again, so a
// failing check never leaves the test waiting on a dialog.
inline void WhenModal(std::function<void(QDialog*)> body) {
    QTimer::singleShot(0, [body] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            body(dialog);
            if (dialog->isVisible()) {
                dialog->reject();
            }
        }
    });
}

// What a dialog shows, in a line: its title, then the text of each of its boxes.
inline QString Shown(QDialog* dialog) {
    QStringList shown{dialog->windowTitle()};
    for (QLineEdit* edit : dialog->findChildren<QLineEdit*>(QRegularExpression("^txt"))) {
        shown << edit->text();
    }
    return shown.join(' ');
}

// One data row per entry of a table, named by the entry's first column, so that each fails on its
// own; RowOf gives the entry back inside the test.
template <typename Row>
void AddRowsOf(const std::vector<Row>& rows) {
    QTest::addColumn<int>("row");
    for (std::size_t i = 0; i < rows.size(); ++i) {
        QTest::newRow(std::get<0>(rows[i])) << static_cast<int>(i);
    }
}
template <typename Row>
const Row& RowOf(const std::vector<Row>& rows) {
    QFETCH(int, row);
    return rows[static_cast<std::size_t>(row)];
}

// Values as one line of text, for one comparison.
template <typename... T>
QString Numbers(T... values) {
    return QStringList{QString::number(values)...}.join(' ');
}

// Stands in for the message boxes while it lives: records every box and answers questions from a
// script. A box with only OK is answered OK; a question with no scripted answer counts as
// unanswered and gets No, so a test can tell an unexpected question from an expected one.
class ScriptedMessageBoxes final : public MessageBoxService {
public:
    struct Shown {
        QString text;
        MsgIcon icon;
        QString title;
    };

    ScriptedMessageBoxes() { SetMessageBoxService(this); }
    ~ScriptedMessageBoxes() override { SetMessageBoxService(nullptr); }
    ScriptedMessageBoxes(const ScriptedMessageBoxes&) = delete;
    ScriptedMessageBoxes& operator=(const ScriptedMessageBoxes&) = delete;

    // Queues the answer to the next question (a box with more than an OK button).
    void Answer(MsgResult answer) { answers_.push_back(answer); }

    MsgResult Show(QWidget* /*parent*/, const QString& text, MsgIcon icon, MsgButtons buttons,
                   const QString& title) override {
        shown_.push_back({text, icon, title});
        if (buttons == MsgButtons::OK) {
            return MsgResult::OK;
        }
        if (answers_.empty()) {
            ++unanswered_;
            return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Cancel;
        }
        const MsgResult answer = answers_.front();
        answers_.pop_front();
        return answer;
    }

    const std::vector<Shown>& All() const { return shown_; }
    QStringList Texts() const {
        QStringList texts;
        for (const auto& box : shown_) {
            texts << box.text;
        }
        return texts;
    }
    int Unanswered() const { return unanswered_; }
    void Clear() {
        shown_.clear();
        answers_.clear();
        unanswered_ = 0;
    }

private:
    std::vector<Shown> shown_;
    std::deque<MsgResult> answers_;
    int unanswered_ = 0;
};

// A notification area in memory: records what the window asks of it.
class FakeTray final : public TrayIcon {
public:
    bool AreaAvailable() const override { return area; }
    bool Add(const std::string& tip) override {
        added = true;
        return Modify(tip);
    }
    bool Modify(const std::string& tip) override {
        if (added) {
            tips.push_back(tip);
        }
        return added;
    }
    void Delete() override {
        added = false;
        ++deletes;
    }
    std::string Tip() const override { return tips.empty() ? std::string() : tips.back(); }

    bool area = true;
    bool added = false;
    int deletes = 0;
    std::vector<std::string> tips;
};

enum Way { Typed, Pasted };

// Puts text into the box the way a user does, over the whole of what it holds: key by key (each
// with its own character, so '-' and ' ' arrive as typed), or by pasting the clipboard. Empty
// typed text is the Delete key.
inline void Enter(QLineEdit* box, const QString& text, Way way) {
    box->setFocus();
    box->selectAll();
    if (way == Pasted) {
        QApplication::clipboard()->setText(text);
        box->paste();
        return;
    }
    if (text.isEmpty()) {
        QTest::keyClick(box, Qt::Key_Delete);
        return;
    }
    for (QChar c : text) {
        const auto key =
            c.isLetterOrNumber() && c.unicode() < 128 ? Qt::Key(c.toUpper().unicode()) : Qt::Key_unknown;
        QTest::sendKeyEvent(QTest::Click, box, key, QString(c), Qt::NoModifier);
    }
}

// The settings an installation starts with (COM1:, the port list's first port, saved).
inline void FillDefaultSettings(SettingsRecord& s) {
    for (const layout::Setting& setting : layout::Settings()) {
        const Variant& value = setting.fallback.value;
        layout::Load(setting, s, value.IsMissing() ? Variant(setting.fallback.installedCode) : value);
    }
}

// The main window over the road on fakes, the real session with a manual reconnect timer, a tray
// in memory and scripted message boxes. Three ports: COM1: (saved), COM3:, and COM4:
// which another program holds. Reset and shown, as start-up leaves it, unless asked not to reset.
struct WindowFixture : RoadOnFakes {
    ScriptedMessageBoxes boxes;
    int saves = 0;
    bool saveResult = true;
    std::string problem;
    std::string desktopInput;  // what the platform reports of the desktop input; none on X11
    std::string desktopNote;   // what it leaves the user to know; none on X11
    int terminates = 0;
    FakeTray tray;
    ManualTimer reconnectTimer;
    std::unique_ptr<Session> session;
    std::unique_ptr<frmSerial> window;

    struct Unbuilt {};
    explicit WindowFixture(Unbuilt, SerialControl* control = nullptr) : RoadOnFakes(control) {}
    explicit WindowFixture(bool reset = true) {
        FillDefaultSettings(settings);
        Build([this] { return ++saves, saveResult; }, [this] { ++terminates; });
        window->Ports() = {
            {"COM1:", false, "/dev/ttyS0"}, {"COM3:", false, "/dev/ttyS2"}, {"COM4:", true, "/dev/ttyUSB0"}};
        window->LoadPortsList();
        window->Status().InitialiseSysTray();
        if (reset) {
            window->Reset();
            Show();
        }
    }

    // A new window over the settings, the given store, and the fakes here.
    void Build(std::function<bool()> save, std::function<void()> terminate,
               std::function<std::string()> saveProblem = {}, std::function<bool()> unsaved = {}) {
        window.reset();
        session.reset();
        session = std::make_unique<Session>(
            Session::Parts{&settings, line, &road, &reconnectTimer, std::move(terminate)});
        if (!saveProblem) {
            saveProblem = [this] { return problem; };
        }
        window = std::make_unique<frmSerial>(
            frmSerial::Parts{&settings, std::move(save), std::move(saveProblem), std::move(unsaved), &tray,
                             &road, session.get(), nullptr, desktopInput, desktopNote});
    }

    // Shows the window and checks the pending state against the settings, as start-up leaves it.
    void Show() {
        window->show();
        window->CheckDirty();
    }

    template <typename T>
    T* Find(const char* name) const {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    QComboBox* Combo(const char* name) const { return Find<QComboBox>(name); }
    QWidget* Widget(const char* name) const { return Find<QWidget>(name); }
    void Click(const char* button) const { QTest::mouseClick(Find<QAbstractButton>(button), Qt::LeftButton); }
    void Type(const char* combo, const QString& text) const { Enter(Combo(combo)->lineEdit(), text, Typed); }

    // Chooses an item of a drop-down list the way the user does.
    static void Choose(QComboBox* combo, const QString& text) {
        const int index = combo->findText(text);
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
    void Choose(const char* combo, const QString& text) const { Choose(Combo(combo), text); }

    // The port, the enabled commands, the movement, the pending flag and the window, in a line.
    QString State() const {
        QString state = line->PortOpen() ? "open" : "closed";
        for (const char* command : {"cmdOpenPort", "cmdClosePort", "cmdApply"}) {
            state += Find<QWidget>(command)->isEnabled() ? QString(" ") + (command + 3) : "";
        }
        state += timer.Enabled() ? " moving" : "";
        state += window->Dirty() ? " dirty" : "";
        return state + (window->isMinimized() ? " minimised" : "") + (window->isVisible() ? "" : " hidden");
    }

    PortListView* Ports() const { return Find<PortListView>("lvwPort"); }
    QTreeWidgetItem* Row(const char* key) const { return Ports()->FindKey(key); }
    QString SelectedPort() const {
        QTreeWidgetItem* item = Ports()->SelectedItem();
        return item == nullptr ? QString() : item->text(0);
    }
    // A mouse click on a row of the port list.
    void ClickRow(const char* key) const {
        PortListView* list = Ports();
        const QRect rect = list->visualItemRect(Row(key));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }
};

}  // namespace qm::test
