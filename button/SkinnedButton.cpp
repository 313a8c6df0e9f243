// The skinned push button: a gradient framed by one of six skin pictures, with hover, focus and Click.
#include "Command.h"

#include "PropertyBag.h"

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

QColor FromBgr(quint32 colour)
{
    return QColor(colour & 0xff, (colour >> 8) & 0xff, (colour >> 16) & 0xff);
}

QColor FromRgb(quint32 colour)
{
    return QColor((colour >> 16) & 0xff, (colour >> 8) & 0xff, colour & 0xff);
}

// Conversions of stored values; nothing when the value does not convert.
std::optional<qint64> ToInteger(const QVariant &value, qint64 low, qint64 high)
{
    if (value.typeId() == QMetaType::Bool)
        return std::nullopt;
    bool ok = false;
    const qint64 number = value.toString().trimmed().toLongLong(&ok);
    if (!ok || number < low || number > high)
        return std::nullopt;
    return number;
}

std::optional<bool> ToBoolean(const QVariant &value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    const QString text = value.toString().trimmed();
    if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    if (const auto number = ToInteger(value, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max()))
        return *number != 0;
    return std::nullopt;
}

std::optional<QFont> ToFont(const QVariant &value)
{
    if (value.typeId() == QMetaType::QFont)
        return value.value<QFont>();
    QFont font;
    if (value.typeId() == QMetaType::QString && font.fromString(value.toString()))
        return font;
    return std::nullopt;
}

} // namespace

Command::Command(QWidget *parent)
    : QWidget(parent), tmrMouse_(new QTimer(this)), lblMsg_(new QLabel(this))
{
    for (int i = 0; i < ButtonLogic::SkinCount; ++i)
        skins_[i] = QPixmap(QString::fromLatin1(SkinPaths[i]));

    // The Tab key gives the focus; a left press takes it in MouseDown, after showing the pressed look,
    // so that right and middle presses leave the focus (and the look) alone.
    setFocusPolicy(Qt::TabFocus);
    setMouseTracking(true); // the pointer's arrival is seen through moves without a button
    setFont(DesignFont());
    resize(SkinLayout::ToPixels(DesignSizeTwips.width()), SkinLayout::ToPixels(DesignSizeTwips.height()));

    tmrMouse_->setObjectName(QStringLiteral("TmrMouse"));
    tmrMouse_->setInterval(HoverInterval);
    connect(tmrMouse_, &QTimer::timeout, this, &Command::TmrMouse_Timer);

    lblMsg_->setObjectName(QStringLiteral("LblMsg"));
    lblMsg_->setTextFormat(Qt::PlainText);
    lblMsg_->setText(DefaultCaption());
    lblMsg_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblMsg_->setGeometry(SkinLayout::ToPixels(CaptionDesignTwips));
    lblMsg_->setMouseTracking(true);
    lblMsg_->installEventFilter(this);
    SetCaptionColour(0);
}

Command::~Command() = default;

QString Command::DefaultCaption()
{
    return QStringLiteral("Command");
}

QFont Command::DesignFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic")});
    font.setPointSizeF(9.75);
    font.setWeight(QFont::Normal);
    return font;
}

QFont Command::AmbientFont() const
{
    return parentWidget() ? parentWidget()->font() : QApplication::font();
}

void Command::Initialize()
{
    machine_.Initialize();
    tmrMouse_->start();
}

Command::ButtonState Command::State() const
{
    return machine_.State();
}

// ---- properties ----

quint8 Command::Visible()
{
    if (!opaque_)
        return 0;
    ApplyCaptionState();
    return 255;
}

void Command::SetVisible(quint8 value)
{
    opaque_ = value != 0;
    if (opaque_)
        ApplyCaptionState();
    update();
    emit PropertyChanged(QStringLiteral("Visible"));
}

quint32 Command::FontColour()
{
    const quint32 colour = fontColour_;
    ApplyCaptionState();
    return colour;
}

void Command::SetFontColour(quint32 colour)
{
    SetCaptionColour(colour);
    ApplyCaptionState();
    emit PropertyChanged(QStringLiteral("FontColour"));
}

bool Command::Enabled()
{
    if (firstRun_ == 0) {
        ApplyCaptionState();
        firstRun_ = 1;
        enabledValue_ = true;
    }
    const bool enabled = enabledValue_;
    ApplyEnabledLook();
    return enabled;
}

