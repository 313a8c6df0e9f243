// The settings dialog: its controls, opening steps, drawn backgrounds and what its controls do.
#include "dialog/SettingsDialog.h"

#include "platform/WindowCaptions.h"
#include "button/DialogFont.h"
#include "button/PropertyBag.h"
#include "button/SkinnedButton.h"
#include "dialog/DialogColours.h"
#include "dialog/DialogValues.h"
#include "dialog/EventLabel.h"
#include "dialog/OutlineAnimation.h"
#include "dialog/PathBox.h"
#include "dialog/PictureBox.h"
#include "dialog/PictureNameFilter.h"
#include "dialog/SpeedScrollBar.h"
#include "picture/PictureFile.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsLocation.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTranslator>
#include <QUrl>

#include <limits>

namespace {
const QColor PanelBase(0x80, 0x80, 0x80);     // the panels' colour before their tile covers them
const QColor VersionColour(0xFF, 0xFF, 0xFF); // white
const QColor LinkColour(0xFF, 0xFF, 0xC0);    // pale yellow
constexpr QPoint LinkPointerHotSpot(12, 10);

QImage picture(const char *resource) { return QImage(QString::fromLatin1(resource)); }

QLabel *imageLabel(QWidget *parent, const QImage &image)
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

// A skinned button restored from a stored design holding only its caption and its font.
SkinnedButton *designedButton(QWidget *parent, const QString &caption)
{
    auto *button = new SkinnedButton(parent);
    PropertyBag design;
    design.writeProperty(QStringLiteral("Caption"), caption);
    design.writeProperty(QStringLiteral("Font"), QVariant::fromValue(DialogFont::font()));
    button->readProperties(design);
    return button;
}

QColor windowBackground() { return QApplication::palette().color(QPalette::Base); }

// Where the file chooser starts while no picture is chosen: a portable program's own folder, as its
// settings are there; for an installed program the user's pictures folder, else the home folder
// (the program's folder holds nothing of the user's), else, with no home known, the program's.
FileName chooserFolderWithoutPicture(const FileName &settingsPath)
{
    if (SettingsLocation::isBesideProgram(settingsPath))
        return SettingsLocation::programFolder();
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QFileInfo(pictures).isDir())
        return FileName::fromText(pictures);
    const QString home = SettingsLocation::homeFolder();
    return home.isEmpty() ? SettingsLocation::programFolder() : FileName::fromText(home);
}

// `text` with each line wider than `width` pixels cut to that width in its middle: a long path
// then wraps to a line or two of a message box instead of running off the screen.
QString linesElided(const QString &text, const QFontMetrics &metrics, int width)
{
    QStringList lines = text.split(u'\n');
    for (QString &line : lines)
        line = metrics.elidedText(line, Qt::ElideMiddle, width);
    return lines.join(u'\n');
}

bool fitsInt16(int value)
{
    return value >= std::numeric_limits<qint16>::min() && value <= std::numeric_limits<qint16>::max();
}
} // namespace

