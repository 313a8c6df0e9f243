// A settings dialog opened over a temporary folder; see DialogFixture.h.
#include "tests/support/DialogFixture.h"

#include "button/SkinnedButton.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

DialogFixture::DialogFixture() = default;

DialogFixture::~DialogFixture()
{
    if (dialog_)
        dialog_->hide();
}

QString DialogFixture::settingsPath() const { return dir_.filePath(QStringLiteral("Helixcavern.ini")); }

SettingsDialog *DialogFixture::open(qint16 source, const QString &picture, float speed, const QString &settingsFile)
{
    return open(source, FileName::fromText(picture), speed, settingsFile);
}

SettingsDialog *DialogFixture::open(qint16 source, const FileName &picture, float speed, const QString &settingsFile)
{
    if (dialog_)
        dialog_->hide();
    dialog_.reset();
    finished_.clear();
    Settings settings;
    settings.textureSource = source;
    settings.pictureFile = picture;
    settings.speed = speed;
    dialog_ = std::make_unique<SettingsDialog>(settings, FileName::fromText(settingsFile.isEmpty() ? settingsPath() : settingsFile));
    QObject::connect(dialog_.get(), &SettingsDialog::finished, [this](int status) { finished_.append(status); });
    dialog_->open();
    return QTest::qWaitForWindowExposed(dialog_.get()) ? dialog_.get() : nullptr;
}

void DialogFixture::click(SkinnedButton *button)
{
    const QPoint centre = button->rect().center();
    // From outside first: a pointer already resting there (a click on an earlier dialog's button)
    // would not be seen arriving by this button.
    QTest::mouseMove(button, QPoint(-1, -1));
    QTest::mouseMove(button, centre);
    QTest::mouseClick(button, Qt::LeftButton, {}, centre);
}

void DialogFixture::click(const char *buttonName) { click(control<SkinnedButton>(buttonName)); }

void DialogFixture::pressAndRelease(QWidget *widget, Qt::MouseButton mouseButton, QPoint at)
{
    QTest::mousePress(widget, mouseButton, {}, at);
    QTest::mouseRelease(widget, mouseButton, {}, at);
}

bool DialogFixture::browse(const std::function<void(QFileDialog *)> &drive)
{
    bool driven = false;
    QTimer poll;
    poll.setInterval(20);
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *chooser = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (chooser && chooser->isVisible()) {
            poll.stop();
            driven = true;
            drive(chooser);
            if (chooser->isVisible())
                chooser->reject(); // a driver that failed part-way must not leave it open
        } else if (clock.elapsed() > 10000) {
            poll.stop();
        }
    });
    poll.start();
    click("browseButton");
    return driven;
}

QString DialogFixture::chooserStartFolder()
{
    QString folder;
    browse([&](QFileDialog *chooser) {
        folder = chooser->directory().absolutePath();
        chooser->reject();
    });
    return folder;
}

bool DialogFixture::choosePicture(const QString &path)
{
    bool typed = false;
    const bool shown = browse([&](QFileDialog *chooser) {
        auto *name = chooser->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        if (!name)
            return;
        name->setFocus();
        // Set rather than typed: typing opens the name completer, whose list may take the Return.
        name->setText(path);
        QTest::keyClick(name, Qt::Key_Return);
        typed = true;
    });
    return shown && typed;
}

void DialogFixture::whenModalShown(std::function<void(QWidget *)> action, bool *handled)
{
    auto *poll = new QTimer;
    auto *clock = new QElapsedTimer;
    clock->start();
    poll->setInterval(20);
    QWidget *except = dialog_.get();
    QObject::connect(poll, &QTimer::timeout, [=] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal != except && modal->isVisible()) {
            poll->stop();
            action(modal);
            *handled = true;
        }
        if (!poll->isActive() || clock->elapsed() > 5000) {
            poll->stop();
            poll->deleteLater();
            delete clock;
        }
    });
    poll->start();
}
