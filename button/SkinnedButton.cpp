// The skinned push button; see SkinnedButton.h.
#include "button/SkinnedButton.h"

#include "button/DialogFont.h"
#include "button/PropertyBag.h"
#include "button/Twips.h"

#include <QApplication>
#include <QCursor>
#include <QFocusEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <limits>
#include <optional>

using ButtonLogic::SkinLayout;

namespace {

// The dialog's face colour, which the skins also show outside their outline; the surface is cleared
// to it before each repaint, so nothing of an earlier look survives where the frame is rounded.
constexpr QRgb FaceColour = 0xffece9d8;

// The two gradient colours as 0xRRGGBB.
constexpr quint32 GradientWhite = 0xffffff;
constexpr quint32 GradientShade = 0xc6c5d7;

// The caption label's design geometry in twips: left 0, top 90, width 1635, height 195.
constexpr QRectF CaptionDesignTwips(0, 90, 1635, 195);
// The button's design size in twips.
constexpr QSizeF DesignSizeTwips(1755, 420);

constexpr const char *SkinPaths[ButtonLogic::SkinCount] = {
    ":/button/Normal.bmp", ":/button/HighLight.bmp", ":/button/Pressed.bmp",
    ":/button/Disable.bmp", ":/button/Selected.bmp", ":/button/HighLightSelect.bmp",
};

QColor colourFromBgr(quint32 colour)
{
    return QColor(colour & 0xff, (colour >> 8) & 0xff, (colour >> 16) & 0xff);
}

QColor colourFromRgb(quint32 colour)
{
    return QColor((colour >> 16) & 0xff, (colour >> 8) & 0xff, colour & 0xff);
}

// Conversions of stored values; nothing when the value does not convert.
std::optional<qint64> toInteger(const QVariant &value, qint64 low, qint64 high)
{
    if (value.typeId() == QMetaType::Bool)
        return std::nullopt;
    bool ok = false;
    const qint64 number = value.toString().trimmed().toLongLong(&ok);
    if (!ok || number < low || number > high)
        return std::nullopt;
    return number;
}

std::optional<bool> toBoolean(const QVariant &value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    const QString text = value.toString().trimmed();
    if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    if (const auto number = toInteger(value, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max()))
        return *number != 0;
    return std::nullopt;
}

std::optional<QFont> toFont(const QVariant &value)
{
    if (value.typeId() == QMetaType::QFont)
        return value.value<QFont>();
    QFont font;
    if (value.typeId() == QMetaType::QString && font.fromString(value.toString()))
        return font;
    return std::nullopt;
}

} // namespace

SkinnedButton::SkinnedButton(QWidget *parent)
    : QWidget(parent), hoverTimer_(new QTimer(this)), captionLabel_(new QLabel(this))
{
    for (int i = 0; i < ButtonLogic::SkinCount; ++i)
        skins_[i] = QPixmap(QString::fromLatin1(SkinPaths[i]));

    // The Tab key gives the focus; a left press takes it in handlePress, after showing the pressed
    // look, so that right and middle presses leave the focus (and the look) alone.
    setFocusPolicy(Qt::TabFocus);
    setMouseTracking(true); // the pointer's arrival is seen through moves without a button
    setFont(DialogFont::font());
    resize(Twips::toContainingPixel(DesignSizeTwips.width()), Twips::toContainingPixel(DesignSizeTwips.height()));

    hoverTimer_->setObjectName(QStringLiteral("hoverTimer"));
    hoverTimer_->setInterval(HoverInterval);
    connect(hoverTimer_, &QTimer::timeout, this, &SkinnedButton::checkPointer);

    captionLabel_->setObjectName(QStringLiteral("caption"));
    captionLabel_->setTextFormat(Qt::PlainText);
    captionLabel_->setText(defaultCaption());
    captionLabel_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    captionLabel_->setGeometry(SkinLayout::pixelRect(CaptionDesignTwips));
    captionLabel_->setMouseTracking(true);
    captionLabel_->installEventFilter(this);
    applyCaptionColour(0);
}

SkinnedButton::~SkinnedButton() = default;

QString SkinnedButton::defaultCaption()
{
    return QStringLiteral("Command");
}

QFont SkinnedButton::ambientFont() const
{
    return parentWidget() ? parentWidget()->font() : QApplication::font();
}

void SkinnedButton::startHoverTracking()
{
    machine_.start();
    hoverTimer_->start();
}

SkinnedButton::ButtonState SkinnedButton::state() const
{
    return machine_.state();
}

// ---- properties ----

quint8 SkinnedButton::opacity()
{
    if (!opaque_)
        return 0;
    restoreIdleLook();
    return 255;
}

void SkinnedButton::setOpacity(quint8 value)
{
    opaque_ = value != 0;
    if (opaque_)
        restoreIdleLook();
    update();
    emit propertyChanged(QStringLiteral("Visible"));
}

quint32 SkinnedButton::captionColour()
{
    const quint32 colour = captionColour_;
    restoreIdleLook();
    return colour;
}

void SkinnedButton::setCaptionColour(quint32 colour)
{
    applyCaptionColour(colour);
    restoreIdleLook();
    emit propertyChanged(QStringLiteral("FontColour"));
}

