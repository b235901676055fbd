#pragma once

#include <QLabel>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

class QPainter;

namespace qm {

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

// A picture drawn to the size of the current font, with hotspots placed over given parts of it
// (in fractions of its width and height). Moving over the picture away from the hotspots is
// reported as PictureHovered.
class CodePicture : public QWidget {
    Q_OBJECT
public:
    using Painter = std::function<void(QPainter&, const QRectF&)>;
    // widthInLines and heightInLines size the picture in lines of the current font.
    CodePicture(Painter painter, double widthInLines, double heightInLines, QWidget* parent = nullptr);

    Hotspot* AddHotspot(const QString& name, const QRectF& fraction);
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
    std::vector<std::pair<Hotspot*, QRectF>> hotspots_;
};

// The Mouse tab's "Movement:" editor: the compass picture `imgCompass` with the nine hotspots
// `lblN` ... `lblNW` and `lblStop`, the hint, and `lblDirection` / `lblASCIICode`, which show the
// hovered point's name and working code. A click opens `frmASCIIValue` owned by the window, and
// the code it returns is written back into the working copy; CodesEdited follows every dialog,
// so the window can call CheckDirty. The window places this into its frame `fraMovement`.
class CompassCodesPanel : public QWidget {
    Q_OBJECT
public:
    explicit CompassCodesPanel(QWidget* parent = nullptr);

    // The working copy whose codes are shown and edited; it must outlive the panel.
    void SetWorkingCopy(WorkingCopy* working) { working_ = working; }
    // Asked as each dialog opens: the handshaking its codes will be received with.
    void SetHandshaking(std::function<std::int32_t()> handshaking) { handshaking_ = std::move(handshaking); }

public slots:
    // Empties the hover labels: for the mouse moving over the surrounding frame.
    void ClearHover();

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
    QLabel* lblDirection_ = nullptr;
    QLabel* lblASCIICode_ = nullptr;
};

// The Mouse tab's "Buttons:" editor: the mouse picture `imgMouse` with the hotspots
// `lblLeftButton` and `lblRightButton`, a hint like the compass's, and `lblButtonName`, `lblSClickASCII` and
// `lblDClickASCII` for the hovered button. A click opens `frmMouseClickASCIIValue` owned by the
// window and writes both codes back; CodesEdited follows every dialog. The window places this
// into its frame `fraButtons`.
class ButtonCodesPanel : public QWidget {
    Q_OBJECT
public:
    explicit ButtonCodesPanel(QWidget* parent = nullptr);

    void SetWorkingCopy(WorkingCopy* working) { working_ = working; }
    void SetHandshaking(std::function<std::int32_t()> handshaking) { handshaking_ = std::move(handshaking); }

public slots:
    void ClearHover();

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
    QLabel* lblButtonName_ = nullptr;
    QLabel* lblSClickASCII_ = nullptr;
    QLabel* lblDClickASCII_ = nullptr;
};

// The two pictures, for use elsewhere (and for checking them by eye).
void DrawCompass(QPainter& painter, const QRectF& area);
void DrawMouse(QPainter& painter, const QRectF& area);

}  // namespace qm