SettingsDialog::SettingsDialog(const Settings &settings, const FileName &settingsPath, QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      settings_(settings), settingsPath_(settingsPath)
{
    setWindowTitle(WindowCaptions::Dialog);
    setWindowModality(Qt::ApplicationModal);
    setFont(DialogFont::font());
    const QImage icon = picture(":/dialog/icon.png");
    if (!icon.isNull())
        setWindowIcon(QIcon(QPixmap::fromImage(icon)));
    setFixedSize(DialogLayout::ClientWidth, DialogLayout::ClientHeight);
    tile_ = picture(":/dialog/tile.bmp").convertToFormat(QImage::Format_RGB32);
    markOn_ = QPixmap::fromImage(picture(":/dialog/option_on.jpg"));
    markOff_ = QPixmap::fromImage(picture(":/dialog/option_off.jpg"));
    buildControls();
    connectHandlers();
    orderTabStops();
}

SettingsDialog::~SettingsDialog() = default;

void SettingsDialog::placeControl(QWidget *control, Control which)
{
    const DialogLayout::Place &place = DialogLayout::place(which);
    control->setObjectName(QLatin1String(place.name));
    QRect rect = DialogLayout::pixelRect(place);
    // Inside a panel, positions count from the area inside its border.
    if (place.container != DialogLayout::Container::Window)
        rect.translate(control->parentWidget()->contentsRect().topLeft());
    control->setGeometry(rect);
}

void SettingsDialog::buildControls()
{
    const QImage heading = picture(":/dialog/heading.jpg");

    pictureChoicePanel_ = new PictureBox(this, PictureBox::Border::Sunken, PanelBase);
    placeControl(pictureChoicePanel_, Control::PictureChoicePanel);
    pictureChoiceHeading_ = imageLabel(pictureChoicePanel_, heading);
    placeControl(pictureChoiceHeading_, Control::PictureChoiceHeading);
    pictureChoiceTitle_ = new QLabel(QStringLiteral("画像の選択"), pictureChoicePanel_);
    pictureChoiceTitle_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    placeControl(pictureChoiceTitle_, Control::PictureChoiceTitle);
    desktopMark_ = new EventLabel(pictureChoicePanel_);
    placeControl(desktopMark_, Control::DesktopMark);
    desktopLabel_ = new EventLabel(pictureChoicePanel_);
    desktopLabel_->setText(QStringLiteral("ｶﾚﾝﾄ・ﾃﾞｽｸﾄｯﾌﾟ"));
    placeControl(desktopLabel_, Control::DesktopLabel);
    pictureMark_ = new EventLabel(pictureChoicePanel_);
    placeControl(pictureMark_, Control::PictureMark);
    pictureLabel_ = new EventLabel(pictureChoicePanel_);
    pictureLabel_->setText(QStringLiteral("画像ﾌｧｲﾙを指定"));
    placeControl(pictureLabel_, Control::PictureLabel);
    browseButton_ = designedButton(pictureChoicePanel_, QStringLiteral("..."));
    placeControl(browseButton_, Control::BrowseButton);
    pathBox_ = new PathBox(pictureChoicePanel_);
    placeControl(pathBox_, Control::PathBox);
    previewBox_ = new PictureBox(pictureChoicePanel_, PictureBox::Border::Sunken, windowBackground());
    placeControl(previewBox_, Control::PreviewBox);

    speedPanel_ = new PictureBox(this, PictureBox::Border::Sunken, PanelBase);
    placeControl(speedPanel_, Control::SpeedPanel);
    speedHeading_ = imageLabel(speedPanel_, heading);
    placeControl(speedHeading_, Control::SpeedHeading);
    speedTitle_ = new QLabel(QStringLiteral("回転速度"), speedPanel_);
    speedTitle_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    placeControl(speedTitle_, Control::SpeedTitle);
    slowLabel_ = new QLabel(QStringLiteral("遅い"), speedPanel_);
    placeControl(slowLabel_, Control::SlowLabel);
    speedBar_ = new SpeedScrollBar(speedPanel_);
    speedBar_->setRange(DialogValues::SpeedMinimum, DialogValues::SpeedMaximum);
    speedBar_->setSingleStep(1);
    speedBar_->setPageStep(10);
    speedBar_->setFocusPolicy(Qt::StrongFocus); // a keyboard stop, like the other controls
    speedBar_->setValue(DialogValues::SpeedMinimum);
    placeControl(speedBar_, Control::SpeedBar);
    fastLabel_ = new QLabel(QStringLiteral("速い"), speedPanel_);
    placeControl(fastLabel_, Control::FastLabel);
    speedReadout_ = new QLabel(speedPanel_);
    speedReadout_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    placeControl(speedReadout_, Control::SpeedReadout);

    versionLabel_ = new QLabel(QStringLiteral("Helixcavern Ver." HELIXCAVERN_VERSION), this);
    setTextColour(versionLabel_, VersionColour);
    placeControl(versionLabel_, Control::VersionLabel);
    linkLabel_ = new EventLabel(this);
    linkLabel_->setText(QStringLiteral(HELIXCAVERN_URL));
    QFont linkFont = DialogFont::font();
    linkFont.setUnderline(true);
    linkLabel_->setFont(linkFont);
    setTextColour(linkLabel_, LinkColour);
    placeControl(linkLabel_, Control::LinkLabel);
    cancelButton_ = designedButton(this, QStringLiteral("ｷｬﾝｾﾙ"));
    placeControl(cancelButton_, Control::CancelButton);
    saveButton_ = designedButton(this, QStringLiteral("設定"));
    placeControl(saveButton_, Control::SaveButton);
}

void SettingsDialog::connectHandlers()
{
    connect(desktopMark_, &EventLabel::pressed, this, [this] { chooseSourceByMark(Settings::Desktop); });
    connect(desktopLabel_, &EventLabel::pressed, this, [this] { chooseSourceByLabel(Settings::Desktop); });
    connect(pictureMark_, &EventLabel::pressed, this, [this] { chooseSourceByMark(Settings::Picture); });
    connect(pictureLabel_, &EventLabel::pressed, this, [this] { chooseSourceByLabel(Settings::Picture); });
    // valueChanged covers both a finished change and each step of a thumb drag.
    connect(speedBar_, &QScrollBar::valueChanged, this, &SettingsDialog::showSpeed);
    connect(linkLabel_, &EventLabel::clicked, this, &SettingsDialog::openWebPage);
    connect(browseButton_, &SkinnedButton::clicked, this, &SettingsDialog::browseForPicture);
    connect(saveButton_, &SkinnedButton::clicked, this, &SettingsDialog::saveAndClose);
    connect(cancelButton_, &SkinnedButton::clicked, this, &SettingsDialog::cancel);
}

QList<QWidget *> SettingsDialog::tabStops() const
{
    // The panels come first (the first of them has the focus at start, which shows nothing); then
    // the speed, the path, cancel, save and browse.
    return {pictureChoicePanel_, speedPanel_, speedBar_, pathBox_, cancelButton_, saveButton_, browseButton_};
}

void SettingsDialog::orderTabStops()
{
    pictureChoicePanel_->setFocusPolicy(Qt::TabFocus);
    speedPanel_->setFocusPolicy(Qt::TabFocus);
    pictureChoicePanel_->setFocus();
}

bool SettingsDialog::focusNextPrevChild(bool next)
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

int SettingsDialog::run(const Settings &settings, const FileName &settingsPath)
{
    // Qt's own texts (the file chooser's columns and buttons, the message box) in Japanese too,
    // where the system has Qt's translations.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);
    SettingsDialog dialog(settings, settingsPath);
    QEventLoop modal;
    connect(&dialog, &SettingsDialog::finished, &modal, &QEventLoop::exit);
    dialog.open();
    return modal.exec();
}

void SettingsDialog::open()
{
    placeOnScreen();
    prepareButtons();
    tilePanel(pictureChoicePanel_);
    tilePanel(speedPanel_);
    showSourceMarks();
    pathBox_->setPath(settings_.pictureFile);
    showStoredSpeed();
    if (settings_.textureSource == Settings::Picture) {
        browseButton_->setButtonEnabled(true);
        drawPreview();
        chooserFolder_ = pathBox_->path().folder();
    } else {
        browseButton_->setButtonEnabled(false);
        chooserFolder_ = chooserFolderWithoutPicture(settingsPath_);
    }
    const QImage pointer = picture(":/dialog/pointer.png");
    linkLabel_->setCursor(pointer.isNull() ? QCursor(Qt::PointingHandCursor)
                                           : QCursor(QPixmap::fromImage(pointer), LinkPointerHotSpot.x(),
                                                     LinkPointerHotSpot.y()));
    rememberPointer();
    playOpenAnimation();
    show();
}

void SettingsDialog::placeOnScreen()
{
    setFixedSize(DialogLayout::ClientWidth, DialogLayout::ClientHeight);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.topLeft() + DialogLayout::windowPosition(area.size()));
    }
}

