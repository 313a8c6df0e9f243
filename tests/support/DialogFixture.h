// A settings dialog opened over a temporary folder, and what the dialog tests do with it: reach its
// controls by name, click as a user does, drive the file chooser, watch how the dialog finished.
#pragma once

#include "dialog/SettingsDialog.h"

#include <QList>
#include <QPoint>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class QFileDialog;
class SkinnedButton;

class DialogFixture
{
public:
    DialogFixture();
    ~DialogFixture();

    bool isValid() const { return dir_.isValid(); }
    QString folder() const { return dir_.path(); }
    QString path(const QString &name) const { return dir_.filePath(name); }
    // Helixcavern.ini in the temporary folder: where the dialog saves unless open() names another file.
    QString settingsPath() const;

    // Builds a dialog for these settings (any earlier one is closed first), opens it and waits
    // until its window is shown; null when it never was. The picture is named by its text or by its
    // own bytes.
    SettingsDialog *open(qint16 source, const QString &picture, float speed, const QString &settingsPath = {});
    SettingsDialog *open(qint16 source, const FileName &picture, float speed, const QString &settingsPath = {});
    SettingsDialog *dialog() const { return dialog_.get(); }
    // The dialog's control with this object name, or null.
    template <class T = QWidget> T *control(const char *name) const
    {
        return dialog_ ? dialog_->findChild<T *>(QLatin1String(name)) : nullptr;
    }
    // The statuses the dialog reported through `finished`, in order.
    const QList<int> &finishedStatuses() const { return finished_; }

    // Moves onto the button and clicks it with the left button, as a user does.
    static void click(SkinnedButton *button);
    void click(const char *buttonName);
    // Presses and releases `mouseButton` over `widget` at `at`.
    static void pressAndRelease(QWidget *widget, Qt::MouseButton mouseButton, QPoint at = QPoint(3, 3));

    // Clicks the browse button and runs `drive` on the file chooser once it shows; false when it did
    // not show within 10 s. A chooser that `drive` leaves open is cancelled.
    bool browse(const std::function<void(QFileDialog *)> &drive);
    // The folder the file chooser starts in: it is opened and cancelled. Empty when it did not show.
    QString chooserStartFolder();
    // Chooses `path` in the file chooser, set into its name box and accepted with Return.
    bool choosePicture(const QString &path);

    // Runs `action` on the first modal window other than the dialog once it shows, within 5 s;
    // `handled` becomes true then.
    void whenModalShown(std::function<void(QWidget *)> action, bool *handled);

private:
    QTemporaryDir dir_;
    std::unique_ptr<SettingsDialog> dialog_;
    QList<int> finished_;
};
