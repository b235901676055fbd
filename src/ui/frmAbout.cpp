#include "ui/frmAbout.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QUrl>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <vector>

#include "ui/AboutInfo.h"
#include "ui/AccessibleInterfaces.h"
#include "ui/Pictures.h"
#include "ui/common/Ansi.h"
#include "ui/common/FixedDialog.h"
#include "ui/common/MessageBoxService.h"
#include "ui/common/TypedKeys.h"

namespace qm {

// ---- LinkLabel ----

LinkLabel::LinkLabel(const QString& address, const QString& tip, QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setText(address);
    setToolTip(tip);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    SetTextColour(QColor(0, 0, 255));
}

// The colour the label draws its text in, whatever background it sits on.
QColor LinkLabel::TextColour() const {
    return palette().color(foregroundRole());
}

void LinkLabel::SetTextColour(const QColor& colour) {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, colour);
    p.setColor(QPalette::Text, colour);
    setPalette(p);
}

void LinkLabel::mousePressEvent(QMouseEvent* event) {
    SetTextColour(QColor(255, 0, 0));
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    SetTextColour(QColor(0, 0, 255));
    const bool click =
        pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    event->accept();
    if (click) {
        emit Clicked();
    }
}

void LinkLabel::keyPressEvent(QKeyEvent* event) {
    if (PressesControl(*event, true)) {
        event->accept();
        Press();
        return;
    }
    QLabel::keyPressEvent(event);
}

void LinkLabel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (hasFocus()) {
        // Drawn whatever the style, which may show a focus frame only after some keys.
        QPainter painter(this);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
}

// ---- frmAbout ----

