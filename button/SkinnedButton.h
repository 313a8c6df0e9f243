// The skinned push button: a gradient framed by one of six skin pictures, with hover, focus and click.
#pragma once

#include "button/ButtonStateMachine.h"
#include "button/SkinLayout.h"

#include <QFont>
#include <QPixmap>
#include <QWidget>
#include <array>

class PropertyBag;
class QLabel;
class QTimer;

// Its child label "caption" shows the text and counts as part of the button for the mouse; its
// timer "hoverTimer" looks at what lies under the pointer every HoverInterval ms once tracking starts.
class SkinnedButton : public QWidget
{
    Q_OBJECT
public:
    using ButtonState = ButtonLogic::ButtonState;
    using enum ButtonLogic::ButtonState; // SkinnedButton::StateNone ... SkinnedButton::StateHighLightSelect
    using Skin = ButtonLogic::Skin;

    static constexpr int HoverInterval = 100; // ms between two looks at what lies under the pointer

    explicit SkinnedButton(QWidget *parent = nullptr);
    ~SkinnedButton() override;

    // Makes the button idle and starts hover polling; the host calls it once after building its
    // window. Paints nothing.
    void startHoverTracking();

    // The opacity of the button's own surface: 0 transparent, 255 (read) opaque. Writing a non-zero
    // value or reading while opaque re-applies the enabled caption look and paints the Normal skin.
    quint8 opacity();
    void setOpacity(quint8 value);

    // The caption's text colour, 0x00BBGGRR. Reading and writing re-apply the enabled caption look.
    quint32 captionColour();
    void setCaptionColour(quint32 colour);

    // Whether the button takes input. Reading applies the first-run rule (a never saved or restored
    // button becomes enabled with a black caption) and repaints the enabled or disabled look;
    // writing repaints it. QWidget's own enabled flag is left alone.
    bool isButtonEnabled();
    void setButtonEnabled(bool value);

    QString caption() const;
    void setCaption(const QString &caption);

    // A copy of the caption's font; change the caption's font with setCaptionFont.
    QFont captionFont() const;
    void setCaptionFont(const QFont &font);

    ButtonState state() const;
    // Read without side effects: the stored enabled value, the first-run mark of the saved design
    // (0 until the button was restored, saved or read as enabled) and whether the left button is held.
    bool enabledValue() const { return enabledValue_; }
    quint8 firstRun() const { return firstRun_; }
    bool isMouseDown() const { return machine_.isMouseDown(); }

    // Restoring and saving the button's saved design. Only values that differ from their defaults are
    // stored; a stored value that does not convert leaves the property as it was.
    void readProperties(const PropertyBag &bag);
    void writeProperties(PropertyBag &bag);

    // Draws the button's whole look with `skin` over the background gradient; the state is unchanged.
    void paintSkin(Skin skin);

    // The caption used when a design stores none, and that a new button shows.
    static QString defaultCaption();

signals:
    void clicked();
    // A property that belongs to the saved design changed (so a host can mark its design modified).
    void propertyChanged(const QString &name);

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
    void paintEnabledLook();
    void restoreIdleLook();
    void fillGradient(QPainter &painter);
    void drawFrame(QPainter &painter, const QPixmap &skin);
    void placeCaption();
    void checkPointer();
    void endHover();

    // The mouse handlers; the caption label's mouse input arrives here too.
    void handlePress(int button);
    void handleMove();
    void handleRelease(int button);
    void applyReaction(const ButtonLogic::Reaction &reaction);

    void applyCaptionColour(quint32 colour);
    void applyCaptionFont(QFont font);
    QFont ambientFont() const;

    ButtonLogic::ButtonStateMachine machine_;
    ButtonLogic::SkinLayout layout_;
    bool enabledValue_ = false;
    quint8 firstRun_ = 0;
    bool hoverGradient_ = false;
    bool opaque_ = true;
    quint32 captionColour_ = 0;

    std::array<QPixmap, ButtonLogic::SkinCount> skins_; // decoded once, held for the button's life
    QPixmap surface_;
    QTimer *hoverTimer_;
    QLabel *captionLabel_;
};