void Command::SetEnabled(bool value)
{
    enabledValue_ = value;
    emit PropertyChanged(QStringLiteral("Enabled"));
    ApplyEnabledLook();
}

QString Command::Caption() const
{
    return lblMsg_->text();
}

void Command::SetCaption(const QString &caption)
{
    lblMsg_->setText(caption);
    emit PropertyChanged(QStringLiteral("Caption"));
}

QFont Command::Font() const
{
    return lblMsg_->font();
}

void Command::SetFont(const QFont &font)
{
    SetCaptionFont(font);
    emit PropertyChanged(QStringLiteral("Font"));
}

// The whole font, every attribute as given: nothing is filled in from the button's own font.
void Command::SetCaptionFont(QFont font)
{
    font.setResolveMask(QFont::AllPropertiesResolved);
    lblMsg_->setFont(font);
}

void Command::SetCaptionColour(quint32 colour)
{
    fontColour_ = colour;
    // Only the active and inactive text colours: a disabled caption keeps the platform's grey.
    QPalette palette = lblMsg_->palette();
    palette.setColor(QPalette::Active, QPalette::WindowText, FromBgr(colour));
    palette.setColor(QPalette::Inactive, QPalette::WindowText, FromBgr(colour));
    lblMsg_->setPalette(palette);
}

void Command::ReadProperties(const PropertyBag &bag)
{
    if (const auto enabled = ToBoolean(bag.ReadProperty(QStringLiteral("Enabled"), true)))
        enabledValue_ = *enabled;
    if (const QVariant caption = bag.ReadProperty(QStringLiteral("Caption"), DefaultCaption()); caption.canConvert<QString>())
        lblMsg_->setText(caption.toString());
    if (const auto font = ToFont(bag.ReadProperty(QStringLiteral("Font"), AmbientFont())))
        SetCaptionFont(*font);
    if (const auto firstRun = ToInteger(bag.ReadProperty(QStringLiteral("FirstRun"), QStringLiteral("1")), 0, 255))
        firstRun_ = quint8(*firstRun);
    if (const auto colour = ToInteger(bag.ReadProperty(QStringLiteral("FontColour"), QStringLiteral("0")),
                                      std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()))
        SetCaptionColour(quint32(qint32(*colour)));
    if (const auto style = ToInteger(bag.ReadProperty(QStringLiteral("Visible"), QStringLiteral("1")),
                                     std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max()))
        opaque_ = *style != 0;
    ApplyCaptionState();
    update();
}

void Command::WriteProperties(PropertyBag &bag)
{
    bag.WriteProperty(QStringLiteral("Enabled"), enabledValue_, true);
    bag.WriteProperty(QStringLiteral("Caption"), lblMsg_->text(), DefaultCaption());
    bag.WriteProperty(QStringLiteral("FirstRun"), int(firstRun_), 1);
    bag.WriteProperty(QStringLiteral("Font"), lblMsg_->font(), AmbientFont());
    bag.WriteProperty(QStringLiteral("FontColour"), qint32(fontColour_), 0);
    bag.WriteProperty(QStringLiteral("Visible"), opaque_ ? 1 : 0, 1);
    ApplyCaptionState();
}

// ---- looks ----

void Command::ApplyEnabledLook()
{
    PaintSkin(enabledValue_ ? Skin::Normal : Skin::Disable);
    lblMsg_->setEnabled(enabledValue_);
}

void Command::ApplyCaptionState()
{
    if (!enabledValue_)
        return;
    lblMsg_->setEnabled(true);
    if (firstRun_ == 0)
        SetCaptionColour(0);
    PaintSkin(Skin::Normal);
}

void Command::PaintSkin(Skin skin)
{
    switch (machine_.State()) {
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
    layout_.Update(width() * SkinLayout::TwipsPerPixel, height() * SkinLayout::TwipsPerPixel);

    if (surface_.size() != size())
        surface_ = QPixmap(size());
    surface_.fill(QColor::fromRgb(FaceColour));
    if (!surface_.isNull()) {
        QPainter painter(&surface_);
        FillGradient(painter);
        DrawFrame(painter, skins_[size_t(skin)]);
    }
    update();
    PlaceCaption();
    lastSkin_ = skin;
    ++paintCount_;
    emit SkinPainted(skin);
}

// A vertical gradient over rows 0 .. height - 2 and columns 0 .. width - 2, as the system's rectangle
// gradient fills them: row 0 has the top colour, the last filled row approaches the bottom colour.
// Every row gets one exact colour: the gradient's stops hold each row's colour over the whole row.
void Command::FillGradient(QPainter &painter)
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
        const QColor colour = FromRgb(SkinLayout::GradientRowColour(top, bottom, row, lastRow));
        gradient.setColorAt(double(row) / lastRow, colour);
        gradient.setColorAt(double(row + 1) / lastRow - rowEnd, colour);
    }
    painter.fillRect(QRect(0, 0, lastColumn, lastRow), gradient);
}