bool SkinnedButton::isButtonEnabled()
{
    if (firstRun_ == 0) {
        restoreIdleLook();
        firstRun_ = 1;
        enabledValue_ = true;
    }
    const bool enabled = enabledValue_;
    paintEnabledLook();
    return enabled;
}

void SkinnedButton::setButtonEnabled(bool value)
{
    enabledValue_ = value;
    emit propertyChanged(QStringLiteral("Enabled"));
    paintEnabledLook();
}

QString SkinnedButton::caption() const
{
    return captionLabel_->text();
}

void SkinnedButton::setCaption(const QString &caption)
{
    captionLabel_->setText(caption);
    emit propertyChanged(QStringLiteral("Caption"));
}

QFont SkinnedButton::captionFont() const
{
    return captionLabel_->font();
}

void SkinnedButton::setCaptionFont(const QFont &font)
{
    applyCaptionFont(font);
    emit propertyChanged(QStringLiteral("Font"));
}

// The whole font, every attribute as given: nothing is filled in from the button's own font.
void SkinnedButton::applyCaptionFont(QFont font)
{
    font.setResolveMask(QFont::AllPropertiesResolved);
    captionLabel_->setFont(font);
}

void SkinnedButton::applyCaptionColour(quint32 colour)
{
    captionColour_ = colour;
    // Only the active and inactive text colours: a disabled caption keeps the platform's grey.
    QPalette palette = captionLabel_->palette();
    palette.setColor(QPalette::Active, QPalette::WindowText, colourFromBgr(colour));
    palette.setColor(QPalette::Inactive, QPalette::WindowText, colourFromBgr(colour));
    captionLabel_->setPalette(palette);
}

// The saved design's entry names ("Enabled", "Caption", "FirstRun", "Font", "FontColour",
// "Visible") are stored data and stay as they are.
void SkinnedButton::readProperties(const PropertyBag &bag)
{
    if (const auto enabled = toBoolean(bag.readProperty(QStringLiteral("Enabled"), true)))
        enabledValue_ = *enabled;
    if (const QVariant caption = bag.readProperty(QStringLiteral("Caption"), defaultCaption()); caption.canConvert<QString>())
        captionLabel_->setText(caption.toString());
    if (const auto font = toFont(bag.readProperty(QStringLiteral("Font"), ambientFont())))
        applyCaptionFont(*font);
    if (const auto firstRun = toInteger(bag.readProperty(QStringLiteral("FirstRun"), QStringLiteral("1")), 0, 255))
        firstRun_ = quint8(*firstRun);
    if (const auto colour = toInteger(bag.readProperty(QStringLiteral("FontColour"), QStringLiteral("0")),
                                      std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()))
        applyCaptionColour(quint32(qint32(*colour)));
    if (const auto style = toInteger(bag.readProperty(QStringLiteral("Visible"), QStringLiteral("1")),
                                     std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max()))
        opaque_ = *style != 0;
    restoreIdleLook();
    update();
}

void SkinnedButton::writeProperties(PropertyBag &bag)
{
    bag.writeProperty(QStringLiteral("Enabled"), enabledValue_, true);
    bag.writeProperty(QStringLiteral("Caption"), captionLabel_->text(), defaultCaption());
    bag.writeProperty(QStringLiteral("FirstRun"), int(firstRun_), 1);
    bag.writeProperty(QStringLiteral("Font"), captionLabel_->font(), ambientFont());
    bag.writeProperty(QStringLiteral("FontColour"), qint32(captionColour_), 0);
    bag.writeProperty(QStringLiteral("Visible"), opaque_ ? 1 : 0, 1);
    restoreIdleLook();
}

// ---- looks ----

void SkinnedButton::paintEnabledLook()
{
    paintSkin(enabledValue_ ? Skin::Normal : Skin::Disable);
    captionLabel_->setEnabled(enabledValue_);
}

// An enabled button shows its idle look again: caption enabled (black on the first run), Normal skin.
void SkinnedButton::restoreIdleLook()
{
    if (!enabledValue_)
        return;
    captionLabel_->setEnabled(true);
    if (firstRun_ == 0)
        applyCaptionColour(0);
    paintSkin(Skin::Normal);
}

void SkinnedButton::paintSkin(Skin skin)
{
    switch (machine_.state()) {
    case StateNormal:
    case StateSelected:
        hoverGradient_ = false;
        break;
    case StateHighLight:
        hoverGradient_ = true;
        break;
    case StateNone:
    case StateHighLightSelect:
        break; // keeps the gradient of the look it was entered from
    }
    layout_.update(width() * double(Twips::PerPixel), height() * double(Twips::PerPixel));

    if (surface_.size() != size())
        surface_ = QPixmap(size());
    surface_.fill(QColor::fromRgb(FaceColour));
    if (!surface_.isNull()) {
        QPainter painter(&surface_);
        fillGradient(painter);
        drawFrame(painter, skins_[size_t(skin)]);
    }
    update();
    placeCaption();
}

