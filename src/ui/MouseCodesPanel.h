#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QPainterPath>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

class QPainter;

namespace qm {

class CodeListening;
class SettingsRecord;
using WorkingCopy = SettingsRecord;

// A captionless label laid over a picture: the picture shows through, and the label reports the
// mouse moving over it and a left click on it.
class Hotspot : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void Hovered();
    void Clicked();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};

// A code laid over its picture, on a compass point or a mouse button: it shows the code, takes the
// focus with Tab, and is pressed with a click, Space or Enter (Clicked). Assistive tools name it by
// what it is and its code ("North: 56"). The mouse moving over it is reported as Hovered.
class CodeSpot : public QAbstractButton {
    Q_OBJECT
public:
    // Draws the spot in its rectangle with its code ("" while it has none); gives back its outline,
    // which the focus is drawn around.
    using Face = std::function<QPainterPath(QPainter&, const QRectF&, const QString& code)>;
    CodeSpot(const QString& what, Face face, QWidget* parent);

    // The code shown (text()) and named; none before there is a working copy.
    void ShowCode(int code);

signals:
    void Hovered();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QString what_;
    Face face_;
};

// A picture drawn to the size of the current font, with hotspots and code spots placed over given
// parts of it (in fractions of its width and height). Moving over the picture away from them is
// reported as PictureHovered.
class CodePicture : public QWidget {
    Q_OBJECT
public:
    using Painter = std::function<void(QPainter&, const QRectF&)>;
    // widthInLines and heightInLines size the picture in lines of the current font.
    CodePicture(Painter painter, double widthInLines, double heightInLines, QWidget* parent = nullptr);

    Hotspot* AddHotspot(const QString& name, const QRectF& fraction);
    // Keeps a child of the picture over the given part of it.
    void Place(QWidget* child, const QRectF& fraction);
    QSize sizeHint() const override;

signals:
    void PictureHovered();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void FitToFont();
    void PlaceHotspots();

    Painter painter_;
    double widthInLines_;
    double heightInLines_;
    std::vector<std::pair<QWidget*, QRectF>> placed_;
};

// The Mouse tab's "Movement:" editor: the compass picture `imgCompass` with the nine code spots
// `lblN` ... `lblNW` and `lblStop` (in that order for Tab), each showing its working code, the
// hint, and `lblDirection` / `lblASCIICode`, which show the hovered point's name and working code.
// Pressing a point opens `frmASCIIValue` owned by the window, and the code it returns is written
// back into the working copy; CodesEdited follows every dialog, so the window can call CheckDirty.
// The window places this into its frame `fraMovement`.
class CompassCodesPanel : public QWidget {
    Q_OBJECT
public:
    explicit CompassCodesPanel(QWidget* parent = nullptr);

    // The working copy whose codes are shown and edited; it must outlive the panel.
    void SetWorkingCopy(WorkingCopy* working);
    // Asked as each dialog opens: the handshaking its codes will be received with.
    void SetHandshaking(std::function<std::int32_t()> handshaking) { handshaking_ = std::move(handshaking); }
    // Given to each dialog: where it takes a code from the device; it must outlive the panel.
    void SetListening(CodeListening* listening) { listening_ = listening; }

public slots:
    // Empties the hover labels: for the mouse moving over the surrounding frame.
    void ClearHover();
    // Shows the working codes again: for a change of the working copy made elsewhere.
    void ShowCodes();

signals:
    void CodesEdited();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    struct Point;
    static const Point* Points();
    void ShowPoint(const Point& point);
    void EditPoint(const Point& point);

    WorkingCopy* working_ = nullptr;
    std::function<std::int32_t()> handshaking_;
    CodeListening* listening_ = nullptr;
    std::vector<CodeSpot*> spots_;  // in the order of the points
    QLabel* lblDirection_ = nullptr;
    QLabel* lblASCIICode_ = nullptr;
};

// The Mouse tab's "Buttons:" editor: the mouse picture `imgMouse` with the hotspots
// `lblLeftButton` and `lblRightButton`, on each the code spots of its single and double click
// (`lblLeftSClick`, `lblLeftDClick`, ...), a hint like the compass's, and `lblButtonName`,
// `lblSClickASCII` and `lblDClickASCII` for the hovered button. A click on a button, or pressing
// one of its spots, opens `frmMouseClickASCIIValue` owned by the window and writes both codes
// back; CodesEdited follows every dialog. The window places this into its frame `fraButtons`.
class ButtonCodesPanel : public QWidget {
    Q_OBJECT
public:
    explicit ButtonCodesPanel(QWidget* parent = nullptr);

    void SetWorkingCopy(WorkingCopy* working);
    void SetHandshaking(std::function<std::int32_t()> handshaking) { handshaking_ = std::move(handshaking); }
    void SetListening(CodeListening* listening) { listening_ = listening; }

public slots:
    void ClearHover();
    void ShowCodes();

signals:
    void CodesEdited();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    struct Button;
    static const Button* Buttons();
    void ShowButton(const Button& button);
    void EditButton(const Button& button);

    WorkingCopy* working_ = nullptr;
    std::function<std::int32_t()> handshaking_;
    CodeListening* listening_ = nullptr;
    std::vector<CodeSpot*> spots_;  // each button's single-click spot, then its double-click spot
    QLabel* lblButtonName_ = nullptr;
    QLabel* lblSClickASCII_ = nullptr;
    QLabel* lblDClickASCII_ = nullptr;
};

// The two pictures under the code spots, for use elsewhere (and for checking them by eye).
void DrawCompass(QPainter& painter, const QRectF& area);
void DrawMouse(QPainter& painter, const QRectF& area);

}  // namespace qm
