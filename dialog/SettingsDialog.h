// The settings dialog "Helixcavernの設定": texture source, picture file with preview, rotation
// speed, link, and the save and cancel buttons.
#pragma once

#include "dialog/DialogLayout.h"
#include "files/FileName.h"
#include "settings/Settings.h"

#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QString>
#include <QWidget>

class EventLabel;
class PathBox;
class PictureBox;
class QLabel;
class QScrollBar;
class SkinnedButton;

// The dialog edits its own copy of the settings and saves it into the settings file when the user
// saves. Its controls carry object names by role (see DialogLayout::Control), e.g. "saveButton".
class SettingsDialog : public QWidget
{
    Q_OBJECT
public:
    // Opens the dialog for `settings` modally, with Qt's own texts in Japanese where the system has
    // Qt's translations, and returns the status it finished with once it has closed.
    static int run(const Settings &settings, const FileName &settingsPath);

    // The dialog as designed, every control at its place, nothing of `settings` shown yet. Saving
    // writes the file at `settingsPath`.
    SettingsDialog(const Settings &settings, const FileName &settingsPath, QWidget *parent = nullptr);
    ~SettingsDialog() override;

    // Shows the settings in the controls and then the window, in the order of the design: size and
    // place, prepare the buttons, tile the panels, mark the source, path, speed, preview, the file
    // chooser's folder, remember the pointer, play the opening animation. The chooser starts in the
    // picture's folder when the picture file is the source; otherwise in a portable program's own
    // folder, or for an installed program in the user's pictures folder, else the home folder.
    void open();

signals:
    // The dialog has closed and played its closing animation: after a save, a cancel or its close
    // control. Emitted once; the status is 0.
    void finished(int status);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool focusNextPrevChild(bool next) override;

private:
    using Control = DialogLayout::Control;

    void buildControls();
    void placeControl(QWidget *control, Control which);
    void connectHandlers();
    void orderTabStops();
    QList<QWidget *> tabStops() const;

    // The steps of open().
    void placeOnScreen();
    void prepareButtons();
    void tilePanel(PictureBox *panel);
    void showSourceMarks();
    void showStoredSpeed();
    void rememberPointer();
    void playOpenAnimation();
    void playCloseAnimation();
    // The background gradient, drawn into the window's persistent surface.
    void drawBackground();
    // The picture named in the path box scaled into the preview box, or the empty 80 x 80 box.
    void drawPreview();
    void emptyPreview();

    // What the controls do.
    void browseForPicture();
    void chooseSourceByMark(qint16 source);  // keeps the path box and the preview
    void chooseSourceByLabel(qint16 source); // the desktop choice also empties them
    void chooseSource(qint16 source, bool clearPath);
    void showSpeed(); // the read-out follows the scroll bar
    void openWebPage();
    void saveAndClose();
    void cancel();
    bool save();

    // The source and picture chosen so far; the path box and the scroll bar are read into it when
    // saving.
    Settings settings_;
    FileName chooserFolder_; // where the file chooser starts (see open()), then the chosen picture's folder
    FileName settingsPath_;
    QImage background_;
    QImage tile_;     // covers both panels
    QPixmap markOn_;  // the chosen source's mark
    QPixmap markOff_; // the other source's mark
    // Where the pointer was when the dialog opened: the outline grows from and shrinks back to it.
    qint16 animationOriginX_ = 0;
    qint16 animationOriginY_ = 0;
    bool finished_ = false;

    PictureBox *pictureChoicePanel_;
    QLabel *pictureChoiceHeading_;
    QLabel *pictureChoiceTitle_;
    EventLabel *desktopMark_;
    EventLabel *desktopLabel_;
    EventLabel *pictureMark_;
    EventLabel *pictureLabel_;
    SkinnedButton *browseButton_;
    PathBox *pathBox_;
    PictureBox *previewBox_;
    PictureBox *speedPanel_;
    QLabel *speedHeading_;
    QLabel *speedTitle_;
    QLabel *slowLabel_;
    QScrollBar *speedBar_;
    QLabel *fastLabel_;
    QLabel *speedReadout_;
    QLabel *versionLabel_;
    EventLabel *linkLabel_;
    SkinnedButton *cancelButton_;
    SkinnedButton *saveButton_;
};