namespace {

const char* const kUnavailable = "System Information Is Unavailable At This Time";

QLabel* DescriptionLine(QWidget* parent, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

}  // namespace

frmAbout::frmAbout(RegistryApi* registry, QWidget* parent)
    : QDialog(parent),
      registry_(registry),
      startProgram_([](const QString& program) { return QProcess::startDetached(program, {}); }) {
    InstallAccessibleInterfaces();
    setObjectName(QStringLiteral("frmAbout"));
    const QString appTitle = QString::fromLatin1(kAppTitle);
    setWindowTitle(QStringLiteral("About ") + appTitle);

    auto* Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    const int imageSide = fontMetrics().height() * 3;
    Image1->setPixmap(ApplicationIcon().pixmap(imageSide, imageSide));
    Image1->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto* lblTitle = new QLabel(QString::fromLatin1(about::kMakerName) + QLatin1Char(' ') + appTitle, this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    lblTitle->setFont(titleFont);

    auto* lblVersion = new QLabel(QStringLiteral("Beta Version %1.%2.%3")
                                      .arg(QM_VERSION_MAJOR)
                                      .arg(QM_VERSION_MINOR)
                                      .arg(QM_VERSION_PATCH),
                                  this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    auto* lblCopyright = new QLabel(QString::fromUtf8(about::kCopyright), this);
    lblCopyright->setObjectName(QStringLiteral("lblCopyright"));

    // The description: a taller container sliding inside a fixed window, moved by the scroll bar.
    pctDescription_ = new QFrame(this);
    pctDescription_->setObjectName(QStringLiteral("pctDescription"));
    pctDescription_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    pctDescription_->setFixedHeight(fontMetrics().height() * 7);
    pctDescription_->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 48);
    pctDescription_->setBackgroundRole(QPalette::Base);
    pctDescription_->setAutoFillBackground(true);
    pctContainer_ = new QWidget(pctDescription_);
    pctContainer_->setObjectName(QStringLiteral("pctContainer"));
    auto* lines = new QVBoxLayout(pctContainer_);
    lines->addWidget(
        DescriptionLine(pctContainer_, tr("With thanks to Kelvay, whose idea started this program "
                                          "and who tried out every version of it:")));
    lines->addWidget(AddLink(pctContainer_, "lblKelvayLink", about::kThanksUrl, about::kThanksTip));
    lines->addSpacing(fontMetrics().height() / 2);
    lines->addWidget(DescriptionLine(pctContainer_, tr("For more information and updates :")));
    lines->addWidget(AddLink(pctContainer_, "lblProductLink", about::kProductUrl, about::kProductTip));
    lines->addSpacing(fontMetrics().height() / 2);
    lines->addWidget(DescriptionLine(pctContainer_, tr("NB : This software is unsupported.")));
    lines->addSpacing(fontMetrics().height() / 2);
    lines->addWidget(DescriptionLine(pctContainer_, tr("Developed together with Ostrand College:")));
    lines->addWidget(AddLink(pctContainer_, "lblOstrandLink", about::kCollegeUrl, about::kCollegeTip));
    vscDescription_ = new QScrollBar(Qt::Vertical, pctDescription_);
    vscDescription_->setObjectName(QStringLiteral("vscDescription"));
    vscDescription_->setAccessibleName(tr("Scroll the description"));
    connect(vscDescription_, &QScrollBar::valueChanged, this, [this](int value) {
        pctContainer_->move(pctContainer_->x(), pctDescription_->frameWidth() - value);
    });
    pctDescription_->installEventFilter(this);

    auto* lblCompanyLink = AddLink(this, "lblCompanyLink", about::kCompanyUrl, about::kCompanyTip);

    auto* lblDisclaimer = new QLabel(QString::fromLatin1(about::kDisclaimer), this);
    lblDisclaimer->setObjectName(QStringLiteral("lblDisclaimer"));
    lblDisclaimer->setWordWrap(true);
    QFont small = lblDisclaimer->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    lblDisclaimer->setFont(small);

    auto* cmdOK = new QPushButton(tr("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    // Not the first link, which comes first for Tab: Enter closes the box.
    cmdOK->setFocus();
    auto* cmdSysInfo = new QPushButton(tr("&System Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setAutoDefault(false);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);

    auto* heading = new QVBoxLayout;
    heading->addWidget(lblTitle);
    heading->addWidget(lblVersion);
    heading->addWidget(lblCopyright);
    heading->addSpacing(fontMetrics().height() / 2);
    heading->addWidget(pctDescription_);
    heading->addWidget(lblCompanyLink);

    auto* top = new QHBoxLayout;
    top->addWidget(Image1, 0, Qt::AlignTop);
    top->addSpacing(fontMetrics().height());
    top->addLayout(heading, 1);

    auto* rule = new QFrame(this);
    rule->setFrameStyle(QFrame::HLine | QFrame::Sunken);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    buttons->addStretch();
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblDisclaimer, 1);
    bottom->addSpacing(fontMetrics().height());
    bottom->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(rule);
    layout->addLayout(bottom);
    MakeFixedDialog(this, layout);
}

LinkLabel* frmAbout::AddLink(QWidget* parent, const char* name, const char* address, const char* tip) {
    auto* link = new LinkLabel(QString::fromLatin1(address), QString::fromLatin1(tip), parent);
    link->setObjectName(QString::fromLatin1(name));
    // What the shell would be asked to open is the caption itself; the result is not looked at.
    connect(link, &LinkLabel::Clicked, this, [link] { QDesktopServices::openUrl(QUrl(link->text())); });
    link->installEventFilter(this);
    return link;
}

void frmAbout::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    LayoutDescription();
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && pctContainer_->isAncestorOf(qobject_cast<QWidget*>(watched))) {
        // A link reached by Tab is scrolled into the description's window.
        const auto* link = static_cast<QWidget*>(watched);
        const int top = link->mapTo(pctContainer_, QPoint()).y();
        const int shown = pctDescription_->contentsRect().height();
        vscDescription_->setValue(
            std::clamp(vscDescription_->value(), std::min(top, top + link->height() - shown), top));
    }
    if (watched == pctDescription_) {
        if (event->type() == QEvent::Resize) {
            LayoutDescription();
        } else if (event->type() == QEvent::Wheel) {
            // Wheeling anywhere over the description scrolls it, not only over the bar.
            return QCoreApplication::sendEvent(vscDescription_, event);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmAbout::LayoutDescription() {
    const QRect inner = pctDescription_->contentsRect();
    const int barWidth = vscDescription_->sizeHint().width();
    vscDescription_->setGeometry(inner.right() + 1 - barWidth, inner.top(), barWidth, inner.height());
    const int width = inner.width() - barWidth;
    const int height = std::max(pctContainer_->heightForWidth(width), pctContainer_->sizeHint().height());
    pctContainer_->resize(width, height);
    vscDescription_->setRange(0, std::max(0, height - inner.height()));
    vscDescription_->setSingleStep(fontMetrics().height());
    vscDescription_->setPageStep(inner.height());
    pctContainer_->move(inner.left(), inner.top() - vscDescription_->value());
}

bool frmAbout::Start(const QString& program) {
    return !program.isEmpty() && startProgram_(program);
}

void frmAbout::StartSysInfo() {
    std::string path;
    if (GetKeyValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", path)) {
        if (!Start(FromAnsi(path))) {
            MsgBox(this, QString::fromLatin1(kUnavailable), MsgIcon::None);
        }
        return;
    }
    std::string folder;
    if (GetKeyValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO", folder)) {
        const QString program = FromAnsi(folder) + QStringLiteral("\\MSINFO32.EXE");
        if (QFileInfo::exists(program)) {
            if (!Start(program)) {
                MsgBox(this, QString::fromLatin1(kUnavailable), MsgIcon::None);
            }
            return;
        }
    }
#ifndef Q_OS_WIN
    for (const char* name : about::kSystemInfoPrograms) {
        const QString program = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!program.isEmpty()) {
            if (!Start(program)) {
                MsgBox(this, QString::fromLatin1(kUnavailable), MsgIcon::None);
            }
            return;
        }
    }
#endif
    MsgBox(this, QString::fromLatin1(kUnavailable), MsgIcon::None);
}

bool frmAbout::GetKeyValue(HKEY KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                           std::string& KeyVal) {
    if (registry_ == nullptr) {
        KeyVal.clear();
        return false;
    }
    HKEY key = 0;
    // Reading is all this needs; asking for more would fail for an account that may only read.
    if (registry_->RegOpenKeyExA(KeyRoot, KeyName, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        KeyVal.clear();
        return false;
    }
    constexpr DWORD kBufferSize = 1024;
    std::vector<unsigned char> buffer(kBufferSize, 0);
    DWORD size = kBufferSize;
    DWORD type = REG_NONE;
    if (registry_->RegQueryValueExA(key, SubKeyRef, &type, buffer.data(), &size) != ERROR_SUCCESS) {
        KeyVal.clear();
        registry_->RegCloseKey(key);
        return false;
    }
    size = std::min(size, kBufferSize);
    if (type == REG_SZ) {
        std::string text(reinterpret_cast<const char*>(buffer.data()), size);
        if (!text.empty() && text.back() == '\0') {
            text.pop_back();
        }
        KeyVal = text;
    } else if (type == REG_DWORD) {
        std::uint32_t value = 0;
        for (DWORD i = std::min<DWORD>(size, 4); i > 0; --i) {
            value = (value << 8) | buffer[i - 1];  // stored least significant byte first
        }
        KeyVal = "&h" + QString::number(value, 16).toUpper().toStdString();
    }
    registry_->RegCloseKey(key);
    return true;
}

}  // namespace qm