void SettingsDialog::prepareButtons()
{
    for (SkinnedButton *button : {browseButton_, cancelButton_, saveButton_})
        button->startHoverTracking();
}

void SettingsDialog::showStoredSpeed()
{
    if (const auto position = DialogValues::speedPosition(settings_.speed))
        speedBar_->setValue(*position); // a speed out of range leaves the scroll bar at 1
    speedReadout_->setText(DialogValues::speedText(settings_.speed));
}

void SettingsDialog::rememberPointer()
{
    // A coordinate beyond 16 bits keeps the one remembered before.
    const QPoint origin = QCursor::pos();
    if (fitsInt16(origin.x()))
        animationOriginX_ = qint16(origin.x());
    if (fitsInt16(origin.y()))
        animationOriginY_ = qint16(origin.y());
}

void SettingsDialog::playOpenAnimation()
{
    OutlineAnimation::play(QRect(animationOriginX_, animationOriginY_, 0, 0), frameGeometry());
}

void SettingsDialog::playCloseAnimation()
{
    OutlineAnimation::play(frameGeometry(), QRect(animationOriginX_, animationOriginY_, 0, 0));
}

void SettingsDialog::drawBackground()
{
    const int height = this->height();
    background_ = QImage(size(), QImage::Format_RGB32);
    background_.fill(PanelBase); // covered at once by the rows below
    QPainter painter(&background_);
    for (int row = 0; row < height; ++row)
        painter.fillRect(QRect(0, row, width(), 1), DialogColours::gradient(DialogLayout::gradientLevel(row, height)));
    update();
}

