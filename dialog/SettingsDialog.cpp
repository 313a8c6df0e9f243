// The settings dialog: its controls, load sequence, drawn backgrounds and handlers.
#include "Helixcavern_P.h"

#include "Command.h"
#include "DialogLayout.h"
#include "DialogValues.h"
#include "EventLabel.h"
#include "Helixcavern_B.h"
#include "OutlineAnimation.h"
#include "PathBox.h"
#include "PictureBox.h"
#include "PictureNameFilter.h"
#include "PropertyBag.h"
#include "SpeedScrollBar.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFontDatabase>
#include <QImageReader>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QTranslator>
#include <QUrl>

#include <limits>

using namespace Helixcavern_B;

qint16 Helixcavern_P::AnimOriginX = 0;
qint16 Helixcavern_P::AnimOriginY = 0;

namespace {
const QString kFontFamily = QStringLiteral("ＭＳ Ｐゴシック");
// 9.75 points at the 96 dots per inch the twips layout assumes: 13 pixels.
constexpr int kFontPixelSize = 13;

const QColor kPanelBase(0x80, 0x80, 0x80);        // the panels' base colour before tiling
const QColor kVersionColour(0xFF, 0xFF, 0xFF);    // white
const QColor kLinkColour(0xFF, 0xFF, 0xC0);       // pale yellow
constexpr QPoint kLinkPointerHotSpot(12, 10);

QImage picture(const char *resource) { return QImage(QString::fromLatin1(resource)); }

QLabel *pictureLabel(QWidget *parent, const QImage &image)
{
    auto *label = new QLabel(parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (!image.isNull())
        label->setPixmap(QPixmap::fromImage(image));
    return label;
}

void setTextColour(QWidget *label, const QColor &colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

// A Command button restored from a stored design holding only its caption and its font.
Command *designedButton(QWidget *parent, const QString &caption)
{
    auto *button = new Command(parent);
    PropertyBag design;
    design.WriteProperty(QStringLiteral("Caption"), caption);
    design.WriteProperty(QStringLiteral("Font"), QVariant::fromValue(Helixcavern_P::dialogFont()));
    button->ReadProperties(design);
    return button;
}

QColor windowBackground() { return QApplication::palette().color(QPalette::Base); }

bool fitsInt16(int value)
{
    return value >= std::numeric_limits<qint16>::min() && value <= std::numeric_limits<qint16>::max();
}
} // namespace

QString Helixcavern_P::caption() { return DialogCaption; }

QFont Helixcavern_P::dialogFont()
{
    static const bool substituted = [] {
        QStringList substitutes{QStringLiteral("IPAPGothic")};
        for (const QString &family : QFontDatabase::families(QFontDatabase::Japanese))
            if (!substitutes.contains(family))
                substitutes.append(family);
        QFont::insertSubstitutions(kFontFamily, substitutes);
        return true;
    }();
    Q_UNUSED(substituted);
    QFont font(kFontFamily);
    font.setPixelSize(kFontPixelSize);
    font.setWeight(QFont::Normal);
    return font;
}

Helixcavern_P::Helixcavern_P()
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      endProgram([](int status) { EndProgram(status); }), settingsPath([] { return settingsFilePath(); })
{
    setWindowTitle(caption());
    setWindowModality(Qt::ApplicationModal);
    setFont(dialogFont());
    const QImage icon = picture(":/dialog/icon.png");
    if (!icon.isNull())
        setWindowIcon(QIcon(QPixmap::fromImage(icon)));
    setFixedSize(DialogLayout::ClientWidth, DialogLayout::ClientHeight);
    buildControls();
    connectHandlers();
    orderTabStops();
}

Helixcavern_P::~Helixcavern_P() = default;

void Helixcavern_P::placeControl(QWidget *control, const char *name)
{
    control->setObjectName(QLatin1String(name));
    const auto place = DialogLayout::place(QLatin1String(name));
    if (!place)
        return;
    QRect rect = DialogLayout::pixelRect(*place);
    // Inside a panel, positions count from the area inside its border.
    if (place->container != DialogLayout::Container::Window)
        rect.translate(control->parentWidget()->contentsRect().topLeft());
    control->setGeometry(rect);
}

void Helixcavern_P::buildControls()
{
    const QImage heading = picture(":/dialog/heading.jpg");

    Pic_B = new PictureBox(this, PictureBox::Border::Sunken, kPanelBase);
    placeControl(Pic_B, "Pic_B");
    Img_TT[0] = pictureLabel(Pic_B, heading);
    placeControl(Img_TT[0], "Img_TT(0)");
    lbl[0] = new QLabel(QStringLiteral("画像の選択"), Pic_B);
    lbl[0]->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    placeControl(lbl[0], "lbl(0)");
    const QString choices[2] = {QStringLiteral("ｶﾚﾝﾄ・ﾃﾞｽｸﾄｯﾌﾟ"), QStringLiteral("画像ﾌｧｲﾙを指定")};
    for (int i = 0; i < 2; ++i) {
        Img_Sel[i] = new EventLabel(Pic_B);
        placeControl(Img_Sel[i], i == 0 ? "Img_Sel(0)" : "Img_Sel(1)");
        lbl_Sel[i] = new EventLabel(Pic_B);
        lbl_Sel[i]->setText(choices[i]);
        placeControl(lbl_Sel[i], i == 0 ? "lbl_Sel(0)" : "lbl_Sel(1)");
    }
    Cmd_Pic = designedButton(Pic_B, QStringLiteral("..."));
    placeControl(Cmd_Pic, "Cmd_Pic");
    Pname = new PathBox(Pic_B);
    placeControl(Pname, "Pname");
    Display = new PictureBox(Pic_B, PictureBox::Border::Sunken, windowBackground());
    placeControl(Display, "Display");

    Pic_D = new PictureBox(this, PictureBox::Border::Sunken, kPanelBase);
    placeControl(Pic_D, "Pic_D");
    Img_TT[2] = pictureLabel(Pic_D, heading);
    placeControl(Img_TT[2], "Img_TT(2)");
    lbl[3] = new QLabel(QStringLiteral("回転速度"), Pic_D);
    lbl[3]->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    placeControl(lbl[3], "lbl(3)");
    lbl[4] = new QLabel(QStringLiteral("遅い"), Pic_D);
    placeControl(lbl[4], "lbl(4)");
    HS_Fast = new SpeedScrollBar(Pic_D);
    HS_Fast->setRange(DialogValues::SpeedMinimum, DialogValues::SpeedMaximum);
    HS_Fast->setSingleStep(1);
    HS_Fast->setPageStep(10);
    HS_Fast->setFocusPolicy(Qt::StrongFocus); // a keyboard stop, like the other controls
    HS_Fast->setValue(DialogValues::SpeedMinimum);
    placeControl(HS_Fast, "HS_Fast");
    lbl[5] = new QLabel(QStringLiteral("速い"), Pic_D);
    placeControl(lbl[5], "lbl(5)");
    lbl_Fast = new QLabel(Pic_D);
    lbl_Fast->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    placeControl(lbl_Fast, "lbl_Fast");

    lbl[9] = new QLabel(QStringLiteral("Helixcavern Ver." HELIXCAVERN_VERSION), this);
    setTextColour(lbl[9], kVersionColour);
    placeControl(lbl[9], "lbl(9)");
    lbl_URL = new EventLabel(this);
    lbl_URL->setText(QStringLiteral(HELIXCAVERN_URL));
    QFont linkFont = dialogFont();
    linkFont.setUnderline(true);
    lbl_URL->setFont(linkFont);
    setTextColour(lbl_URL, kLinkColour);
    placeControl(lbl_URL, "lbl_URL");
    Cmd_Can = designedButton(this, QStringLiteral("ｷｬﾝｾﾙ"));
    placeControl(Cmd_Can, "Cmd_Can");
    Cmd_Set = designedButton(this, QStringLiteral("設定"));
    placeControl(Cmd_Set, "Cmd_Set");

    // Stores: they lie right of the client area, are never shown and only hold pictures.
    Pic_Dummy = new PictureBox(this, PictureBox::Border::None, windowBackground());
    placeControl(Pic_Dummy, "Pic_Dummy");
    Pic_Mbl = new PictureBox(this, PictureBox::Border::None, kPanelBase);
    placeControl(Pic_Mbl, "Pic_Mbl");
    Pic_Mbl->setPicture(picture(":/dialog/tile.bmp"));
    Img_Opt_On = pictureLabel(this, picture(":/dialog/option_on.jpg"));
    placeControl(Img_Opt_On, "Img_Opt_On");
    Img_Opt_Off = pictureLabel(this, picture(":/dialog/option_off.jpg"));
    placeControl(Img_Opt_Off, "Img_Opt_Off");
    for (QWidget *store : {static_cast<QWidget *>(Pic_Dummy), static_cast<QWidget *>(Pic_Mbl),
                           static_cast<QWidget *>(Img_Opt_On), static_cast<QWidget *>(Img_Opt_Off)})
        store->hide();
}

void Helixcavern_P::connectHandlers()
{
    for (int i = 0; i < 2; ++i) {
        connect(Img_Sel[i], &EventLabel::MouseDown, this, [this, i] { Img_Sel_MouseDown(i); });
        connect(lbl_Sel[i], &EventLabel::MouseDown, this, [this, i] { lbl_Sel_MouseDown(i); });
    }
    // valueChanged covers both a finished change and each step of a thumb drag.
    connect(HS_Fast, &QScrollBar::valueChanged, this, &Helixcavern_P::HS_Fast_Change);
    connect(lbl_URL, &EventLabel::Click, this, &Helixcavern_P::lbl_URL_Click);
    connect(Cmd_Pic, &Command::Click, this, &Helixcavern_P::Cmd_Pic_Click);
    connect(Cmd_Set, &Command::Click, this, &Helixcavern_P::Cmd_Set_Click);
    connect(Cmd_Can, &Command::Click, this, &Helixcavern_P::Cmd_Can_Click);
}

QList<QWidget *> Helixcavern_P::tabStops() const
{
    // The panels come first (the first of them has the focus at start, which shows nothing); then
    // the speed, the path, cancel, set and browse.
    return {Pic_B, Pic_D, HS_Fast, Pname, Cmd_Can, Cmd_Set, Cmd_Pic};
}

void Helixcavern_P::orderTabStops()
{
    Pic_B->setFocusPolicy(Qt::TabFocus);
    Pic_D->setFocusPolicy(Qt::TabFocus);
    Pic_B->setFocus();
}

bool Helixcavern_P::focusNextPrevChild(bool next)
{
    // The keyboard order is kept here rather than in Qt's focus chain, which reorders a text box's
    // inner widgets along with it.
    const QList<QWidget *> stops = tabStops();
    QWidget *current = QApplication::focusWidget();
    while (current && !stops.contains(current))
        current = current->parentWidget();
    const qsizetype count = stops.size();
    const qsizetype at = current ? stops.indexOf(current) : (next ? -1 : 0);
    for (qsizetype step = 1; step <= count; ++step) {
        QWidget *candidate = stops[((at + (next ? step : -step)) % count + count) % count];
        if (candidate->isEnabled() && candidate->isVisible() && (candidate->focusPolicy() & Qt::TabFocus)) {
            candidate->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return false;
}

int Helixcavern_P::run()
{
    // Qt's own texts (the file chooser's columns and buttons, the message box) in Japanese too,
    // where the system has Qt's translations.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);
    Helixcavern_P dialog;
    dialog.Form_Load();
    QEventLoop modal;
    connect(&dialog, &Helixcavern_P::unloaded, &modal, &QEventLoop::quit);
    dialog.show();
    modal.exec();
    return 0;
}

void Helixcavern_P::Form_Load()
{
    setFixedSize(DialogLayout::ClientWidth, DialogLayout::ClientHeight);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.topLeft() + DialogLayout::windowPosition(area.size()));
    }
    PrepareCommandButtons(this, true, true);
    TilePanel(Pic_B);
    TilePanel(Pic_D);
    showOptionMarks();
    Pname->setText(PictureFile);
    if (const auto position = DialogValues::speedPosition(Speed))
        HS_Fast->setValue(*position); // a speed out of range leaves the scroll bar at 1
    lbl_Fast->setText(DialogValues::speedText(Speed));
    if (TextureSource == 1) {
        Cmd_Pic->SetEnabled(true);
        DrawPreview();
        PictureFolder = GetFolder(Pname->text());
    } else {
        Cmd_Pic->SetEnabled(false);
        PictureFolder = programFolder();
    }
    const QImage pointer = picture(":/dialog/pointer.png");
    lbl_URL->setCursor(pointer.isNull() ? QCursor(Qt::PointingHandCursor)
                                        : QCursor(QPixmap::fromImage(pointer), kLinkPointerHotSpot.x(),
                                                  kLinkPointerHotSpot.y()));
    const QPoint origin = QCursor::pos();
    if (fitsInt16(origin.x()))
        AnimOriginX = qint16(origin.x());
    if (fitsInt16(origin.y()))
        AnimOriginY = qint16(origin.y());
    AnimateWindowOpen(this);
}

void Helixcavern_P::Form_Resize()
{
    const int height = this->height();
    background_ = QImage(size(), QImage::Format_RGB32);
    background_.fill(kPanelBase); // the base colour, covered at once by the rows below
    QPainter painter(&background_);
    for (int row = 0; row < height; ++row) {
        const int c = DialogLayout::gradientLevel(row, height);
        painter.fillRect(QRect(0, row, width(), 1), QColor(c, c, c + DialogLayout::GradientBlueLift));
    }
    update();
}

void Helixcavern_P::Form_Unload() { AnimateWindowClose(this); }

void Helixcavern_P::PrepareCommandButtons(QWidget *form, bool doInitialize, bool enable)
{
    for (Command *button : form->findChildren<Command *>()) {
        if (doInitialize)
            button->Initialize();
        else
            button->SetEnabled(enable);
    }
}

void Helixcavern_P::TilePanel(PictureBox *target)
{
    const QImage &tile = Pic_Mbl->surface();
    QImage &surface = target->surface();
    {
        QPainter painter(&surface);
        for (const QPoint &origin : DialogLayout::tileOrigins(tile.size(), surface.size()))
            painter.drawImage(origin, tile);
    }
    target->update();
}

void Helixcavern_P::DrawPreview()
{
    const QString path = Pname->text();
    if (!path.isEmpty() && FileExists(path)) {
        QImageReader reader(path);
        const QImage decoded = reader.read();
        // A file that cannot be decoded shows the empty box, never a picture previewed before.
        if (!decoded.isNull()) {
            Pic_Dummy->setPicture(decoded);
            const QImage &source = Pic_Dummy->surface();
            const QSizeF size = DialogLayout::previewSize(source.size());
            // The box takes the computed size; the scaled picture is drawn from its inner corner
            // and cut off by the border, as in any bordered picture box.
            const QSize drawn(DialogLayout::roundHalfEven(size.width()), DialogLayout::roundHalfEven(size.height()));
            Display->resize(drawn);
            if (!drawn.isEmpty()) {
                QPainter painter(&Display->surface());
                painter.drawImage(0, 0, source.scaled(drawn, Qt::IgnoreAspectRatio, Qt::FastTransformation));
            }
            Display->update();
            return;
        }
    }
    emptyPreview();
}

void Helixcavern_P::emptyPreview()
{
    Display->clearPicture();
    Display->resize(DialogLayout::PreviewSide, DialogLayout::PreviewSide);
}

void Helixcavern_P::AnimateWindowOpen(QWidget *window)
{
    OutlineAnimation::play(QRect(AnimOriginX, AnimOriginY, 0, 0), window->frameGeometry());
}

void Helixcavern_P::AnimateWindowClose(QWidget *window)
{
    OutlineAnimation::play(window->frameGeometry(), QRect(AnimOriginX, AnimOriginY, 0, 0));
}

void Helixcavern_P::Cmd_Pic_Click()
{
    QFileDialog chooser(this, QStringLiteral("ﾌｧｲﾙを開く"), PictureFolder);
    chooser.setObjectName(QStringLiteral("FileChooser"));
    chooser.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    chooser.setFileMode(QFileDialog::AnyFile); // a typed name of a missing file is accepted too
    chooser.setNameFilter(PictureNameFilter::dialogFilter());
    chooser.setLabelText(QFileDialog::LookIn, QStringLiteral("ﾌｧｲﾙの場所:"));
    chooser.setLabelText(QFileDialog::FileName, QStringLiteral("ﾌｧｲﾙ名:"));
    chooser.setLabelText(QFileDialog::FileType, QStringLiteral("ﾌｧｲﾙの種類:"));
    chooser.setLabelText(QFileDialog::Accept, QStringLiteral("開く"));
    chooser.setLabelText(QFileDialog::Reject, QStringLiteral("ｷｬﾝｾﾙ"));
    if (chooser.exec() != QDialog::Accepted)
        return;
    const QString chosen = chooser.selectedFiles().value(0);
    if (chosen.isEmpty())
        return;
    PictureFile = chosen;
    Pname->setText(PictureFile);
    PictureFolder = GetFolder(Pname->text());
    DrawPreview();
}

void Helixcavern_P::showOptionMarks()
{
    // Only 0 and 1 have marks; any other source leaves both as they are.
    if (TextureSource != 0 && TextureSource != 1)
        return;
    Img_Sel[TextureSource]->setPixmap(Img_Opt_On->pixmap());
    Img_Sel[TextureSource ^ 1]->setPixmap(Img_Opt_Off->pixmap());
}

void Helixcavern_P::chooseSource(int index, bool clearPath)
{
    TextureSource = qint16(index);
    showOptionMarks();
    if (TextureSource == 1) {
        Cmd_Pic->SetEnabled(true);
        return;
    }
    Cmd_Pic->SetEnabled(false);
    if (clearPath) {
        Pname->setText(QString());
        emptyPreview();
    }
}

void Helixcavern_P::Img_Sel_MouseDown(int index) { chooseSource(index, false); }

void Helixcavern_P::lbl_Sel_MouseDown(int index) { chooseSource(index, true); }

void Helixcavern_P::HS_Fast_Change() { lbl_Fast->setText(QString::number(HS_Fast->value())); }

void Helixcavern_P::lbl_URL_Click()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QDesktopServices::openUrl(QUrl(lbl_URL->text()));
    QGuiApplication::restoreOverrideCursor();
}

bool Helixcavern_P::saveSettings()
{
    const QString path = settingsPath();
    const QList<std::pair<QString, QString>> values{
        {KeyTextureSource, DialogValues::settingNumber(TextureSource)},
        {KeyPictureFile, Pname->text()},
        {KeySpeed, DialogValues::settingNumber(HS_Fast->value())},
    };
    QString reason;
    if (WriteIniStrings(SettingsSection, values, path, &reason))
        return true;
    QMessageBox message(QMessageBox::Warning, QStringLiteral("Helixcavern"),
                        QStringLiteral("設定を保存できませんでした。\n\nﾌｧｲﾙ: %1\n理由: %2")
                            .arg(QDir::toNativeSeparators(path), reason.isEmpty() ? QStringLiteral("不明") : reason),
                        QMessageBox::Ok, this);
    message.setObjectName(QStringLiteral("SaveError"));
    message.exec();
    return false;
}

void Helixcavern_P::Cmd_Set_Click()
{
    if (saveSettings())
        unloadAndEnd(); // a failed save keeps the dialog open: the user may retry or cancel
}

void Helixcavern_P::Cmd_Can_Click() { unloadAndEnd(); }

void Helixcavern_P::unloadAndEnd()
{
    close();
    endProgram(0);
}

void Helixcavern_P::paintEvent(QPaintEvent *)
{
    // Shows the persistent background surface, as the runtime redraws an auto-redrawn form.
    QPainter painter(this);
    painter.drawImage(0, 0, background_);
}

void Helixcavern_P::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void Helixcavern_P::closeEvent(QCloseEvent *event)
{
    if (!unloaded_) {
        unloaded_ = true;
        Form_Unload();
    }
    event->accept();
    emit unloaded();
}