// The skin's 4-pixel frame: corners copied as they are, edges stretched to the button's size.
void Command::DrawFrame(QPainter &painter, const QPixmap &skin)
{
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    for (const ButtonLogic::FramePiece &piece : layout_.Pieces())
        painter.drawPixmap(piece.target, skin, piece.source);
}

// The caption spans the button's width and sits 10 twips above the vertical middle.
void Command::PlaceCaption()
{
    const double heightTwips = height() * SkinLayout::TwipsPerPixel;
    const double top = SkinLayout::CaptionTop(heightTwips, CaptionDesignTwips.height());
    lblMsg_->setGeometry(0, qRound(top / SkinLayout::TwipsPerPixel), width(),
                         SkinLayout::ToPixels(CaptionDesignTwips.height()));
}

void Command::paintEvent(QPaintEvent *)
{
    if (!opaque_)
        return; // transparent: what lies behind shows, the caption label still draws itself
    QPainter painter(this);
    painter.drawPixmap(0, 0, surface_);
}

void Command::resizeEvent(QResizeEvent *)
{
    ApplyEnabledLook();
}

// ---- input ----

void Command::Apply(const ButtonLogic::Reaction &reaction)
{
    if (reaction.paint)
        PaintSkin(*reaction.paint);
    if (reaction.click)
        emit Click(); // last: the host's handler may close the window that holds this button
}

void Command::MouseDown(int button)
{
    if (!enabledValue_)
        return;
    Apply(machine_.MouseDown(button));
    if (button == ButtonLogic::LeftButton && !hasFocus())
        setFocus(Qt::MouseFocusReason);
}

void Command::MouseMove()
{
    if (enabledValue_)
        Apply(machine_.MouseMove());
}

void Command::MouseUp(int button)
{
    if (enabledValue_)
        Apply(machine_.MouseUp(button));
}

void Command::mousePressEvent(QMouseEvent *event)
{
    MouseDown(int(event->button()));
}

void Command::mouseMoveEvent(QMouseEvent *)
{
    MouseMove();
}

// The pointer's arrival counts as a move: Qt drops a move to the very position it saw last, which
// happens when the pointer comes back to the same pixel from another program's window.
void Command::enterEvent(QEnterEvent *)
{
    MouseMove();
}

void Command::mouseReleaseEvent(QMouseEvent *event)
{
    MouseUp(int(event->button()));
}

void Command::focusInEvent(QFocusEvent *)
{
    if (enabledValue_)
        Apply(machine_.FocusGained());
}

void Command::focusOutEvent(QFocusEvent *)
{
    if (enabledValue_)
        Apply(machine_.FocusLost());
}

// The caption label is part of the button: its mouse input goes to the button's handlers.
bool Command::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != lblMsg_)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        MouseDown(int(static_cast<QMouseEvent *>(event)->button()));
        return true;
    case QEvent::MouseMove:
    case QEvent::Enter:
        MouseMove();
        return event->type() == QEvent::MouseMove;
    case QEvent::MouseButtonRelease:
        MouseUp(int(static_cast<QMouseEvent *>(event)->button()));
        return true;
    default:
        return QWidget::eventFilter(watched, event);
    }
}

// Hover polling: the hover ends once the widget under the pointer is neither the button nor its
// caption (another widget, another window, another program, or none).
void Command::TmrMouse_Timer()
{
    QWidget *under = QApplication::widgetAt(QCursor::pos());
    if (under != this && under != lblMsg_)
        EndHover();
}

// Leaves the hover states. A disabled button keeps its disabled look: the state still follows the
// pointer, but nothing is painted until the button is enabled again.
void Command::EndHover()
{
    const ButtonLogic::Reaction reaction = machine_.EndHover();
    if (enabledValue_)
        Apply(reaction);
}