void SettingsDialog::tilePanel(PictureBox *panel)
{
    QImage &surface = panel->surface();
    {
        QPainter painter(&surface);
        for (const QPoint &origin : DialogLayout::tileOrigins(tile_.size(), surface.size()))
            painter.drawImage(origin, tile_);
    }
    panel->update();
}

void SettingsDialog::drawPreview()
{
    // Decoded as the saver decodes it, and opened without blocking: a pipe put in the picture's
    // place cannot hold the dialog.
    const QImage source = PictureFile::decode(pathBox_->path());
    if (source.isNull()) {
        emptyPreview(); // never a picture previewed before
        return;
    }
    const QSizeF size = DialogLayout::previewSize(source.size());
    // The box takes the computed size; the scaled picture is drawn from its inner corner and cut
    // off by the border, as in any bordered picture box.
    const QSize drawn(DialogLayout::roundHalfEven(size.width()), DialogLayout::roundHalfEven(size.height()));
    previewBox_->resize(drawn);
    if (!drawn.isEmpty()) {
        QPainter painter(&previewBox_->surface());
        painter.drawImage(0, 0, source.scaled(drawn, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    }
    previewBox_->update();
}

void SettingsDialog::emptyPreview()
{
    previewBox_->clearSurface();
    previewBox_->resize(DialogLayout::PreviewSide, DialogLayout::PreviewSide);
}

void SettingsDialog::browseForPicture()
{
    QFileDialog chooser(this, QStringLiteral("ﾌｧｲﾙを開く"), chooserFolder_.toDisplayString());
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
    settings_.pictureFile = FileName::fromText(chosen);
    pathBox_->setPath(settings_.pictureFile);
    chooserFolder_ = settings_.pictureFile.folder();
    drawPreview();
}

void SettingsDialog::showSourceMarks()
{
    // Only the desktop and the picture file have marks; any other source leaves both as they are.
    const qint16 source = settings_.textureSource;
    if (source != Settings::Desktop && source != Settings::Picture)
        return;
    (source == Settings::Desktop ? desktopMark_ : pictureMark_)->setPixmap(markOn_);
    (source == Settings::Desktop ? pictureMark_ : desktopMark_)->setPixmap(markOff_);
}

void SettingsDialog::chooseSource(qint16 source, bool clearPath)
{
    settings_.textureSource = source;
    showSourceMarks();
    if (source == Settings::Picture) {
        browseButton_->setButtonEnabled(true);
        return;
    }
    browseButton_->setButtonEnabled(false);
    if (clearPath) {
        pathBox_->setPath(FileName());
        emptyPreview();
    }
}

void SettingsDialog::chooseSourceByMark(qint16 source) { chooseSource(source, false); }

void SettingsDialog::chooseSourceByLabel(qint16 source) { chooseSource(source, true); }

void SettingsDialog::showSpeed() { speedReadout_->setText(QString::number(speedBar_->value())); }

void SettingsDialog::openWebPage()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QDesktopServices::openUrl(QUrl(linkLabel_->text()));
    QGuiApplication::restoreOverrideCursor();
}

bool SettingsDialog::save()
{
    settings_.pictureFile = pathBox_->path();
    settings_.speed = float(speedBar_->value());
    QString reason;
    if (SettingsFile::save(settings_, settingsPath_, &reason))
        return true;
    QMessageBox message(QMessageBox::Warning, QStringLiteral("Helixcavern"),
                        QStringLiteral("設定を保存できませんでした。\n\nﾌｧｲﾙ: %1\n理由: %2")
                            .arg(QDir::toNativeSeparators(settingsPath_.toDisplayString()),
                                 reason.isEmpty() ? QStringLiteral("不明") : reason),
                        QMessageBox::Ok, this);
    message.setObjectName(QStringLiteral("SaveError"));
    // The path of the file and the one in the reason may be as long as the file system allows.
    if (const QScreen *shownOn = screen()) {
        const int width = shownOn->availableGeometry().width();
        message.setText(linesElided(message.text(), QFontMetrics(message.font()), width));
    }
    message.exec();
    return false;
}

void SettingsDialog::saveAndClose()
{
    if (save())
        close(); // a failed save keeps the dialog open: the user may retry or cancel
}

void SettingsDialog::cancel() { close(); }

void SettingsDialog::paintEvent(QPaintEvent *)
{
    // The gradient is drawn once per size (drawBackground); every repaint copies it.
    QPainter painter(this);
    painter.drawImage(0, 0, background_);
}

void SettingsDialog::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    drawBackground();
}

void SettingsDialog::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (finished_)
        return;
    finished_ = true;
    playCloseAnimation();
    emit finished(0);
}