// A vertical gradient over rows 0 .. height - 2 and columns 0 .. width - 2, as the system's rectangle
// gradient fills them: row 0 has the top colour, the last filled row approaches the bottom colour.
// Every row gets one exact colour: the gradient's stops hold each row's colour over the whole row.
void SkinnedButton::fillGradient(QPainter &painter)
{
    const quint32 top = hoverGradient_ ? GradientShade : GradientWhite;
    const quint32 bottom = hoverGradient_ ? GradientWhite : GradientShade;
    const int lastRow = height() - 1;
    const int lastColumn = width() - 1;
    if (lastRow <= 0 || lastColumn <= 0)
        return;

    QLinearGradient gradient(0, 0, 0, lastRow);
    constexpr double rowEnd = 1e-6; // a row's colour holds up to just before the next row starts
    for (int row = 0; row < lastRow; ++row) {
        const QColor colour = colourFromRgb(SkinLayout::gradientRowColour(top, bottom, row, lastRow));
        gradient.setColorAt(double(row) / lastRow, colour);
        gradient.setColorAt(double(row + 1) / lastRow - rowEnd, colour);
    }
    painter.fillRect(QRect(0, 0, lastColumn, lastRow), gradient);
}

// The skin's 4-pixel frame: corners copied as they are, edges stretched to the button's size.
void SkinnedButton::drawFrame(QPainter &painter, const QPixmap &skin)
{
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    for (const ButtonLogic::FramePiece &piece : layout_.pieces())
        painter.drawPixmap(piece.target, skin, piece.source);
}

// The caption spans the button's width and sits 10 twips above the vertical middle; its top in
// pixels is rounded half away from zero.
void SkinnedButton::placeCaption()
{
    const double heightTwips = height() * double(Twips::PerPixel);
    const double top = SkinLayout::captionTop(heightTwips, CaptionDesignTwips.height());
    captionLabel_->setGeometry(0, qRound(top / Twips::PerPixel), width(),
                               Twips::toContainingPixel(CaptionDesignTwips.height()));
}

void SkinnedButton::paintEvent(QPaintEvent *)
{
    if (!opaque_)
        return; // transparent: what lies behind shows, the caption label still draws itself
    QPainter painter(this);
    painter.drawPixmap(0, 0, surface_);
}

void SkinnedButton::resizeEvent(QResizeEvent *)
{
    paintEnabledLook();
}

// ---- input ----

void SkinnedButton::applyReaction(const ButtonLogic::Reaction &reaction)
{
    if (reaction.paint)
        paintSkin(*reaction.paint);
    if (reaction.click)
        emit clicked(); // last: the host's handler may close the window that holds this button
}

void SkinnedButton::handlePress(int button)
{
    if (!enabledValue_)
        return;
    applyReaction(machine_.pressMouse(button));
    if (button == ButtonLogic::LeftButton && !hasFocus())
        setFocus(Qt::MouseFocusReason);
}

void SkinnedButton::handleMove()
{
    if (enabledValue_)
        applyReaction(machine_.moveMouse());
}

void SkinnedButton::handleRelease(int button)
{
    if (enabledValue_)
        applyReaction(machine_.releaseMouse(button));
}

void SkinnedButton::mousePressEvent(QMouseEvent *event)
{
    handlePress(int(event->button()));
}

void SkinnedButton::mouseMoveEvent(QMouseEvent *)
{
    handleMove();
}

// The pointer's arrival counts as a move: Qt drops a move to the very position it saw last, which
// happens when the pointer comes back to the same pixel from another program's window.
void SkinnedButton::enterEvent(QEnterEvent *)
{
    handleMove();
}

void SkinnedButton::mouseReleaseEvent(QMouseEvent *event)
{
    handleRelease(int(event->button()));
}

void SkinnedButton::focusInEvent(QFocusEvent *)
{
    if (enabledValue_)
        applyReaction(machine_.gainFocus());
}

void SkinnedButton::focusOutEvent(QFocusEvent *)
{
    if (enabledValue_)
        applyReaction(machine_.loseFocus());
}

// The caption label is part of the button: its mouse input goes to the button's handlers.
bool SkinnedButton::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != captionLabel_)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        handlePress(int(static_cast<QMouseEvent *>(event)->button()));
        return true;
    case QEvent::MouseMove:
    case QEvent::Enter:
        handleMove();
        return event->type() == QEvent::MouseMove;
    case QEvent::MouseButtonRelease:
        handleRelease(int(static_cast<QMouseEvent *>(event)->button()));
        return true;
    default:
        return QWidget::eventFilter(watched, event);
    }
}

// Hover polling: the hover ends once the widget under the pointer is neither the button nor its
// caption (another widget, another window, another program, or none).
void SkinnedButton::checkPointer()
{
    QWidget *under = QApplication::widgetAt(QCursor::pos());
    if (under != this && under != captionLabel_)
        endHover();
}

// Leaves the hover states. A disabled button keeps its disabled look: the state still follows the
// pointer, but nothing is painted until the button is enabled again.
void SkinnedButton::endHover()
{
    const ButtonLogic::Reaction reaction = machine_.endHover();
    if (enabledValue_)
        applyReaction(reaction);
}
