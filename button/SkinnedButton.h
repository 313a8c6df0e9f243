// The skinned push button: a gradient framed by one of six skin pictures, with hover, focus and Click.
#pragma once

#include "ButtonStateMachine.h"
#include "SkinLayout.h"

#include <QFont>
#include <QPixmap>
#include <QWidget>
#include <array>

class PropertyBag;
class QLabel;
class QTimer;

class Command : public QWidget
{
    Q_OBJECT
public:
    using ButtonState = ButtonLogic::ButtonState;
    using enum ButtonLogic::ButtonState; // Command::StateNone ... Command::StateHighLightSelect
    using Skin = ButtonLogic::Skin;

    static constexpr int HoverInterval = 100; // ms between two looks at what lies under the pointer

    explicit Command(QWidget *parent = nullptr);
    ~Command() override;

    // Starts hover polling and makes the button idle; the host calls it once after building its window.
    // Paints nothing.
    void Initialize();

    // The opacity of the button's own surface: 0 transparent, 255 (read) opaque. Writing a non-zero
    // value or reading while opaque re-applies the enabled caption look and paints the Normal skin.
    quint8 Visible();
    void SetVisible(quint8 value);

    // The caption's text colour, 0x00BBGGRR. Reading and writing re-apply the enabled caption look.
    quint32 FontColour();
    void SetFontColour(quint32 colour);

    // Reading applies the first-run rule (a never saved or restored button becomes enabled with a
    // black caption) and repaints the enabled or disabled look; writing repaints it.
    bool Enabled();
    void SetEnabled(bool value);

    QString Caption() const;
    void SetCaption(const QString &caption);

    // A copy of the caption's font; change the caption's font with SetFont.
    QFont Font() const;
    void SetFont(const QFont &font);

    ButtonState State() const;

    // Read without side effects (the host and tests look at these).
    bool EnabledValue() const { return enabledValue_; }
    quint8 FirstRun() const { return firstRun_; }
    bool MouseIsDown() const { return machine_.MouseIsDown(); }
    bool HoverGradient() const { return hoverGradient_; }
    Skin LastSkin() const { return lastSkin_; }     // the skin of the most recent PaintSkin
    int PaintCount() const { return paintCount_; }  // how many times PaintSkin has run
    const QPixmap &Surface() const { return surface_; } // the persistent drawing, one pixel per pixel
    const QLabel *LblMsg() const { return lblMsg_; }

    // Restoring and saving the button's saved design. Only values that differ from their defaults are
    // stored; a stored value that does not convert leaves the property as it was.
    void ReadProperties(const PropertyBag &bag);
    void WriteProperties(PropertyBag &bag);

    // Draws the button's whole look with `skin` over the background gradient; the state is unchanged.
    void PaintSkin(Skin skin);

    // The caption used when a design stores none, and that a new button shows.
    static QString DefaultCaption();
    // The font of a new button: "ＭＳ Ｐゴシック" 9.75 pt, normal weight.
    static QFont DesignFont();

signals:
    void Click();
    // A property that belongs to the saved design changed (so a host can mark its design modified).
    void PropertyChanged(const QString &name);
    // PaintSkin ran with `skin` (for hosts and tests that follow the looks).
    void SkinPainted(Command::Skin skin);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ApplyEnabledLook();
    void ApplyCaptionState();
    void FillGradient(QPainter &painter);
    void DrawFrame(QPainter &painter, const QPixmap &skin);
    void PlaceCaption();
    void EndHover();
    void TmrMouse_Timer();

    // The mouse and focus handlers; the caption label's mouse input arrives here too.
    void MouseDown(int button);
    void MouseMove();
    void MouseUp(int button);
    void Apply(const ButtonLogic::Reaction &reaction);

    void SetCaptionColour(quint32 colour);
    void SetCaptionFont(QFont font);
    QFont AmbientFont() const;

    ButtonLogic::ButtonStateMachine machine_;
    ButtonLogic::SkinLayout layout_;
    bool enabledValue_ = false;
    quint8 firstRun_ = 0;
    bool hoverGradient_ = false;
    bool opaque_ = true;
    quint32 fontColour_ = 0;
    Skin lastSkin_ = Skin::Normal;
    int paintCount_ = 0;

    std::array<QPixmap, ButtonLogic::SkinCount> skins_; // decoded once, held for the button's life
    QPixmap surface_;
    QTimer *tmrMouse_;
    QLabel *lblMsg_;
};
