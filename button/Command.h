// The skinned push button: a gradient framed by one of six skin pictures, with hover, focus and Click.
#pragma once

#include <QFont>
#include <QWidget>

class PropertyBag;

class Command : public QWidget
{
    Q_OBJECT
public:
    enum ButtonState : quint8 {
        StateNone = 0,
        StateNormal = 1,
        StateHighLight = 2,
        StateSelected = 3,
        StateHighLightSelect = 4,
    };

    explicit Command(QWidget *parent = nullptr);
    ~Command() override;

    // Starts hover polling and makes the button idle; the host calls it once after building its window.
    void Initialize();

    // The opacity of the button's own surface: 0 transparent, 255 (read) opaque.
    quint8 Visible();
    void SetVisible(quint8 value);

    quint32 FontColour(); // 0x00BBGGRR
    void SetFontColour(quint32 colour);

    bool Enabled();
    void SetEnabled(bool value);

    QString Caption() const;
    void SetCaption(const QString &caption);

    QFont Font() const;
    void SetFont(const QFont &font);

    ButtonState State() const;

    // Restoring and saving the button's saved design.
    void ReadProperties(const PropertyBag &bag);
    void WriteProperties(PropertyBag &bag);

signals:
    void Click();
};
